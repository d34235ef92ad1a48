// SPDX-License-Identifier: MIT
// Build step: the page's modules into one classic script for the site,
//   node bundle.js SRC SITE METAFILE
// SRC/worker/main.js, the worker, is bundled first and goes into the page's script as
// text (src/worker-text.js imports it), from which the page starts the worker as a Blob
// URL. SRC/main.js is the page. Both are minified; their source maps are written beside
// the script (SITE/page.js.map, SITE/worker.js.map) and not named in it, so the page loads
// none. METAFILE receives esbuild's graph of both bundles' modules.
'use strict';
const fs = require('fs');
const path = require('path');
const esbuild = require('esbuild');

const [src, site, metafile] = process.argv.slice(2);
const common = {bundle: true, format: 'iife', minify: true, sourcemap: 'external', target: 'es2020',
                write: false, metafile: true, legalComments: 'none', logLevel: 'warning'};

// The output files of a build by their base names.
function byName(result) {
  return Object.fromEntries(result.outputFiles.map((file) => [path.basename(file.path), file.text]));
}

(async () => {
  const worker = await esbuild.build({...common, entryPoints: [path.join(src, 'worker', 'main.js')],
                                      outfile: path.join(site, 'worker.js')});
  const workerFiles = byName(worker);
  // The worker's script, as the text the page's worker-text module stands for.
  const workerText = {
    name: 'worker-text',
    setup(build) {
      build.onResolve({filter: /^worker-script$/}, () => ({path: 'worker-script', namespace: 'worker-text'}));
      build.onLoad({filter: /.*/, namespace: 'worker-text'},
                   () => ({contents: workerFiles['worker.js'], loader: 'text'}));
    },
  };
  const page = await esbuild.build({...common, entryPoints: [path.join(src, 'main.js')],
                                    outfile: path.join(site, 'page.js'), plugins: [workerText]});
  const pageFiles = byName(page);
  fs.writeFileSync(path.join(site, 'page.js'), pageFiles['page.js']);
  fs.writeFileSync(path.join(site, 'page.js.map'), pageFiles['page.js.map']);
  fs.writeFileSync(path.join(site, 'worker.js.map'), workerFiles['worker.js.map']);
  fs.writeFileSync(metafile, JSON.stringify({page: page.metafile, worker: worker.metafile}));
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
