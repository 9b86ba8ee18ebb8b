// The browser build against zeltric-cli: each case runs once through
// window.zeltric.run in headless Chromium and once through zeltric-cli on the
// same files, and every file either writes must be the same bytes (the run
// record: every key but the ones that describe the moment and the machine).
//
//   node browser_test.mjs --site build/web --cli build/ci/src/zeltric-cli [--only NAME]
//
// Exit 77 (skipped) when the site or Chromium is missing, except under
// CI=true, where a skipped browser test is a failure.
import { execFileSync, spawn } from 'node:child_process';
import {
  existsSync,
  mkdtempSync,
  realpathSync,
  readdirSync,
  readFileSync,
  rmSync,
  statSync,
  writeFileSync,
} from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { comparableRecord, launch, prepare, source } from './harness.mjs';
import { serve } from './serve.mjs';

const { options, puppeteer } = await prepare('browser test', { only: null });

const example = (name) => readFileSync(join(source, 'examples', name));
const text = (lines) => Buffer.from(lines.join('\r\n') + '\r\n', 'latin1');

// The cases. `request` goes to window.zeltric.run, `args` to zeltric-cli.
const cases = [
  {
    name: 'example',
    files: { 'trout.dat': example('trout.dat') },
    request: { data: 'trout.dat' },
    args: ['trout.dat'],
  },
  {
    name: 'selection with labels',
    files: { 'trout.dat': example('trout.dat'), 'trout.lab': example('trout.lab') },
    request: { data: 'trout.dat', labels: 'trout.lab', loci: '1,3-5', pops: '1-3,6' },
    args: ['--labels', 'trout.lab', '--loci', '1,3-5', '--pops', '1-3,6', 'trout.dat'],
  },
  {
    name: 'a bad genotype file',
    files: { 'bad.dat': text(['2 2 2 2', 'L1', 'L2', '1 1 0101 0102', '1 2 0x01 0101', '2 1 0101 0101']) },
    request: { data: 'bad.dat' },
    args: ['bad.dat'],
    failing: true,
  },
  {
    name: 'a selection the file does not have',
    files: { 'trout.dat': example('trout.dat') },
    request: { data: 'trout.dat', loci: '1,99' },
    args: ['--loci', '1,99', 'trout.dat'],
    failing: true,
  },
  {
    name: 'test with seeds',
    files: { 'trout.dat': example('trout.dat') },
    request: { data: 'trout.dat', test: 200, seeds: [12345, 67890] },
    args: ['--test', '200', '--seeds', '12345,67890', 'trout.dat'],
  },
  {
    name: 'a foreign format (Genepop)',
    files: {
      'lakes.gen': text([
        'Three lakes, two loci',
        'Loc1',
        'Loc2',
        'Pop',
        'north1 , 0101 0102',
        'north2 , 0102 0202',
        'north3 , 0101 0101',
        'Pop',
        'east1 , 0303 0102',
        'east2 , 0103 0000',
        'east3 , 0303 0202',
        'POP',
        'south1 , 0202 0101',
        'south2 , 0102 0101',
        'south3 , 0202 0102',
      ]),
    },
    request: { data: 'lakes.gen', test: 100, seeds: '5,6' },
    args: ['--test', '100', '--seeds', '5,6', 'lakes.gen'],
  },
  {
    name: 'a test and a bootstrap',
    files: { 'trout.dat': example('trout.dat'), 'trout.lab': example('trout.lab') },
    request: {
      data: 'trout.dat',
      labels: 'trout.lab',
      test: 100,
      seeds: [31, 4159],
      bootstrap: 300,
      bootstrapSeeds: [4711, 815],
    },
    args: [
      '--labels',
      'trout.lab',
      '--test',
      '100',
      '--seeds',
      '31,4159',
      '--bootstrap',
      '300',
      '--bootstrap-seeds',
      '4711,815',
      'trout.dat',
    ],
  },
  {
    name: 'a bootstrap alone',
    files: { 'trout.dat': example('trout.dat') },
    request: { data: 'trout.dat', pops: '2-7', bootstrap: 100 },
    args: ['--pops', '2-7', '--bootstrap', '100', 'trout.dat'],
  },
  {
    // The statistics after a selection and the PCA's test: the three tables,
    // the results file's section and the record's object as zeltric-cli's.
    name: 'the statistics with both tests',
    files: { 'trout.dat': example('trout.dat'), 'trout.lab': example('trout.lab') },
    request: {
      data: 'trout.dat',
      labels: 'trout.lab',
      pops: '1-6',
      test: 100,
      seeds: [3, 4],
      statistics: true,
      pairwiseTest: 200,
      pairwiseSeeds: '5,7',
    },
    args: [
      '--labels',
      'trout.lab',
      '--pops',
      '1-6',
      '--test',
      '100',
      '--seeds',
      '3,4',
      '--statistics',
      '--pairwise-test',
      '200',
      '--pairwise-seeds',
      '5,7',
      'trout.dat',
    ],
  },
  {
    name: 'a cancelled test',
    files: { 'trout.dat': example('trout.dat') },
    request: { data: 'trout.dat', test: 15000, seeds: [4242, 777] },
    args: ['--test', '15000', '--seeds', '4242,777', 'trout.dat'],
    cancelAfter: 40,
  },
];

