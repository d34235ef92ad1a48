// @ts-check
// SPDX-License-Identifier: MIT
// The prepared BMPs a worker keeps, by key: a run is lent their bytes as they are, without
// a copy. A picture this worker did not prepare (a fresh worker's, or a BMP taken as it is)
// is read once from its Blob. The oldest are let go beyond KEPT_BYTES; by then the page
// has their Blobs.

/** @typedef {import('../protocol.js').HeldPicture} HeldPicture */

const KEPT_BYTES = 512 << 20;

/**
 * @typedef {{
 *   put: (key: string, bytes: Uint8Array) => void,
 *   has: (key: string) => boolean,
 *   get: (key: string) => Uint8Array | undefined,
 *   bytes: (picture: HeldPicture) => Promise<Uint8Array>,
 * }} PreparedBmps
 */

/** @returns {PreparedBmps} */
export function createPreparedBmps() {
  /** @type {Map<string, Uint8Array>} the oldest first */
  const kept = new Map();
  let total = 0;
  /** @param {string} key @param {Uint8Array} bytes */
  const put = (key, bytes) => {
    const before = kept.get(key);
    if (before) total -= before.length;
    kept.delete(key);
    kept.set(key, bytes);
    total += bytes.length;
    for (const [old, data] of kept) {
      if (total <= KEPT_BYTES || old === key) break;
      kept.delete(old);
      total -= data.length;
    }
  };
  return {
    put,
    has: (key) => kept.has(key),
    get: (key) => kept.get(key),
    async bytes({key, blob}) {
      const held = key === null ? undefined : kept.get(key);
      if (held) return held;
      if (!blob) throw new Error('the picture is no longer held: choose it again');
      const bytes = new Uint8Array(await blob.arrayBuffer());
      if (key) put(key, bytes);
      return bytes;
    },
  };
}
