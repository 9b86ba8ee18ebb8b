// The test's seeds, kept in this browser as the seed file keeps them: each
// test continues the stream where the last one left it.

const SEEDS_KEY = 'zeltric.seeds';

// The generator's largest seeds from the core's ranges.
export function seedMaxima(limits) {
  return [limits.seed1Max, limits.seed2Max];
}

// Two whole numbers within 1..maxima[i], separated by white space, commas or
// semicolons; null for anything else.
export function parseSeeds(text, maxima) {
  const parts = String(text)
    .trim()
    .split(/[\s,;]+/);
  if (parts.length !== 2 || !parts.every((p) => /^\d+$/.test(p))) return null;
  const seeds = parts.map(Number);
  return seeds.every((s, i) => s >= 1 && s <= maxima[i]) ? seeds : null;
}

// A fresh pair within the ranges; `fill` fills a Uint32Array with random
// values (crypto.getRandomValues in the page).
export function randomSeeds(maxima, fill) {
  const values = new Uint32Array(2);
  fill(values);
  return [1 + (values[0] % maxima[0]), 1 + (values[1] % maxima[1])];
}

// The kept pair, or null when there is none, it is out of range or the
// storage is refused (private mode).
export function storedSeeds(storage, maxima) {
  try {
    return parseSeeds(storage.getItem(SEEDS_KEY) || '', maxima);
  } catch {
    return null;
  }
}

// Keeps the pair; false when the storage refuses it (the field still shows it).
export function keepSeeds(storage, seeds) {
  try {
    storage.setItem(SEEDS_KEY, seeds.join(','));
    return true;
  } catch {
    return false;
  }
}

// The seed file's text as a run wrote it ("S1 S2"): the pair it holds, or null.
export function seedsOfSeedFile(bytes, maxima) {
  return parseSeeds(new TextDecoder('latin1').decode(bytes), maxima);
}
