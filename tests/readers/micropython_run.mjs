// SPDX-License-Identifier: MIT
// Runs Python code in MicroPython's WebAssembly port under Node, for the tests: the port is
// loaded from the node_modules folder given as the first argument; standard input is JSON,
// {"files": {"name.py": "text", ...}, "code": "..."}: the files are put in MicroPython's
// current folder, the code is run, and what it prints is printed. A Python error ends the
// run with its message and status 1.
import fs from 'fs';
import path from 'path';
import {pathToFileURL} from 'url';

const port = path.join(process.argv[2], '@micropython', 'micropython-webassembly-pyscript', 'micropython.mjs');
const {loadMicroPython} = await import(pathToFileURL(port).href);
const {files, code} = JSON.parse(fs.readFileSync(0, 'utf8'));
let printed = '';
const mp = await loadMicroPython({heapsize: 16 * 1024 * 1024, stdout: (line) => { printed += `${line}\n`; }});
for (const [name, text] of Object.entries(files)) mp.FS.writeFile(`/${name}`, text);
try {
  mp.runPython(code);
} catch (error) {
  process.stderr.write(`${error.message}\n`);
  process.exit(1);
}
process.stdout.write(printed);
