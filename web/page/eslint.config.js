// The page's JavaScript, and its tests, linted in the web stage (build.mjs), as the C++ is.
import js from '@eslint/js';
import globals from 'globals';

export default [
  js.configs.recommended,
  {
    languageOptions: { ecmaVersion: 2024, sourceType: 'module' },
    rules: {
      'no-unused-vars': ['error', { args: 'none' }],
      'no-sequences': 'off',
      // The readers and writers look for control characters on purpose: XML and CSV cannot carry them.
      'no-control-regex': 'off',
      eqeqeq: 'error',
      'prefer-const': 'error',
      'no-var': 'error',
    },
  },
  { files: ['web/page/src/**/*.js'], languageOptions: { globals: { ...globals.browser, ...globals.worker } } },
  // Scripts and tests run in Node and hand functions to the page, which run in the browser.
  {
    files: ['web/page/*.mjs', 'web/page/*.js', 'tests/web/**/*.mjs'],
    languageOptions: { globals: { ...globals.node, ...globals.browser } },
  },
];
