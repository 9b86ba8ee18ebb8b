// ESLint for the browser front end and its tests (scripts/check-format runs it).
import js from '@eslint/js';
import globals from 'globals';

export default [
  { ignores: ['build/**', 'node_modules/**'] },
  js.configs.recommended,
  {
    rules: {
      // A variable read by no one is a leftover (state that is written must be read).
      'no-unused-vars': ['error', { caughtErrors: 'none' }],
      eqeqeq: 'error',
      'prefer-const': 'error',
      'no-var': 'error',
    },
  },
  {
    files: ['src/web/site/page/**/*.js'],
    languageOptions: { sourceType: 'module', globals: globals.browser },
  },
  {
    files: ['src/web/site/zeltric.js', 'src/web/site/zip.js'],
    languageOptions: { sourceType: 'script', globals: globals.browser },
  },
  {
    files: ['src/web/site/worker-request.js'],
    languageOptions: { sourceType: 'script', globals: globals.worker },
  },
  {
    // What importScripts brings: the module's factory and the request's checks.
    files: ['src/web/site/zeltric-worker.js'],
    languageOptions: {
      sourceType: 'script',
      globals: {
        ...globals.worker,
        createZeltricCore: 'readonly',
        checkRequest: 'readonly',
        commandLine: 'readonly',
        sameBytes: 'readonly',
      },
    },
  },
  {
    // The browser tests hand functions to the page, which run there.
    files: ['tests/web/**/*.mjs', 'eslint.config.js'],
    languageOptions: { sourceType: 'module', globals: { ...globals.node, ...globals.browser } },
  },
];
