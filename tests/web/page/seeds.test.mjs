// The seeds' own logic: which pairs the page keeps, new pairs within the
// core's ranges, and storage that refuses.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import {
  keepSeeds,
  parseSeeds,
  randomSeeds,
  seedMaxima,
  seedsOfSeedFile,
  storedSeeds,
} from '../../../src/web/site/page/seeds.js';

// Small made-up ranges: the logic must follow whatever the core gives.
const maxima = seedMaxima({ seed1Max: 1000, seed2Max: 500 });

function memoryStorage(initial = {}) {
  const items = new Map(Object.entries(initial));
  return { getItem: (k) => (items.has(k) ? items.get(k) : null), setItem: (k, v) => items.set(k, String(v)) };
}
const refusingStorage = {
  getItem() {
    throw new Error('SecurityError');
  },
  setItem() {
    throw new Error('QuotaExceededError');
  },
};

describe('parseSeeds', () => {
  test('two whole numbers with any separator', () => {
    assert.deepEqual(parseSeeds('12,34', maxima), [12, 34]);
    assert.deepEqual(parseSeeds(' 12 34 ', maxima), [12, 34]);
    assert.deepEqual(parseSeeds('12;\t34', maxima), [12, 34]);
    assert.deepEqual(parseSeeds('12 , 34\n', maxima), [12, 34]);
  });
  test('each seed within its own range, both ends allowed', () => {
    assert.deepEqual(parseSeeds('1,1', maxima), [1, 1]);
    assert.deepEqual(parseSeeds('1000,500', maxima), [1000, 500]);
    assert.equal(parseSeeds('1001,500', maxima), null);
    assert.equal(parseSeeds('1000,501', maxima), null);
    // The second range is the narrower one: the pair is not symmetric.
    assert.equal(parseSeeds('500,1000', maxima), null);
    assert.equal(parseSeeds('0,5', maxima), null);
    assert.equal(parseSeeds('5,0', maxima), null);
  });
  test('anything but two whole numbers is refused', () => {
    for (const text of ['', '5', '1,2,3', '1.5,2', '-1,2', '+1,2', '1e2,2', 'a,b', '0x10,2', ',1,2'])
      assert.equal(parseSeeds(text, maxima), null, text);
  });
  test('a number past the exact integers is refused, not rounded into range', () => {
    assert.equal(parseSeeds('99999999999999999999,1', maxima), null);
  });
});

describe('randomSeeds', () => {
  test('every random value lands within 1..max', () => {
    for (const value of [0, 1, 499, 500, 999, 1000, 0x7fffffff, 0xffffffff]) {
      const [a, b] = randomSeeds(maxima, (values) => values.fill(value));
      assert.ok(a >= 1 && a <= maxima[0], `${value} gives ${a}`);
      assert.ok(b >= 1 && b <= maxima[1], `${value} gives ${b}`);
    }
  });
  test('the largest seed can come out', () => {
    assert.deepEqual(
      randomSeeds(maxima, (values) => values.set([999, 499])),
      [1000, 500],
    );
  });
});

describe('keeping seeds', () => {
  test('a kept pair comes back', () => {
    const storage = memoryStorage();
    assert.equal(keepSeeds(storage, [7, 9]), true);
    assert.deepEqual(storedSeeds(storage, maxima), [7, 9]);
  });
  test('nothing kept, a pair out of range or a damaged one gives none', () => {
    assert.equal(storedSeeds(memoryStorage(), maxima), null);
    assert.equal(storedSeeds(memoryStorage({ 'zeltric.seeds': '1001,5' }), maxima), null);
    assert.equal(storedSeeds(memoryStorage({ 'zeltric.seeds': '7' }), maxima), null);
  });
  test('storage that refuses (private mode) is not an error', () => {
    assert.equal(storedSeeds(refusingStorage, maxima), null);
    assert.equal(keepSeeds(refusingStorage, [7, 9]), false);
  });
  test('the seed file a run wrote gives the next pair', () => {
    const bytes = new TextEncoder().encode('123 456\r\n');
    assert.deepEqual(seedsOfSeedFile(bytes, maxima), [123, 456]);
    assert.equal(seedsOfSeedFile(new Uint8Array([0xff, 0x20, 0x31]), maxima), null);
  });
});
