// The linter's rules for the page's scripts and its tests: ESLint's recommended set,
// with the globals of where each runs.
import js from '@eslint/js';
import globals from 'globals';

// Functions the tests hand to the browser use the page's own globals.
const pageGlobals = { L: 'readonly', map: 'readonly', tlmaper: 'readonly', axe: 'readonly' };

export default [
  js.configs.recommended,
  {
    files: ['src/**/*.js'],
    languageOptions: { sourceType: 'module', globals: { ...globals.browser, L: 'readonly' } },
  },
  {
    files: ['**/*.mjs', 'eslint.config.js'],
    languageOptions: {
      sourceType: 'module',
      globals: { ...globals.node, ...globals.browser, ...pageGlobals },
    },
  },
  {
    linterOptions: { reportUnusedDisableDirectives: 'error' },
    rules: {
      'no-unused-vars': ['error', { args: 'after-used', caughtErrors: 'none' }],
    },
  },
];
