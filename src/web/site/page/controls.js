// The setup controls: opening files, the choices, the seeds, Run and
// Cancel, and the result tabs. Every check of the input and every message
// comes from the core through window.zeltric.

import { $, fillList, setStatus, showError } from './dom.js';
import { clearResults, showOutputs } from './downloads.js';
import { keepSeeds, parseSeeds, randomSeeds, seedMaxima, seedsOfSeedFile, storedSeeds } from './seeds.js';
import { baseOf, fileRequest, nameClash, runRequest } from './state.js';
import { countHints, progressText, summaryLine } from './texts.js';

// The controls a run holds still.
const SETUP_CONTROLS = [
  'file-input',
  'labels-input',
  'format',
  'loci',
  'pops',
  'test-count',
  'seeds',
  'seeds-reset',
  'bootstrap',
  'bootstrap-seeds',
  'tables',
];

function readFile(file) {
  return file.arrayBuffer().then((buffer) => ({ name: file.name, bytes: new Uint8Array(buffer) }));
}

function fillTable(table, rows) {
  const body = table.tBodies[0];
  body.textContent = '';
  for (const cells of rows) {
    const tr = body.insertRow();
    for (const cell of cells) tr.insertCell().textContent = cell;
  }
}

// The core's ranges in the count fields' hints and bounds.
export function applyLimits(state, limits) {
  state.limits = limits;
  const hints = countHints(limits);
  $('test-hint').textContent = hints.test;
  $('bootstrap-hint').textContent = hints.bootstrap;
  $('test-count').min = limits.minRandomisations;
  $('test-count').max = limits.maxRandomisations;
  $('bootstrap').min = limits.minReplicates;
  $('bootstrap').max = limits.maxReplicates;
}

// Shows the pair and keeps it in this browser.
function showSeeds(seeds) {
  keepSeeds(localStorage, seeds);
  $('seeds').value = seeds.join(',');
}

const newSeeds = (state) => randomSeeds(seedMaxima(state.limits), (values) => crypto.getRandomValues(values));

// The kept pair, or a new one; needs the core's ranges.
export function loadSeeds(state) {
  showSeeds(storedSeeds(localStorage, seedMaxima(state.limits)) || newSeeds(state));
}

async function summarise(state) {
  if (!state.data) return;
  const name = state.data.name;
  setStatus('Reading ' + name + '…');
  const clash = nameClash(state);
  const summary = clash ? { error: clash } : await window.zeltric.summary(fileRequest(state, $('format').value));
  // Another file was opened meanwhile: its own summary follows.
  if (!state.data || state.data.name !== name) return;
  state.summary = summary.error ? null : summary;
  $('summary').hidden = !state.summary;
  $('run').disabled = !state.summary || state.running;
  if (summary.error) {
    showError(summary.error);
    setStatus(name + ' could not be read.');
    return;
  }
  showError('');
  const line = summaryLine(name, summary);
  $('summary-line').textContent = line;
  setStatus(line);
  fillTable(
    $('sample-table'),
    summary.sampleNames.map((n, i) => [i + 1, n, summary.sampleSizes[i]]),
  );
  fillTable(
    $('locus-table'),
    summary.locusNames.map((n, i) => [i + 1, n, summary.allelesPerLocus[i]]),
  );
  fillList($('notes'), summary.notes || []);
}

async function openData(state, file) {
  if (!file || state.running) return;
  state.data = await readFile(file);
  state.base = baseOf(state.data.name);
  clearResults(state);
  $('loci').value = '';
  $('pops').value = '';
  await summarise(state);
}

// Reports a run's progress; the rate counts from the start of each stage.
function progressReporter() {
  let stage = null;
  let started = 0;
  return (progress) => {
    const now = performance.now();
    if (progress.stage !== stage) {
      stage = progress.stage;
      started = now;
    }
    const bar = $('progress');
    bar.max = Math.max(progress.total, 1);
    bar.value = progress.done;
    const elapsed = (now - started) / 1000;
    $('progress-text').textContent = progressText(progress, elapsed > 0.2 ? progress.done / elapsed : 0);
  };
}

function setRunning(state, running) {
  state.running = running;
  $('run').disabled = running || !state.summary;
  $('cancel').disabled = !running;
  for (const id of SETUP_CONTROLS) $(id).disabled = running;
  $('labels-clear').disabled = running || !state.labels;
}

