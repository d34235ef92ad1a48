// SPDX-License-Identifier: MIT
// Small helpers of the page's elements.

export const $ = (id) => document.getElementById(id);

// A link to bytes or a Blob; a Blob from the worker is linked as it is, without a copy.
// The link's address before is let go.
export function offerDownload(link, name, data, type) {
  if (link.href.startsWith('blob:')) URL.revokeObjectURL(link.href);
  link.href = URL.createObjectURL(data instanceof Blob ? data : new Blob([data], {type}));
  link.download = name;
}

// The report says whether the shown picture's work is under way, and counts the results
// shown (data-state, data-results).
export function setBusy(busy) {
  $('report').dataset.state = busy ? 'busy' : 'done';
  $('report').setAttribute('aria-busy', String(busy));
}

export function countResult() {
  $('report').dataset.results = Number($('report').dataset.results || 0) + 1;
}

export function setSummary(text, failed = false) {
  $('summary').textContent = text;
  $('summary').className = failed ? 'failed' : '';
}