// Every file of `folder` that is not one of `inputs` with its given bytes.
function outputsOf(folder, inputs) {
  const outputs = {};
  for (const name of readdirSync(folder)) {
    const path = join(folder, name);
    if (!statSync(path).isFile()) continue;
    const bytes = readFileSync(path);
    if (name in inputs && Buffer.compare(bytes, inputs[name]) === 0) continue;
    outputs[name] = bytes;
  }
  return outputs;
}

// zeltric-cli's empty companion lock files: the browser has no other
// process to lock against.
const withoutLocks = (outputs) =>
  Object.fromEntries(Object.entries(outputs).filter(([name]) => !name.endsWith('.lock')));

// zeltric-cli interrupted (Ctrl-C) once its share file holds more than
// `lines` lines.
async function interruptedCli(testCase, folder) {
  const child = spawn(resolve(options.cli), ['--quiet', '--threads', '1', ...testCase.args], {
    cwd: folder,
    stdio: ['ignore', 'ignore', 'pipe'],
  });
  let stderr = '';
  child.stderr.on('data', (chunk) => {
    stderr += chunk;
  });
  const ended = new Promise((resolveEnd) => child.on('exit', (code) => resolveEnd(code)));
  const shares = join(folder, testCase.request.data.replace(/\.[^.]*$/, '') + '.per');
  for (;;) {
    const lines = existsSync(shares) ? readFileSync(shares, 'latin1').split('\r\n').length - 1 : 0;
    if (lines > testCase.cancelAfter || child.exitCode !== null) break;
    await new Promise((r) => setTimeout(r, 5));
  }
  child.kill('SIGINT');
  await ended;
  // zeltric-cli ends by the interrupt, as a shell loop expects; the browser's
  // cancel is no failure.
  return { status: 0, signal: child.signalCode, stderr, outputs: withoutLocks(outputsOf(folder, testCase.files)) };
}

