#!/usr/bin/env node
// SPDX-License-Identifier: MIT
// The command `panelbake-prepare`: the WebAssembly preparation program, which reads the
// arguments after the program name and works on the real file system.
require('../panelbake-prepare.js');
