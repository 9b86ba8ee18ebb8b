// What the browser tests share before their first case: their options, and
// the checks that the site, zeltric-cli, Chromium and puppeteer-core are
// there. A missing one skips the test (exit 77), except under CI=true,
// where a skipped test is a failure.
import { existsSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

export const source = resolve(dirname(fileURLToPath(import.meta.url)), '..', '..');

// `--name value` pairs over `defaults`; then the tools, or a skip.
export async function prepare(name, defaults) {
  const options = { site: join(source, 'build', 'web'), cli: null, chromium: '/usr/bin/chromium', ...defaults };
  for (let i = 2; i < process.argv.length; i += 2) options[process.argv[i].replace(/^--/, '')] = process.argv[i + 1];
  const skip = (reason) => {
    if (process.env.CI === 'true') {
      console.error(`${name}: FAILED, cannot run under CI: ${reason}`);
      process.exit(1);
    }
    console.error(`${name}: skipped: ${reason}`);
    process.exit(77);
  };
  if (!options.cli || !existsSync(options.cli)) skip(`zeltric-cli not found at ${options.cli}`);
  if (!existsSync(join(options.site, 'zeltric-core.wasm')))
    skip(`no browser build in ${options.site} (scripts/build-web)`);
  if (!existsSync(options.chromium)) skip(`no Chromium at ${options.chromium} (scripts/setup)`);
  try {
    return { options, puppeteer: (await import('puppeteer-core')).default };
  } catch {
    skip('puppeteer-core is not installed (scripts/setup)');
  }
}

// The run record without what differs between any two runs (the moment,
// the machine's threads and kernels); the files' folder (the worker's is
// /files) becomes FOLDER.
export function comparableRecord(bytes, folder) {
  const record = JSON.parse(
    bytes
      .toString('utf8')
      .split(folder + '/')
      .join('FOLDER/'),
  );
  const drop = (value, path) => {
    if (Array.isArray(value)) return value.map((v) => drop(v, path));
    if (value === null || typeof value !== 'object') return value;
    const out = {};
    for (const [key, v] of Object.entries(value)) {
      if (key === 'started' || key === 'elapsed_seconds') continue;
      if ((key === 'threads' || key === 'kernels') && path.includes('program')) continue;
      out[key] = drop(v, [...path, key]);
    }
    return out;
  };
  return JSON.stringify(drop(record, []));
}

// Headless Chromium as both tests run it.
export function launch(puppeteer, options) {
  return puppeteer.launch({
    executablePath: options.chromium,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage'],
  });
}
