// The worker's reading of a request: what may go into the module's folder,
// and the command line zeltric-cli is given for it.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';
import vm from 'node:vm';

// A classic script of the worker: loaded as importScripts loads it.
const worker = { Uint8Array };
vm.runInNewContext(
  readFileSync(fileURLToPath(new URL('../../../src/web/site/worker-request.js', import.meta.url)), 'utf8'),
  worker,
);
const { checkRequest, sameBytes } = worker;
// As an array of this realm, for deepEqual.
const commandLine = (request) => [...worker.commandLine(request)];

const bytes = new Uint8Array([1, 2, 3]);

describe('checkRequest', () => {
  test('a data file and its labels among the files pass', () => {
    assert.equal(checkRequest({ files: { 'a.dat': bytes, 'a.lab': bytes }, data: 'a.dat', labels: 'a.lab' }), null);
  });
  test('a name that would leave the folder is refused', () => {
    for (const name of ['../a.dat', 'sub/a.dat', 'sub\\a.dat', '/etc/passwd', '.', '..', ''])
      assert.match(checkRequest({ files: { [name]: bytes }, data: name }), /not a plain file name/, name);
  });
  test('files that are not bytes, and roles naming a missing file, are refused', () => {
    assert.match(checkRequest({ files: { 'a.dat': 'text' }, data: 'a.dat' }), /not a Uint8Array/);
    assert.match(checkRequest({ files: { 'a.dat': bytes }, data: 'b.dat' }), /data file "b.dat" is not among/);
    assert.match(checkRequest({ files: { 'a.dat': bytes }, data: 'a.dat', labels: 'b.lab' }), /label file "b.lab"/);
    assert.match(checkRequest({ files: { 'a.dat': bytes } }), /data file/);
    assert.match(checkRequest(null), /not an object/);
    assert.match(checkRequest({ data: 'a.dat' }), /no files/);
  });
  test('an inherited name is not a file', () => {
    assert.match(checkRequest({ files: { 'a.dat': bytes }, data: 'toString' }), /data file "toString" is not among/);
  });
});

describe('commandLine', () => {
  test('every choice as zeltric-cli takes it, empty ones left out', () => {
    const request = {
      data: 'trout.dat',
      labels: 'trout.lab',
      format: '',
      loci: '1,3-5',
      pops: null,
      test: 200,
      seeds: [12345, 67890],
      bootstrap: '300',
      bootstrapSeeds: '4,5',
    };
    assert.deepEqual(commandLine(request), [
      'zeltric-cli',
      '--quiet',
      '--labels',
      'trout.lab',
      '--loci',
      '1,3-5',
      '--test',
      '200',
      '--seeds',
      '12345,67890',
      '--bootstrap',
      '300',
      '--bootstrap-seeds',
      '4,5',
      'trout.dat',
    ]);
  });
  test('the tables only when asked for with true', () => {
    assert.deepEqual(commandLine({ data: 'trout.dat', tables: true }), [
      'zeltric-cli',
      '--quiet',
      '--tables',
      'trout.dat',
    ]);
    for (const tables of [false, 'true', 1, undefined])
      assert.deepEqual(
        commandLine({ data: 'trout.dat', tables }),
        ['zeltric-cli', '--quiet', 'trout.dat'],
        `${tables}`,
      );
  });
  test('a file named like an option is still a file', () => {
    assert.deepEqual(commandLine({ data: '-h', labels: '--names.lab' }), [
      'zeltric-cli',
      '--quiet',
      '--labels',
      './--names.lab',
      './-h',
    ]);
  });
});

test('sameBytes compares length and every byte', () => {
  assert.equal(sameBytes(new Uint8Array([1, 2]), new Uint8Array([1, 2])), true);
  assert.equal(sameBytes(new Uint8Array([1, 2]), new Uint8Array([1, 3])), false);
  assert.equal(sameBytes(new Uint8Array([1, 2]), new Uint8Array([1, 2, 0])), false);
});
