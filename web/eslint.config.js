// SPDX-License-Identifier: MIT
// ESLint's rules for the page's modules (src/) and its build step (bundle.js): the
// recommended ones, functions of at most 60 lines, and no mutable state at a module's top
// level outside the state module.
'use strict';
const js = require('@eslint/js');
const globals = require('globals');

const noModuleState = {
  selector: 'Program > VariableDeclaration[kind=/let|var/]',
  message: 'State lives in src/state.js: no let or var at a module\'s top level.',
};

module.exports = [
  js.configs.recommended,
  {
    files: ['src/**/*.js'],
    languageOptions: {ecmaVersion: 2022, sourceType: 'module', globals: {...globals.browser, ...globals.worker}},
    rules: {
      'max-lines-per-function': ['error', {max: 60, skipBlankLines: false, skipComments: false}],
      'no-restricted-syntax': ['error', noModuleState],
      'no-unused-vars': ['error', {args: 'none', caughtErrors: 'none'}],
    },
  },
  {
    files: ['src/state.js'],
    rules: {'no-restricted-syntax': 'off'},
  },
  {
    files: ['bundle.js', 'embed-program.js', 'eslint.config.js'],
    languageOptions: {ecmaVersion: 2022, sourceType: 'commonjs', globals: globals.node},
    rules: {'max-lines-per-function': ['error', {max: 60}]},
  },
];
