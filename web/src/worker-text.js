// SPDX-License-Identifier: MIT
// The worker's bundle as text (bundle.js puts it here), started from a Blob URL, which a
// page opened from disk may start too.
import script from 'worker-script';

export const workerScript = script;
