// SPDX-License-Identifier: MIT
// ESLint's rules for the page's modules (src/) and its build steps: the recommended ones,
// functions of at most 60 lines; no mutable state at a module's top level outside the
// state module (no let or var, exported or not, and no top-level const whose value is
// changed: a member assigned, incremented or deleted, or a method called that changes an
// array, a Map or a Set); and views that write none of what they are given.
'use strict';
const js = require('@eslint/js');
const globals = require('globals');

// Methods that change the array, Map or Set they are called on.
const CHANGING_METHODS = new Set(['push', 'pop', 'shift', 'unshift', 'splice', 'sort', 'reverse', 'fill', 'copyWithin',
                                  'set', 'add', 'delete', 'clear']);

// Whether `node`, an identifier, is the value a write changes: the object of a member (of
// members) that is assigned, incremented or deleted, or whose changing method is called.
function changes(node) {
  let member = node;
  while (member.parent.type === 'MemberExpression' && member.parent.object === member) member = member.parent;
  if (member === node) return false;
  const {parent} = member;
  if (parent.type === 'AssignmentExpression' && parent.left === member) return true;
  if (parent.type === 'UpdateExpression' || (parent.type === 'UnaryExpression' && parent.operator === 'delete')) return true;
  if (parent.type === 'CallExpression' && parent.callee === member && member.object.type === 'Identifier') {
    return !member.computed && CHANGING_METHODS.has(member.property.name);
  }
  return false;
}

const noModuleState = {
  meta: {type: 'problem', schema: []},
  create(context) {
    const report = (node, what) => context.report({node, message: `State lives in src/state.js: ${what}.`});
    return {
      'Program > VariableDeclaration[kind=/let|var/], ExportNamedDeclaration > VariableDeclaration[kind=/let|var/]'(node) {
        report(node, `no ${node.kind} at a module's top level`);
      },
      'Program:exit'(program) {
        const scope = context.sourceCode.getScope(program);
        const moduleScope = scope.type === 'module' ? scope : scope.childScopes.find((s) => s.type === 'module');
        for (const variable of moduleScope ? moduleScope.variables : []) {
          const declared = variable.defs[0];
          if (!declared || declared.type !== 'Variable' || declared.parent.kind !== 'const') continue;
          for (const reference of variable.references) {
            if (changes(reference.identifier)) report(reference.identifier, `the module's ${variable.name} is not changed`);
          }
        }
      },
    };
  },
};

module.exports = [
  js.configs.recommended,
  {
    files: ['src/**/*.js'],
    plugins: {page: {rules: {'no-module-state': noModuleState}}},
    languageOptions: {ecmaVersion: 2022, sourceType: 'module', globals: {...globals.browser, ...globals.worker}},
    rules: {
      'max-lines-per-function': ['error', {max: 60, skipBlankLines: false, skipComments: false}],
      'page/no-module-state': 'error',
      'no-unused-vars': ['error', {args: 'none', caughtErrors: 'none'}],
    },
  },
  {
    files: ['src/state.js'],
    rules: {'page/no-module-state': 'off'},
  },
  {
    // A view draws what it is given: the state and its entries are read, never written; an
    // element given to it is drawn on, a canvas or its context.
    files: ['src/views/**/*.js'],
    rules: {'no-param-reassign': ['error', {props: true, ignorePropertyModificationsFor: ['canvas', 'context', 'element']}]},
  },
  {
    files: ['bundle.js', 'embed-program.js', 'eslint.config.js'],
    languageOptions: {ecmaVersion: 2022, sourceType: 'commonjs', globals: globals.node},
    rules: {'max-lines-per-function': ['error', {max: 60}]},
  },
];