async function runCli(testCase) {
  const folder = mkdtempSync(join(tmpdir(), 'zeltric-web-'));
  try {
    for (const [name, bytes] of Object.entries(testCase.files)) writeFileSync(join(folder, name), bytes);
    if (testCase.cancelAfter) return await interruptedCli(testCase, folder);
    let status = 0;
    let stderr = '';
    try {
      execFileSync(resolve(options.cli), ['--quiet', '--threads', '1', ...testCase.args], {
        cwd: folder,
        stdio: ['ignore', 'ignore', 'pipe'],
      });
    } catch (e) {
      status = e.status;
      stderr = e.stderr.toString();
    }
    return { status, stderr, folder: realpathSync(folder), outputs: withoutLocks(outputsOf(folder, testCase.files)) };
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

async function runInBrowser(page, testCase, cancelAfter) {
  const files = Object.fromEntries(Object.entries(testCase.files).map(([n, b]) => [n, b.toString('base64')]));
  const result = await page.evaluate(
    async (files, request, cancelAfter) => {
      const decode = (s) => Uint8Array.from(atob(s), (c) => c.charCodeAt(0));
      const encode = (bytes) => {
        let s = '';
        for (const b of bytes) s += String.fromCharCode(b);
        return btoa(s);
      };
      const given = Object.fromEntries(Object.entries(files).map(([n, s]) => [n, decode(s)]));
      let progressEvents = 0;
      const stages = [];
      let cancelled = false;
      const result = await window.zeltric.run({ ...request, files: given }, (progress) => {
        ++progressEvents;
        if (!stages.includes(progress.stage)) stages.push(progress.stage);
        if (cancelAfter !== null && !cancelled && progress.done >= cancelAfter) {
          cancelled = true;
          window.zeltric.cancel();
        }
      });
      return {
        outputs: Object.fromEntries(Object.entries(result.outputs).map(([n, b]) => [n, encode(b)])),
        record: result.record,
        error: result.error,
        status: result.status,
        messages: result.messages,
        progressEvents,
        stages,
      };
    },
    files,
    testCase.request,
    cancelAfter ?? null,
  );
  result.outputs = Object.fromEntries(Object.entries(result.outputs).map(([n, s]) => [n, Buffer.from(s, 'base64')]));
  return result;
}

const failures = [];
function check(testCase, condition, what) {
  if (!condition) failures.push(`${testCase.name}: ${what}`);
}

function compareOutputs(testCase, browser, cli) {
  const names = Object.keys(cli.outputs).sort();
  check(
    testCase,
    JSON.stringify(Object.keys(browser.outputs).sort()) === JSON.stringify(names),
    `files differ: browser ${Object.keys(browser.outputs).sort()} against zeltric-cli ${names}`,
  );
  for (const name of names) {
    const a = browser.outputs[name];
    if (!a) continue;
    if (name.endsWith('.json')) {
      const [x, y] = [comparableRecord(a, '/files'), comparableRecord(cli.outputs[name], cli.folder)];
      let at = 0;
      while (at < x.length && x[at] === y[at]) ++at;
      check(
        testCase,
        x === y,
        `the run record ${name} differs at ${x.slice(Math.max(0, at - 60), at + 40)} against ${y.slice(Math.max(0, at - 60), at + 40)}`,
      );
    } else {
      check(testCase, Buffer.compare(a, cli.outputs[name]) === 0, `${name} differs`);
    }
  }
}

// Both runs stopped at their own arrangement: the share lines of one are the
// start of the other's, the seed file differs with the stopping point, and
// every other file is the same.
function compareCancelled(testCase, browser, cli) {
  const lines = (bytes) => (bytes ? bytes.toString('latin1').split('\r\n').slice(0, -1) : []);
  const base = testCase.request.data.replace(/\.[^.]*$/, '');
  check(testCase, cli.signal === 'SIGINT', `zeltric-cli was not ended by the interrupt (${cli.signal})`);
  const webShares = lines(browser.outputs[base + '.per']);
  const cliShares = lines(cli.outputs[base + '.per']);
  const shorter = webShares.length < cliShares.length ? webShares : cliShares;
  const longer = shorter === webShares ? cliShares : webShares;
  check(
    testCase,
    webShares.length > testCase.cancelAfter && webShares.length < testCase.request.test,
    `${webShares.length - 1} arrangements were taken before the cancel was seen`,
  );
  check(
    testCase,
    shorter.every((line, i) => line === longer[i]),
    'the share lines differ',
  );
  const strip = (result) => ({
    ...result,
    outputs: Object.fromEntries(
      Object.entries(result.outputs).filter(
        ([name]) => name !== base + '.per' && name !== 'ZELTRIC.INI' && !name.endsWith('.json'),
      ),
    ),
  });
  compareOutputs(testCase, strip(browser), strip(cli));
}

const server = await serve(options.site);
const browser = await launch(puppeteer, options);
try {
  const page = await browser.newPage();
  page.on('pageerror', (error) => failures.push(`page error: ${error.message}`));
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  const version = await page.evaluate(() => window.zeltric.ready);
  console.error(`browser test: ZELTRIC ${version} loaded in ${await browser.version()}`);

  for (const testCase of cases) {
    if (options.only && testCase.name !== options.only) continue;
    const cli = await runCli(testCase);
    const web = await runInBrowser(page, testCase, testCase.cancelAfter);
    if (testCase.cancelAfter) compareCancelled(testCase, web, cli);
    else compareOutputs(testCase, web, cli);
    check(testCase, web.status === cli.status, `exit status ${web.status}, zeltric-cli ${cli.status}`);
    if (testCase.failing) {
      check(testCase, cli.status !== 0, 'zeltric-cli accepted the input');
      check(
        testCase,
        typeof web.error === 'string' &&
          web.error.length > 0 &&
          cli.stderr.replace(/\n/g, ' ').includes(web.error.replace(/\r?\n\r?/g, ' ')),
        `error "${web.error}" is not what zeltric-cli printed: "${cli.stderr}"`,
      );
    } else {
      check(testCase, web.error === null, `unexpected error ${web.error}`);
    }
    if (testCase.request.test) check(testCase, web.progressEvents > 0, 'no progress was reported');
    if (testCase.request.bootstrap)
      check(
        testCase,
        web.stages.join() === (testCase.request.test ? 'test,bootstrap' : 'bootstrap'),
        `progress reported for the stages ${web.stages}`,
      );
    console.error(`browser test: ${testCase.name}: ${Object.keys(web.outputs).length} files compared`);
  }
  // Requests the worker refuses before the core sees them: the promise still
  // settles, with a message and no files.
  if (!options.only) {
    const refusals = await page.evaluate(async () => {
      const bytes = new Uint8Array([50, 32, 49]);
      const answers = [];
      for (const request of [
        { files: { 'a.dat': bytes }, data: 'b.dat' },
        { files: { '../a.dat': bytes }, data: '../a.dat' },
        { files: { 'a.dat': 'text' }, data: 'a.dat' },
      ]) {
        const result = await window.zeltric.run(request);
        answers.push({ error: result.error, status: result.status, outputs: Object.keys(result.outputs).length });
      }
      return answers;
    });
    const refused = { name: 'refused requests' };
    for (const answer of refusals)
      check(
        refused,
        answer.status === 2 && typeof answer.error === 'string' && answer.outputs === 0,
        `a bad request gave ${JSON.stringify(answer)}`,
      );
  }
} finally {
  await browser.close();
  server.close();
}

if (failures.length) {
  for (const failure of failures) console.error(`browser test: FAILED ${failure}`);
  process.exit(1);
}
console.error('browser test: all cases match zeltric-cli');
