// The page against zeltric-cli: headless Chromium works the page's own
// controls (open a file, choose, set a test and seeds, run, cancel,
// download) and the files it hands over must be the bytes zeltric-cli writes
// for the same choices; a bad input must show zeltric-cli's message.
//
//   node page_test.mjs --site build/web --cli build/ci/src/zeltric-cli [--screenshots DIR]
//
// Exit 77 (skipped) when the site or Chromium is missing, except under
// CI=true, where a skipped test is a failure.
import { execFileSync } from 'node:child_process';
import {
  copyFileSync,
  existsSync,
  mkdirSync,
  mkdtempSync,
  readdirSync,
  readFileSync,
  realpathSync,
  rmSync,
  statSync,
  writeFileSync,
} from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { comparableRecord, launch, prepare, source } from './harness.mjs';
import { serve } from './serve.mjs';

const { options, puppeteer } = await prepare('page test', { screenshots: null });

const work = mkdtempSync(join(tmpdir(), 'zeltric-page-'));
const downloads = join(work, 'downloads');
mkdirSync(downloads);
const failures = [];
const check = (what, condition, detail) => {
  if (!condition) failures.push(`${what}: ${detail}`);
};

// A folder holding the example files (and anything else given).
function folderWith(name, files) {
  const folder = join(work, name);
  mkdirSync(folder);
  for (const file of ['trout.dat', 'trout.lab']) copyFileSync(join(source, 'examples', file), join(folder, file));
  for (const [file, bytes] of Object.entries(files || {})) writeFileSync(join(folder, file), bytes);
  return folder;
}

function cli(folder, args) {
  try {
    execFileSync(resolve(options.cli), ['--quiet', '--threads', '1', ...args], {
      cwd: folder,
      stdio: ['ignore', 'ignore', 'pipe'],
    });
    return { status: 0, stderr: '' };
  } catch (e) {
    return { status: e.status, stderr: e.stderr.toString() };
  }
}

// The files of a store-only zip (the page's own writer).
function unzip(bytes) {
  const files = {};
  let at = 0;
  while (bytes.readUInt32LE(at) === 0x04034b50) {
    check('zip', bytes.readUInt16LE(at + 8) === 0, 'an entry is not stored');
    const size = bytes.readUInt32LE(at + 18);
    const nameLength = bytes.readUInt16LE(at + 26);
    const extra = bytes.readUInt16LE(at + 28);
    const name = bytes.subarray(at + 30, at + 30 + nameLength).toString('utf8');
    const start = at + 30 + nameLength + extra;
    files[name] = bytes.subarray(start, start + size);
    at = start + size;
  }
  check('zip', bytes.readUInt32LE(bytes.length - 22) === 0x06054b50, 'no end of central directory');
  return files;
}

// Every output zeltric-cli left in `folder` (not the given files, not its locks).
function cliOutputs(folder, given) {
  const outputs = {};
  for (const name of readdirSync(folder)) {
    const path = join(folder, name);
    if (!statSync(path).isFile() || name.endsWith('.lock')) continue;
    const bytes = readFileSync(path);
    if (given[name] && Buffer.compare(given[name], bytes) === 0) continue;
    outputs[name] = bytes;
  }
  return outputs;
}

function compareFiles(what, page, cliFiles, folder) {
  const names = Object.keys(cliFiles).sort();
  check(
    what,
    JSON.stringify(Object.keys(page).sort()) === JSON.stringify(names),
    `files ${Object.keys(page).sort()} against zeltric-cli's ${names}`,
  );
  for (const name of names) {
    if (!page[name]) continue;
    if (name.endsWith('.json'))
      check(
        what,
        comparableRecord(page[name], '/files') === comparableRecord(cliFiles[name], folder),
        `the run record ${name} differs`,
      );
    else check(what, Buffer.compare(page[name], cliFiles[name]) === 0, `${name} differs`);
  }
}

// The next finished download.
async function downloaded(name) {
  const path = join(downloads, name);
  for (let i = 0; i < 400; ++i) {
    if (existsSync(path)) {
      const bytes = readFileSync(path);
      rmSync(path);
      return bytes;
    }
    await new Promise((r) => setTimeout(r, 25));
  }
  throw new Error(`the download ${name} did not arrive`);
}

