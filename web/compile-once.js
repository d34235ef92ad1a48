// SPDX-License-Identifier: MIT
// Linked into panelbake-module.js (--pre-js). The WebAssembly embedded in the script is compiled
// by the first instance only: an instance created with {wasmCompiled: promise}, the promise an
// earlier instance left in its Module.wasmCompiled, instantiates that compiled module again,
// which takes a fraction of a millisecond where compiling takes several.
// (wasmBinaryFile, tryParseAsDataURI and readyPromiseReject are emscripten's own names.)
Module['instantiateWasm'] = (imports, receiveInstance) => {
  if (!Module['wasmCompiled']) Module['wasmCompiled'] = WebAssembly.compile(tryParseAsDataURI(wasmBinaryFile));
  Module['wasmCompiled']
    .then((compiled) => WebAssembly.instantiate(compiled, imports)
      .then((instance) => receiveInstance(instance, compiled)))
    .catch(readyPromiseReject);
  return {};
};
