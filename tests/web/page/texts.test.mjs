// The page's own lines and the plot's mapping of the core's ranges.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';
import { axisMap, oneScale } from '../../../src/web/site/page/plot.js';
import {
  countHints,
  decodeText,
  hexColour,
  progressText,
  seconds,
  summaryLine,
} from '../../../src/web/site/page/texts.js';

describe('summaryLine', () => {
  test('counts with their nouns, one in the singular', () => {
    const summary = { samples: 8, loci: 1, individuals: 1, alleles: 33, format: 'zeltric' };
    assert.equal(summaryLine('trout.dat', summary), 'trout.dat: 8 samples, 1 locus, 1 individual, 33 alleles');
  });
  test('a converted file says how it was read', () => {
    const summary = { samples: 3, loci: 2, individuals: 9, alleles: 5, format: 'genepop' };
    assert.equal(
      summaryLine('lakes.gen', summary),
      'lakes.gen: 3 samples, 2 loci, 9 individuals, 5 alleles (read as genepop)',
    );
  });
});

describe('progress', () => {
  test('seconds up to a minute, then minutes and seconds, never "60 s"', () => {
    assert.equal(seconds(0.2), '1 s');
    assert.equal(seconds(59), '59 s');
    assert.equal(seconds(59.2), '1 min 0 s');
    assert.equal(seconds(125.4), '2 min 6 s');
    assert.equal(seconds(Infinity), '');
    assert.equal(seconds(NaN), '');
  });
  test('what runs, its rate and the time left', () => {
    const test = { stage: 'test', done: 50, total: 200 };
    assert.equal(progressText(test, 0), 'Test: 50 / 200 randomisations');
    assert.equal(progressText(test, 2.5), 'Test: 50 / 200 randomisations, 2.5 per second, about 1 min 0 s left');
    assert.equal(progressText(test, 30.4), 'Test: 50 / 200 randomisations, 30 per second, about 5 s left');
    const done = { stage: 'bootstrap', done: 300, total: 300 };
    assert.equal(progressText(done, 100), 'Bootstrap: 300 / 300 replicates, 100 per second');
  });
});

describe('the core ranges and results', () => {
  test('the count hints state the ranges given', () => {
    const hints = countHints({ minRandomisations: 10, maxRandomisations: 20, minReplicates: 30, maxReplicates: 40 });
    assert.equal(hints.test, '10 to 20; empty: no test.');
    assert.equal(hints.bootstrap, '30 to 40; empty: none.');
  });
  test('a results file in UTF-8 or Latin-1, with any line end', () => {
    assert.equal(decodeText(new Uint8Array([0x4c, 0xc3, 0xa9, 0x0d, 0x0a, 0x78])), 'L\u00e9\nx');
    assert.equal(decodeText(new Uint8Array([0x4c, 0xe9, 0x0d, 0x78])), 'L\u00e9\nx');
    assert.equal(decodeText(new TextEncoder().encode('a\n\rb\r\nc\rd\ne')), 'a\nb\nc\nd\ne');
  });
  test('colours as #rrggbb', () => {
    assert.equal(hexColour(0), '#000000');
    assert.equal(hexColour(0xff8000), '#ff8000');
    assert.equal(hexColour(0x0000ff), '#0000ff');
  });
  test('the plot maps the core range onto the frame, the vertical axis upwards', () => {
    const scale = { lo: -0.25, hi: 0.75 };
    const across = axisMap(scale, 78, 616);
    assert.equal(across(-0.25), 78);
    assert.equal(across(0.75), 616);
    assert.equal(across(0.25), 347);
    const upwards = axisMap(scale, 380, 16);
    assert.equal(upwards(-0.25), 380);
    assert.equal(upwards(0.75), 16);
    assert.ok(upwards(0) > upwards(0.5));
  });
  test('one unit is as long across as upwards, the frame shaped by the data within the room', () => {
    const area = { left: 60, top: 10, right: 660, bottom: 410 };
    // Twice as wide as high in the data: the frame takes the whole width, half the height.
    const wide = oneScale(area, { lo: -1, hi: 1 }, { lo: -0.5, hi: 0.5 });
    assert.deepEqual(wide.frame, { left: 60, top: 10, right: 660, bottom: 310 });
    const unit = (placed) => [
      (placed.frame.right - placed.frame.left) / (placed.x.hi - placed.x.lo),
      (placed.frame.bottom - placed.frame.top) / (placed.y.hi - placed.y.lo),
    ];
    assert.deepEqual(unit(wide), [300, 300]);
    // Taller than the room's shape: the height is filled and the frame centred across.
    const tall = oneScale(area, { lo: 0, hi: 1 }, { lo: 0, hi: 2 });
    assert.deepEqual(tall.frame, { left: 260, top: 10, right: 460, bottom: 410 });
    assert.deepEqual(unit(tall), [200, 200]);
    // A nearly flat cloud keeps a third of the height; its range widens
    // around the data at the same scale.
    const flat = oneScale(area, { lo: -1, hi: 1 }, { lo: 0.1, hi: 0.11 });
    assert.equal(flat.frame.bottom - flat.frame.top, 400 / 3);
    const [across, upwards] = unit(flat);
    assert.ok(Math.abs(across - upwards) < 1e-9, `${across} against ${upwards}`);
    assert.ok(flat.y.lo < 0.1 && flat.y.hi > 0.11);
    assert.ok(Math.abs((flat.y.lo + flat.y.hi) / 2 - 0.105) < 1e-12);
  });
});
