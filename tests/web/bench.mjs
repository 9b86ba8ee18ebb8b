// Randomisations per second of the browser build in headless Chromium
// against zeltric-cli on one thread, on the benchmark's standard shapes.
//
//   node bench.mjs --cli build/release/src/zeltric-cli --bench build/release/bench/zeltric-bench
//                  [--shapes 1,2,3,4,5] [--site build/web] [--kernels NAME]
//
// --kernels gives zeltric-cli's kernel variant (default: its best), e.g.
// sse2, the 128-bit variant whose source the browser build runs.
//
// Each figure is (R - 1) randomisations over the time a run with a test of R
// takes beyond the same run without a test; the two runs are back to back.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';
import { serve } from './serve.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const options = { site: resolve(here, '..', '..', 'build', 'web'), shapes: '1,2,3,4,5', chromium: '/usr/bin/chromium' };
for (let i = 2; i < process.argv.length; i += 2) options[process.argv[i].replace(/^--/, '')] = process.argv[i + 1];
// Randomisations per shape: a few seconds each on one native thread.
const counts = { 1: 15000, 2: 3000, 3: 1000, 4: 100, 5: 3000 };

const folder = mkdtempSync(join(tmpdir(), 'zeltric-bench-'));
const server = await serve(options.site);
const browser = await puppeteer.launch({
  executablePath: options.chromium,
  headless: true,
  args: ['--no-sandbox', '--disable-gpu'],
});
try {
  const page = await browser.newPage();
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  await page.evaluate(() => window.zeltric.ready);
  console.log('| shape | R | zeltric-cli, 1 thread /s | Chromium /s | native / browser |');
  console.log('|---|---|---|---|---|');
  for (const shape of options.shapes.split(',').map(Number)) {
    const data = join(folder, `shape${shape}.dat`);
    execFileSync(resolve(options.bench), ['--write', String(shape), data]);
    const R = counts[shape];
    const seconds = (args) => {
      const started = process.hrtime.bigint();
      const kernels = options.kernels ? ['--kernels', options.kernels] : [];
      execFileSync(resolve(options.cli), ['--quiet', '--threads', '1', ...kernels, ...args, data], {
        cwd: folder,
        stdio: 'ignore',
      });
      return Number(process.hrtime.bigint() - started) / 1e9;
    };
    const nativeRate = (R - 1) / (seconds(['--test', String(R), '--seeds', '12345,67890']) - seconds([]));
    const bytes = readFileSync(data).toString('base64');
    const webSeconds = await page.evaluate(
      async (bytes, R) => {
        const files = { 'shape.dat': Uint8Array.from(atob(bytes), (c) => c.charCodeAt(0)) };
        const time = async (request) => {
          const started = performance.now();
          const result = await window.zeltric.run({ files, data: 'shape.dat', ...request });
          if (result.error) throw new Error(result.error);
          return (performance.now() - started) / 1000;
        };
        return (await time({ test: R, seeds: [12345, 67890] })) - (await time({}));
      },
      bytes,
      R,
    );
    const webRate = (R - 1) / webSeconds;
    console.log(
      `| ${shape} | ${R} | ${nativeRate.toFixed(1)} | ${webRate.toFixed(1)} | ${(nativeRate / webRate).toFixed(2)}x |`,
    );
  }
} finally {
  await browser.close();
  server.close();
  rmSync(folder, { recursive: true, force: true });
}
