// SPDX-License-Identifier: MIT
// What the page's modules use that no library declares: the worker's script as text (the
// bundler puts it there, bundle.js), and the worker's importScripts.
declare module 'worker-script' {
  const text: string;
  export default text;
}
declare function importScripts(...urls: string[]): void;