async function run(state) {
  if (!state.summary || state.running) return;
  const request = runRequest(state, {
    format: $('format').value,
    loci: $('loci').value,
    pops: $('pops').value,
    test: $('test-count').value,
    seeds: $('seeds').value,
    bootstrap: $('bootstrap').value,
    bootstrapSeeds: $('bootstrap-seeds').value,
    tables: $('tables').checked,
  });
  showError('');
  $('messages').textContent = '';
  $('progress').value = 0;
  $('progress-text').textContent = request.test || request.bootstrap ? 'Starting…' : 'Running…';
  setRunning(state, true);
  const started = performance.now();
  let result;
  try {
    result = await window.zeltric.run(request, progressReporter());
  } catch (e) {
    result = { outputs: {}, messages: [], error: String(e && e.message ? e.message : e), status: 3 };
  }
  setRunning(state, false);
  const elapsed = (performance.now() - started) / 1000;
  fillList($('messages'), result.messages || []);
  if (result.error) {
    showError(result.error);
    $('progress-text').textContent = 'Stopped: see the message.';
  } else if (result.abandoned) {
    $('progress-text').textContent = 'Stopped: cancelled before the test, nothing was written.';
  } else {
    const cancelled = result.record && result.record.cancelled;
    $('progress-text').textContent =
      'Done in ' + elapsed.toFixed(2) + ' s' + (cancelled ? ' (test cancelled)' : '') + '.';
  }
  const outputs = result.outputs || {};
  // The stream goes on from where the test left it, as the seed file does.
  if (request.test && outputs['ZELTRIC.INI']) {
    const seeds = seedsOfSeedFile(outputs['ZELTRIC.INI'], seedMaxima(state.limits));
    if (seeds) showSeeds(seeds);
  }
  showOutputs(state, outputs, true, request.files);
}

function wireFiles(state) {
  $('file-input').addEventListener('change', () => openData(state, $('file-input').files[0]));
  $('format').addEventListener('change', () => summarise(state));
  $('labels-input').addEventListener('change', async () => {
    const file = $('labels-input').files[0];
    state.labels = file ? await readFile(file) : null;
    $('labels-clear').disabled = !state.labels;
    await summarise(state);
  });
  $('labels-clear').addEventListener('click', async () => {
    state.labels = null;
    $('labels-input').value = '';
    $('labels-clear').disabled = true;
    await summarise(state);
  });
  const drop = $('drop');
  for (const type of ['dragenter', 'dragover']) {
    document.addEventListener(type, (event) => {
      event.preventDefault();
      drop.classList.add('over');
    });
  }
  document.addEventListener('dragleave', (event) => {
    if (!event.relatedTarget) drop.classList.remove('over');
  });
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    drop.classList.remove('over');
    const files = event.dataTransfer && event.dataTransfer.files;
    if (files && files.length) openData(state, files[0]);
  });
}

// The result tabs; the arrow keys move between them.
function wireTabs() {
  const tabs = ['tab-report', 'tab-plot', 'tab-files'].map($);
  const select = (tab) => {
    for (const other of tabs) {
      const selected = other === tab;
      other.setAttribute('aria-selected', String(selected));
      other.tabIndex = selected ? 0 : -1;
      $(other.getAttribute('aria-controls')).hidden = !selected;
    }
  };
  tabs.forEach((tab, i) => {
    tab.addEventListener('click', () => select(tab));
    tab.addEventListener('keydown', (event) => {
      const step = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
      if (!step) return;
      const next = tabs[(i + step + tabs.length) % tabs.length];
      select(next);
      next.focus();
    });
  });
}

export function wireControls(state) {
  wireFiles(state);
  $('seeds').addEventListener('change', () => {
    // A bad pair stays in the field: the run reports it as zeltric-cli does.
    const seeds = state.limits && parseSeeds($('seeds').value, seedMaxima(state.limits));
    if (seeds) showSeeds(seeds);
  });
  $('seeds-reset').addEventListener('click', () => {
    if (state.limits) showSeeds(newSeeds(state));
  });
  $('run').addEventListener('click', () => run(state));
  $('cancel').addEventListener('click', () => {
    window.zeltric.cancel();
    $('progress-text').textContent = 'Cancelling…';
  });
  wireTabs();
}
