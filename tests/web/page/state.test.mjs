// The requests the page builds from what it holds and what was typed.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import {
  baseOf,
  createState,
  figureName,
  fileRequest,
  nameClash,
  runRequest,
  zipEntries,
} from '../../../src/web/site/page/state.js';

const bytes = (text) => new TextEncoder().encode(text);

function opened(data, labels) {
  const state = createState();
  state.data = { name: data, bytes: bytes('data') };
  if (labels) state.labels = { name: labels, bytes: bytes('labels') };
  return state;
}

describe('names', () => {
  test('the outputs are named after the data file without its extension', () => {
    assert.equal(baseOf('trout.dat'), 'trout');
    assert.equal(baseOf('lakes.v2.gen'), 'lakes.v2');
    assert.equal(baseOf('noextension'), 'noextension');
    assert.equal(baseOf('.dat'), 'zeltric');
  });
  test('a figure file names its axes', () => {
    assert.equal(figureName('trout-L13', 1, 3, 'svg'), 'trout-L13-axes1-3.svg');
  });
  test('a label file with the data file name is refused before the core sees it', () => {
    assert.match(nameClash(opened('trout.dat', 'trout.dat')), /both named "trout\.dat"/);
    assert.equal(nameClash(opened('trout.dat', 'trout.lab')), null);
    assert.equal(nameClash(opened('trout.dat')), null);
    assert.equal(nameClash(createState()), null);
  });
});

describe('requests', () => {
  test('the files with their roles, the format only when chosen', () => {
    const request = fileRequest(opened('trout.dat', 'trout.lab'), '');
    assert.deepEqual(Object.keys(request.files).sort(), ['trout.dat', 'trout.lab']);
    assert.equal(request.data, 'trout.dat');
    assert.equal(request.labels, 'trout.lab');
    assert.equal('format' in request, false);
    assert.equal(fileRequest(opened('lakes.txt'), 'genepop').format, 'genepop');
    assert.equal('labels' in fileRequest(opened('trout.dat'), ''), false);
    assert.equal(fileRequest(createState(), '').data, '');
  });
  test('a run takes what was typed, trimmed; empty fields are not given', () => {
    const request = runRequest(opened('trout.dat'), {
      format: '',
      loci: ' 1,3-5 ',
      pops: '',
      test: '',
      seeds: '1,2',
      bootstrap: '',
      bootstrapSeeds: '4,5',
    });
    assert.equal(request.loci, '1,3-5');
    for (const key of ['pops', 'test', 'seeds', 'bootstrap', 'bootstrapSeeds'])
      assert.equal(key in request, false, key);
  });
  test('seeds go with a test, bootstrap seeds with a bootstrap', () => {
    const request = runRequest(opened('trout.dat'), {
      test: '200',
      seeds: ' 12345,67890 ',
      bootstrap: '300',
      bootstrapSeeds: '',
    });
    assert.equal(request.test, '200');
    assert.equal(request.seeds, '12345,67890');
    assert.equal(request.bootstrap, '300');
    assert.equal('bootstrapSeeds' in request, false);
    assert.equal('tables' in request, false);
    assert.equal(runRequest(opened('trout.dat'), { tables: true }).tables, true);
    assert.equal('tables' in runRequest(opened('trout.dat'), { tables: false }), false);
    // A test with an empty seeds field still sends it: the core refuses it with its message.
    assert.equal(runRequest(opened('trout.dat'), { test: '100', seeds: '' }).seeds, '');
  });
});

describe('the zip', () => {
  const text = (entry) => new TextDecoder().decode(entry.bytes);
  test('holds the outputs, the given files and the figures, sorted by name', () => {
    const entries = zipEntries(
      { 'trout.pca': bytes('pca'), 'trout.json': bytes('record') },
      { 'trout.dat': bytes('data'), 'trout.lab': bytes('labels') },
      [{ name: 'trout-axes1-2.svg', bytes: bytes('<svg/>') }],
    );
    assert.deepEqual(
      entries.map((e) => e.name),
      ['trout-axes1-2.svg', 'trout.dat', 'trout.json', 'trout.lab', 'trout.pca'],
    );
    assert.deepEqual(entries.map(text), ['<svg/>', 'data', 'record', 'labels', 'pca']);
  });
  test("a file the run wrote keeps the run's bytes over a given or drawn one of its name", () => {
    const entries = zipEntries(
      { 'ZELTRIC.INI': bytes('after'), 'x.svg': bytes('output') },
      { 'ZELTRIC.INI': bytes('before') },
      [{ name: 'x.svg', bytes: bytes('figure') }],
    );
    assert.deepEqual(entries.map(text), ['after', 'output']);
  });
});