const server = await serve(options.site);
const browser = await launch(puppeteer, options);
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 900 });
  page.on('pageerror', (error) => failures.push(`page error: ${error.message}`));
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  const url = `http://127.0.0.1:${server.address().port}/`;
  await page.goto(url);
  await page.waitForFunction(() => /is ready/.test(document.getElementById('status').textContent));

  const byId = (id) => page.$(`[data-testid="${id}"]`);
  const text = (id) => page.$eval(`[data-testid="${id}"]`, (e) => e.textContent);
  const type = async (id, value) => {
    await page.$eval(`[data-testid="${id}"]`, (e) => {
      e.value = '';
    });
    if (value !== '') await (await byId(id)).type(value);
    await page.$eval(`[data-testid="${id}"]`, (e) => e.dispatchEvent(new Event('change')));
  };
  const open = async (path) => {
    await page.$eval('#summary-line', (e) => {
      e.textContent = '';
    });
    await page.$eval('[data-testid="error"]', (e) => {
      e.textContent = '';
    });
    await (await byId('file-input')).uploadFile(path);
    await page.waitForFunction(
      () =>
        document.getElementById('summary-line').textContent ||
        document.querySelector('[data-testid="error"]').textContent,
    );
  };
  const run = async () => {
    await page.$eval('#progress-text', (e) => {
      e.textContent = '';
    });
    await (await byId('run')).click();
    await page.waitForFunction(() => /^(Done|Stopped)/.test(document.getElementById('progress-text').textContent), {
      timeout: 120000,
    });
  };
  // The zip's outputs, less what a rerun needs beside them (the given files)
  // and the figures drawn (checked on their own).
  const downloadAll = async (given = {}) => {
    const files = await downloadZip();
    for (const name of Object.keys(files))
      if ((given[name] && Buffer.compare(given[name], files[name]) === 0) || /-axes\d+-\d+\.svg$/.test(name))
        delete files[name];
    return files;
  };
  const downloadZip = async () => {
    await page.click('#tab-files');
    await (await byId('download-all')).click();
    return unzip(await downloaded(zipName));
  };

  // The zip is named after the outputs' base.
  let zipName = 'trout-L1345-P1236.zip';

  // Opening: what was read, from the core.
  const folder = folderWith('selection');
  await open(join(folder, 'trout.dat'));
  await (await byId('labels-input')).uploadFile(join(folder, 'trout.lab'));
  await page.waitForFunction(
    () => document.querySelector('#sample-table tbody td:nth-child(2)')?.textContent === 'Loire-A',
  );
  const summary = await page.$eval('#summary-line', (e) => e.textContent);
  const genotypeLines =
    readFileSync(join(folder, 'trout.dat'), 'latin1')
      .split(/\r?\n/)
      .filter((l) => l.trim()).length -
    1 -
    6;
  check(
    'open',
    summary === `trout.dat: 8 samples, 6 loci, ${genotypeLines} individuals, 33 alleles`,
    `summary "${summary}"`,
  );

  // A selection, a test with seeds: the report, each file and the zip against zeltric-cli.
  await type('loci', '1,3-5');
  await type('pops', '1-3,6');
  await type('test-count', '200');
  await type('seeds', '12345,67890');
  await run();
  check('selection', (await text('error')) === '', `error "${await text('error')}"`);
  const given = {
    'trout.dat': readFileSync(join(folder, 'trout.dat')),
    'trout.lab': readFileSync(join(folder, 'trout.lab')),
  };
  cli(folder, [
    '--labels',
    'trout.lab',
    '--loci',
    '1,3-5',
    '--pops',
    '1-3,6',
    '--test',
    '200',
    '--seeds',
    '12345,67890',
    'trout.dat',
  ]);
  const first = cliOutputs(folder, given);
  const base = 'trout-L1345-P1236';
  check(
    'report',
    (await text('report')) === first[base + '.pca'].toString('latin1').replace(/\r\n/g, '\n'),
    'the report is not the results file',
  );
  const zipped = await downloadZip();
  check(
    'zip',
    ['trout.dat', 'trout.lab'].every((name) => Buffer.compare(zipped[name] || Buffer.alloc(0), given[name]) === 0),
    'the zip lacks the files the run was given',
  );
  check('zip', !!zipped[base + '-axes1-2.svg'], `no figure in the zip: ${Object.keys(zipped)}`);
  compareFiles('selection (zip)', await downloadAll(given), first, realpathSync(folder));
  // The zip alone reruns, to the same bytes.
  const unzipped = join(work, 'unzipped');
  mkdirSync(unzipped);
  for (const [name, bytes] of Object.entries(zipped)) writeFileSync(join(unzipped, name), bytes);
  let rerun;
  try {
    rerun = {
      status: 0,
      stderr: execFileSync(resolve(options.cli), ['--threads', '1', '--rerun', base + '.json'], {
        cwd: unzipped,
        stdio: ['ignore', 'pipe', 'pipe'],
        encoding: 'utf8',
      }),
    };
  } catch (e) {
    rerun = { status: e.status, stderr: `${e.stdout}${e.stderr}` };
  }
  check('rerun of the zip', rerun.status === 0, `exit ${rerun.status}: ${rerun.stderr}`);
  for (const name of Object.keys(first).filter((n) => !n.endsWith('.json') && n !== 'ZELTRIC.INI')) {
    const again = join(unzipped, base + '-rerun', name);
    check(
      'rerun of the zip',
      existsSync(again) && Buffer.compare(readFileSync(again), first[name]) === 0,
      `${name} not rerun to the same bytes`,
    );
  }
  await page.click(`#files a[data-file="${base}.fre"]`);
  check(
    'one file',
    Buffer.compare(await downloaded(base + '.fre'), first[base + '.fre']) === 0,
    'the frequency file differs',
  );

  // The seeds went on as the seed file does: the field shows them, a reload
  // keeps them, and the next test continues zeltric-cli's stream.
  const [s1, s2] = first['ZELTRIC.INI'].toString('latin1').trim().split(/\s+/);
  check(
    'seeds',
    (await page.$eval('[data-testid="seeds"]', (e) => e.value)) === `${s1},${s2}`,
    "the seeds shown are not the seed file's",
  );
  await page.reload();
  await page.waitForFunction(() => /is ready/.test(document.getElementById('status').textContent));
  check(
    'seeds',
    (await page.$eval('[data-testid="seeds"]', (e) => e.value)) === `${s1},${s2}`,
    'the seeds did not survive a reload',
  );
  await open(join(folder, 'trout.dat'));
  zipName = 'trout.zip';
  await type('test-count', '100');
  await run();
  for (const name of Object.keys(first)) if (name !== 'ZELTRIC.INI') rmSync(join(folder, name));
  given['ZELTRIC.INI'] = first['ZELTRIC.INI'];
  cli(folder, ['--test', '100', 'trout.dat']);
  compareFiles('continued stream', await downloadAll(given), cliOutputs(folder, given), realpathSync(folder));

  // The plot and the figure: the core's SVG, as zeltric-cli writes it.
  await page.click('#tab-plot');
  check('plot', (await page.$$('[data-testid="plot"] .point')).length === 8, 'not eight samples on the plot');
  await page.select('#axis-y', '3');
  await page.waitForFunction(() =>
    /^Axis 3/.test(document.querySelectorAll('[data-testid="plot"] .title')[1]?.textContent || ''),
  );
  // From the last plot control, Tab reaches the first sample.
  await page.focus('#figure-intervals');
  await page.keyboard.press('Tab');
  check(
    'plot',
    /^1: -?\d+\.\d{4}, -?\d+\.\d{4}$/.test(await page.$eval('#plot-point', (e) => e.textContent)),
    'no name and coordinates on focus',
  );
  // Labels placed by the figure layer: no two overlap. One unit is as long
  // across as upwards. At phone width the plot takes the whole width and
  // its markers stay 8 pixels across.
  const plotFacts = () =>
    page.evaluate(() => {
      const svg = document.querySelector('[data-testid="plot"] svg');
      const boxes = [...svg.querySelectorAll('.point .label')].map((t) => t.getBoundingClientRect());
      const overlaps = boxes.filter((a, i) =>
        boxes.some((b, j) => j > i && a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom),
      ).length;
      const circle = svg.querySelector('.point circle').getBoundingClientRect();
      return {
        labels: boxes.length,
        overlaps,
        width: svg.getBoundingClientRect().width,
        marker: circle.width,
        viewport: document.documentElement.clientWidth,
      };
    });
  const wide = await plotFacts();
  check('plot', wide.labels >= 6 && wide.overlaps === 0, `${wide.labels} labels, ${wide.overlaps} overlapping`);
  await page.setViewport({ width: 390, height: 844 });
  await page.waitForFunction(
    () => document.querySelector('[data-testid="plot"] svg')?.getBoundingClientRect().width <= 390,
  );
  const phone = await plotFacts();
  check(
    'plot at 390 pixels',
    phone.width >= phone.viewport - 1 && phone.marker >= 8,
    `${phone.width} pixels wide of ${phone.viewport}, markers ${phone.marker} across`,
  );
  await page.setViewport({ width: 1280, height: 900 });
  await page.click('#figure-svg');
  cli(folder, [
    '--figure',
    'figure.svg',
    '--axes',
    '1,3',
    '--test',
    '100',
    '--seeds',
    `${s1},${s2}`,
    '--seed-file',
    'figure.ini',
    'trout.dat',
  ]);
  const svg = await downloaded('trout-axes1-3.svg');
  check(
    'figure',
    Buffer.compare(svg, readFileSync(join(folder, 'figure.svg'))) === 0,
    "the SVG figure is not zeltric-cli's",
  );
  await page.click('#figure-png');
  const png = await downloaded('trout-axes1-3.png');
  check(
    'figure',
    png.subarray(1, 4).toString() === 'PNG' && png.readUInt32BE(16) === 2400,
    'the PNG is not 2400 pixels across',
  );

  // A bootstrap over loci with its own seeds, no test, and the tables: the
  // files (the CSV tables among them) as zeltric-cli's.
  await type('test-count', '');
  await type('bootstrap', '200');
  await page.$eval('#bootstrap-seeds', (e) => {
    e.value = '4321,8765';
    e.dispatchEvent(new Event('change'));
  });
  await page.click('[data-testid="tables"]');
  await run();
  check('bootstrap', (await text('error')) === '', `error "${await text('error')}"`);
  check('bootstrap', /bootstrap/i.test(await text('report')), 'the report has no bootstrap section');
  for (const name of readdirSync(folder))
    if (!given[name]) rmSync(join(folder, name), { recursive: true, force: true });
  writeFileSync(join(folder, 'ZELTRIC.INI'), given['ZELTRIC.INI']);
  cli(folder, ['--bootstrap', '200', '--bootstrap-seeds', '4321,8765', '--tables', 'trout.dat']);
  const withTables = cliOutputs(folder, given);
  check(
    'tables',
    ['frequencies', 'samples', 'alleles', 'axes'].every((t) => withTables[`trout-${t}.csv`]),
    `zeltric-cli wrote ${Object.keys(withTables)}`,
  );
  compareFiles('bootstrap and tables', await downloadAll(given), withTables, realpathSync(folder));
  await page.click('[data-testid="tables"]');

  // The bootstrap's intervals go into the figure's titles only when asked:
  // without the box no interval text at all, with it zeltric-cli's figure.
  await page.click('#tab-plot');
  await page.waitForFunction(() => !document.getElementById('figure-svg').disabled);
  await page.click('#figure-svg');
  const plain = (await downloaded('trout-axes1-2.svg')).toString('utf8');
  check('figure without intervals', !/interval/i.test(plain), 'the SVG names an interval');
  await page.click('#figure-intervals');
  await page.waitForFunction(() =>
    /interval/.test(document.querySelectorAll('[data-testid="plot"] .title')[0]?.textContent || ''),
  );
  await page.click('#figure-svg');
  const withIntervals = await downloaded('trout-axes1-2.svg');
  cli(folder, [
    '--bootstrap',
    '200',
    '--bootstrap-seeds',
    '4321,8765',
    '--figure',
    'intervals.svg',
    '--figure-intervals',
    '--seed-file',
    'intervals.ini',
    'trout.dat',
  ]);
  check(
    'figure with intervals',
    Buffer.compare(withIntervals, readFileSync(join(folder, 'intervals.svg'))) === 0,
    "the SVG with intervals is not zeltric-cli's",
  );
  await page.click('#figure-intervals');
  await type('bootstrap', '');

  // Cancel a long test: the page stops, the shares taken so far are kept.
  await type('test-count', '15000');
  await page.$eval('#progress-text', (e) => {
    e.textContent = '';
  });
  await (await byId('run')).click();
  await page.waitForFunction(() => document.querySelector('[data-testid="progress"]').value >= 50);
  const cancelPressed = performance.now();
  await (await byId('cancel')).click();
  await page.waitForFunction(() => /^(Done|Stopped)/.test(document.getElementById('progress-text').textContent), {
    timeout: 120000,
  });
  // Cancel is taken between batches of about 30 ms; a loaded machine gets
  // a generous bound, a Cancel that waits for the test to end does not.
  const cancelSeconds = (performance.now() - cancelPressed) / 1000;
  check('cancel', cancelSeconds < 5, `the page stopped ${cancelSeconds.toFixed(1)} s after Cancel`);
  check(
    'cancel',
    /test cancelled/.test(await page.$eval('#progress-text', (e) => e.textContent)),
    'not reported as cancelled',
  );
  const cancelled = await downloadAll(given);
  const shares = cancelled['trout.per'] ? cancelled['trout.per'].toString('latin1').split('\r\n').length - 2 : -1;
  check('cancel', shares >= 50 && shares < 15000, `${shares} randomisations in the share file`);
  check('cancel', !(await page.$eval('[data-testid="run"]', (b) => b.disabled)), 'Run stays disabled');

  // Cancel during the observed analysis of a large file (500 samples, 50
  // loci, 5000 individuals): the run is abandoned at once, nothing written,
  // and the page works on (the next file below is read by a fresh worker).
  const large = ['500 50 10 2'];
  for (let l = 1; l <= 50; ++l) large.push(`L${l}`);
  let draw = 12345;
  const allele = (sample) => {
    draw = (draw * 1103515245 + 12345) % 2147483648;
    return 1 + ((draw >> 8) % 10 === 0 ? sample % 10 : (draw >> 12) % 10);
  };
  for (let i = 0; i < 5000; ++i) {
    const sample = 1 + Math.floor(i / 10);
    const codes = [];
    for (let l = 0; l < 50; ++l)
      codes.push(String(allele(sample)).padStart(2, '0') + String(allele(sample)).padStart(2, '0'));
    large.push(`${sample} ${codes.join(' ')}`);
  }
  const largeFolder = folderWith('large', { 'large.dat': Buffer.from(large.join('\r\n') + '\r\n', 'latin1') });
  await open(join(largeFolder, 'large.dat'));
  await type('test-count', '');
  await page.$eval('#progress-text', (e) => {
    e.textContent = '';
  });
  await (await byId('run')).click();
  await new Promise((r) => setTimeout(r, 300));
  const abandonPressed = performance.now();
  await (await byId('cancel')).click();
  await page.waitForFunction(() => /^(Done|Stopped)/.test(document.getElementById('progress-text').textContent), {
    timeout: 120000,
  });
  const abandonSeconds = (performance.now() - abandonPressed) / 1000;
  const abandonText = await page.$eval('#progress-text', (e) => e.textContent);
  check('cancel before the test', /cancelled before the test/.test(abandonText), `"${abandonText}"`);
  check('cancel before the test', abandonSeconds < 3, `the page stopped ${abandonSeconds.toFixed(1)} s after Cancel`);

  // A file in another format is recognised and summarised through its conversion.
  const lakes = [
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
  ];
  const foreign = folderWith('foreign', { 'lakes.gen': Buffer.from(lakes.join('\r\n') + '\r\n', 'latin1') });
  await open(join(foreign, 'lakes.gen'));
  const lakesSummary = await page.$eval('#summary-line', (e) => e.textContent);
  check(
    'Genepop',
    lakesSummary === 'lakes.gen: 3 samples, 2 loci, 9 individuals, 5 alleles (read as genepop)',
    `summary "${lakesSummary}"`,
  );

  // Bad inputs: zeltric-cli's own message.
  const bad = folderWith('bad', {
    'bad.dat': Buffer.from('2 2 2 2\r\nL1\r\nL2\r\n1 1 0101 0102\r\n1 2 0x01 0101\r\n2 1 0101 0101\r\n', 'latin1'),
  });
  await open(join(bad, 'bad.dat'));
  const badCli = cli(bad, ['bad.dat']);
  const shown = await text('error');
  check(
    'bad file',
    badCli.status !== 0 && shown.length > 0 && badCli.stderr.replace(/\n/g, ' ').includes(shown.replace(/\n/g, ' ')),
    `"${shown}" is not zeltric-cli's "${badCli.stderr}"`,
  );
  check('bad file', await page.$eval('[data-testid="run"]', (b) => b.disabled), 'Run is offered for a bad file');
  await open(join(bad, 'trout.dat'));
  await type('loci', '1,99');
  await run();
  const selectionCli = cli(bad, ['--loci', '1,99', 'trout.dat']);
  const selectionShown = await text('error');
  check(
    'bad selection',
    selectionCli.status !== 0 && selectionShown.length > 0 && selectionCli.stderr.includes(selectionShown),
    `"${selectionShown}" is not zeltric-cli's "${selectionCli.stderr}"`,
  );

  // A label file with the data file's name would replace it: refused, and
  // taking the labels away again brings the file back.
  const sameName = join(work, 'same-name');
  mkdirSync(sameName);
  copyFileSync(join(source, 'examples', 'trout.lab'), join(sameName, 'trout.dat'));
  await (await byId('labels-input')).uploadFile(join(sameName, 'trout.dat'));
  await page.waitForFunction(() => /both named/.test(document.querySelector('[data-testid="error"]').textContent));
  check('same name', await page.$eval('[data-testid="run"]', (b) => b.disabled), 'Run is offered');
  await page.click('#labels-clear');
  await page.waitForFunction(() => !document.querySelector('[data-testid="run"]').disabled);
  check('same name', (await text('error')) === '', 'the message stays');

  // Every control has a name for a screen reader, and neither width scrolls sideways.
  const unnamed = await page.$$eval('input, select, button, textarea', (controls) =>
    controls
      .filter(
        (c) =>
          !(c.labels && c.labels.length) &&
          !c.getAttribute('aria-label') &&
          !c.getAttribute('aria-labelledby') &&
          !(c.tagName === 'BUTTON' && c.textContent.trim()),
      )
      .map((c) => c.id || c.outerHTML.slice(0, 60)),
  );
  check('labels', unnamed.length === 0, `controls without a label: ${unnamed}`);
  for (const width of [1280, 768, 390]) {
    await page.setViewport({ width, height: 900 });
    const scroll = await page.evaluate(() => document.documentElement.scrollWidth);
    check('width', scroll <= width, `${scroll} pixels wide at ${width}`);
  }
  await page.setViewport({ width: 1280, height: 900 });

  // A look at the page at desktop and tablet widths, for people to judge.
  if (options.screenshots) {
    await open(join(folder, 'trout.dat'));
    await (await byId('labels-input')).uploadFile(join(folder, 'trout.lab'));
    await page.waitForFunction(
      () => document.querySelector('#sample-table tbody td:nth-child(2)')?.textContent === 'Loire-A',
    );
    await type('test-count', '1000');
    await run();
    await page.click('#tab-plot');
    // The Loire samples in one colour, the Rhone ones in another.
    for (const [sample, colour] of [
      [0, '#1f5fa8'],
      [1, '#1f5fa8'],
      [4, '#c0392b'],
      [5, '#c0392b'],
    ]) {
      await page.select('#colour-sample', String(sample));
      await page.$eval(
        '#colour',
        (e, c) => {
          e.value = c;
          e.dispatchEvent(new Event('input'));
        },
        colour,
      );
    }
    await page.focus('#figure-intervals');
    await page.keyboard.press('Tab');
    for (const width of [1280, 768, 390]) {
      await page.setViewport({ width, height: 900 });
      await new Promise((r) => setTimeout(r, 300));
      await page.screenshot({ path: join(options.screenshots, `web-page-${width}.png`), fullPage: width !== 1280 });
      await (await page.$('#panel-plot')).screenshot({ path: join(options.screenshots, `web-plot-${width}.png`) });
    }
  }
} finally {
  await browser.close();
  server.close();
  rmSync(work, { recursive: true, force: true });
}

if (failures.length) {
  for (const failure of failures) console.error(`page test: FAILED ${failure}`);
  process.exit(1);
}
console.error("page test: the page's files and messages match zeltric-cli");
