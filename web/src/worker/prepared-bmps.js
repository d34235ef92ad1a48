// SPDX-License-Identifier: MIT
// The prepared BMPs a worker holds, by key: a run is lent their bytes as they are, without a
// copy. A picture this worker did not prepare (a fresh worker's, or a BMP taken as it is) is
// read once from its Blob. The oldest are let go beyond HELD_BYTES; by then the page has
// their Blobs.

const HELD_BYTES = 512 << 20;

export function createHeld() {
  const held = new Map();  // key -> Uint8Array, the oldest first
  let total = 0;
  const put = (key, bytes) => {
    if (held.has(key)) total -= held.get(key).length;
    held.delete(key);
    held.set(key, bytes);
    total += bytes.length;
    for (const [old, data] of held) {
      if (total <= HELD_BYTES || old === key) break;
      held.delete(old);
      total -= data.length;
    }
  };
  return {
    put,
    has: (key) => held.has(key),
    // The bytes of {key, blob}.
    async bytes({key, blob}) {
      if (held.has(key)) return held.get(key);
      if (!blob) throw new Error('the picture is no longer held: choose it again');
      const bytes = new Uint8Array(await blob.arrayBuffer());
      if (key) put(key, bytes);
      return bytes;
    },
    get: (key) => held.get(key),
  };
}
