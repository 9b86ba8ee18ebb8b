// The page: open a file, choose, run, read, plot, download. Every analysis,
// every check of the input and every message comes from the core through
// window.zeltric; the page only gathers the request and shows the answer.
(function () {
  'use strict';
  const $ = (id) => document.getElementById(id);
  const SEEDS_KEY = 'zeltric.seeds';
  // The generator's ranges (the desktop's seed dialog gives the same).
  const SEED_MAX = [2147483562, 2147483398];

  const state = {
    data: null,        // {name, bytes}
    labels: null,      // {name, bytes}
    summary: null,
    running: false,
    outputs: {},
    base: 'zeltric',
    figure: null,
    colours: [],
    urls: [],
  };

  // ---- small helpers ------------------------------------------------------

  function plural(n, one, many) {
    return n + ' ' + (n === 1 ? one : many);
  }

  function decodeText(bytes) {
    // As the desktop shows a results file: UTF-8, else Latin-1; any line end.
    let text;
    try {
      text = new TextDecoder('utf-8', { fatal: true }).decode(bytes);
    } catch (e) {
      text = new TextDecoder('latin1').decode(bytes);
    }
    return text.replace(/\r\n|\n\r|\r/g, '\n');
  }

  function showError(text) {
    const box = $('error');
    box.textContent = text || '';
    box.hidden = !text;
  }

  function setStatus(text) {
    $('status').textContent = text;
  }

  function readFile(file) {
    return file.arrayBuffer().then((buffer) => ({ name: file.name, bytes: new Uint8Array(buffer) }));
  }

  function saveBlob(blob, name) {
    const url = URL.createObjectURL(blob);
    const link = document.createElement('a');
    link.href = url;
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
  }

  // ---- seeds: kept in this browser as the seed file keeps them -------------

  function parseSeeds(text) {
    const parts = String(text).trim().split(/[\s,;]+/);
    if (parts.length !== 2 || !parts.every((p) => /^\d+$/.test(p))) return null;
    const seeds = parts.map(Number);
    return seeds.every((s, i) => s >= 1 && s <= SEED_MAX[i]) ? seeds : null;
  }

  function randomSeeds() {
    const values = new Uint32Array(2);
    crypto.getRandomValues(values);
    return [1 + (values[0] % SEED_MAX[0]), 1 + (values[1] % SEED_MAX[1])];
  }

  function storeSeeds(seeds) {
    try {
      localStorage.setItem(SEEDS_KEY, seeds.join(','));
    } catch (e) {
      // Storage refused (private mode): the field still holds them.
    }
    $('seeds').value = seeds.join(',');
  }

  function loadSeeds() {
    let stored = null;
    try {
      stored = parseSeeds(localStorage.getItem(SEEDS_KEY) || '');
    } catch (e) {
      stored = null;
    }
    storeSeeds(stored || randomSeeds());
  }

  $('seeds').addEventListener('change', () => {
    const seeds = parseSeeds($('seeds').value);
    // A bad pair stays in the field: the run reports it as zeltric-cli does.
    if (seeds) storeSeeds(seeds);
  });
  $('seeds-reset').addEventListener('click', () => storeSeeds(randomSeeds()));

  // ---- opening a file ------------------------------------------------------

  function request() {
    const files = {};
    if (state.data) files[state.data.name] = state.data.bytes;
    if (state.labels) files[state.labels.name] = state.labels.bytes;
    const r = { files, data: state.data ? state.data.name : '' };
    if (state.labels) r.labels = state.labels.name;
    if ($('format').value) r.format = $('format').value;
    return r;
  }

  function fillTable(table, rows) {
    const body = table.tBodies[0];
    body.textContent = '';
    for (const cells of rows) {
      const tr = body.insertRow();
      for (const cell of cells) tr.insertCell().textContent = cell;
    }
  }

  async function summarise() {
    if (!state.data) return;
    const name = state.data.name;
    setStatus('Reading ' + name + '…');
    // Both go into one folder under their own names; one would replace the other.
    const summary = state.labels && state.labels.name === name
      ? { error: 'The label file and the data file are both named "' + name + '"; rename one of them.' }
      : await window.zeltric.summary(request());
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
    const line = name + ': ' + plural(summary.samples, 'sample', 'samples') + ', ' +
      plural(summary.loci, 'locus', 'loci') + ', ' + plural(summary.individuals, 'individual', 'individuals') +
      ', ' + plural(summary.alleles, 'allele', 'alleles') +
      (summary.format !== 'zeltric' ? ' (read as ' + summary.format + ')' : '');
    $('summary-line').textContent = line;
    setStatus(line);
    fillTable($('sample-table'), summary.sampleNames.map((n, i) => [i + 1, n, summary.sampleSizes[i]]));
    fillTable($('locus-table'), summary.locusNames.map((n, i) => [i + 1, n, summary.allelesPerLocus[i]]));
    const notes = $('notes');
    notes.textContent = '';
    for (const note of summary.notes || []) notes.appendChild(document.createElement('li')).textContent = note;
  }

  async function openData(file) {
    if (!file || state.running) return;
    state.data = await readFile(file);
    state.base = state.data.name.replace(/\.[^.]*$/, '') || 'zeltric';
    clearResults();
    $('loci').value = '';
    $('pops').value = '';
    await summarise();
  }

  $('file-input').addEventListener('change', () => openData($('file-input').files[0]));
  $('format').addEventListener('change', () => summarise());
  $('labels-input').addEventListener('change', async () => {
    const file = $('labels-input').files[0];
    state.labels = file ? await readFile(file) : null;
    $('labels-clear').disabled = !state.labels;
    await summarise();
  });
  $('labels-clear').addEventListener('click', async () => {
    state.labels = null;
    $('labels-input').value = '';
    $('labels-clear').disabled = true;
    await summarise();
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
    if (files && files.length) openData(files[0]);
  });

  // ---- running -------------------------------------------------------------

  function seconds(value) {
    if (!isFinite(value)) return '';
    if (value < 60) return Math.ceil(value) + ' s';
    const whole = Math.round(value);
    return Math.floor(whole / 60) + ' min ' + (whole % 60) + ' s';
  }

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
      const rate = elapsed > 0.2 ? progress.done / elapsed : 0;
      const what = progress.stage === 'bootstrap' ? 'Bootstrap: ' + progress.done + ' / ' + progress.total + ' replicates'
        : 'Test: ' + progress.done + ' / ' + progress.total + ' randomisations';
      let text = what;
      if (rate > 0) {
        text += ', ' + (rate >= 10 ? Math.round(rate) : rate.toFixed(1)) + ' per second';
        if (progress.done < progress.total) text += ', about ' + seconds((progress.total - progress.done) / rate) + ' left';
      }
      $('progress-text').textContent = text;
    };
  }

  function setRunning(running) {
    state.running = running;
    $('run').disabled = running || !state.summary;
    $('cancel').disabled = !running;
    for (const id of ['file-input', 'labels-input', 'format', 'loci', 'pops', 'test-count', 'seeds', 'seeds-reset',
                      'bootstrap', 'bootstrap-seeds'])
      $(id).disabled = running;
    $('labels-clear').disabled = running || !state.labels;
  }

  async function run() {
    if (!state.summary || state.running) return;
    const r = request();
    const loci = $('loci').value.trim();
    const pops = $('pops').value.trim();
    if (loci) r.loci = loci;
    if (pops) r.pops = pops;
    const test = $('test-count').value.trim();
    if (test) {
      r.test = test;
      r.seeds = $('seeds').value.trim();
    }
    const bootstrap = $('bootstrap').value.trim();
    if (bootstrap) {
      r.bootstrap = bootstrap;
      const bootstrapSeeds = $('bootstrap-seeds').value.trim();
      if (bootstrapSeeds) r.bootstrapSeeds = bootstrapSeeds;
    }
    showError('');
    $('messages').textContent = '';
    $('progress').value = 0;
    $('progress-text').textContent = test || bootstrap ? 'Starting…' : 'Running…';
    setRunning(true);
    const started = performance.now();
    let result;
    try {
      result = await window.zeltric.run(r, progressReporter());
    } catch (e) {
      result = { outputs: {}, messages: [], error: String(e && e.message ? e.message : e), status: 3 };
    }
    setRunning(false);
    const elapsed = (performance.now() - started) / 1000;
    for (const message of result.messages || []) $('messages').appendChild(document.createElement('li')).textContent = message;
    if (result.error) {
      showError(result.error);
      $('progress-text').textContent = 'Stopped: see the message.';
    } else {
      const cancelled = result.record && result.record.cancelled;
      $('progress-text').textContent = 'Done in ' + elapsed.toFixed(2) + ' s' + (cancelled ? ' (test cancelled)' : '') + '.';
    }
    // The stream goes on from where the test left it, as the seed file does.
    if (r.test && result.outputs['ZELTRIC.INI']) {
      const seeds = parseSeeds(new TextDecoder('latin1').decode(result.outputs['ZELTRIC.INI']));
      if (seeds) storeSeeds(seeds);
    }
    showOutputs(result.outputs || {});
  }

  $('run').addEventListener('click', run);
  $('cancel').addEventListener('click', () => {
    window.zeltric.cancel();
    $('progress-text').textContent = 'Cancelling…';
  });

  // ---- results ------------------------------------------------------------

  function showOutputs(outputs, drawn = true) {
    state.outputs = outputs;
    for (const url of state.urls) URL.revokeObjectURL(url);
    state.urls = [];
    const names = Object.keys(outputs).sort();
    const reportName = names.find((n) => n.endsWith('.pca'));
    $('report').textContent = reportName ? decodeText(outputs[reportName]) : 'No results file was written.';
    const list = $('files');
    list.textContent = '';
    for (const name of names) {
      const url = URL.createObjectURL(new Blob([outputs[name]], { type: 'application/octet-stream' }));
      state.urls.push(url);
      const item = list.appendChild(document.createElement('li'));
      const link = item.appendChild(document.createElement('a'));
      link.href = url;
      link.download = name;
      link.textContent = name;
      link.dataset.file = name;
      item.appendChild(document.createTextNode(' (' + outputs[name].length + ' bytes)'));
    }
    $('download-all').disabled = names.length === 0;
    if (reportName) state.base = reportName.slice(0, -4);
    state.figure = null;
    if (drawn) {
      drawFigure(1, 2, true);
    } else {
      $('plot').textContent = '';
      $('figure-svg').disabled = $('figure-png').disabled = true;
      for (const id of ['axis-x', 'axis-y', 'colour-sample']) $(id).textContent = '';
    }
  }

  // The results of another file do not stay beside a new one.
  function clearResults() {
    showError('');
    $('messages').textContent = '';
    $('progress').value = 0;
    $('progress-text').textContent = '';
    showOutputs({}, false);
    $('report').textContent = 'Press Run; the results file appears here.';
  }

  $('download-all').addEventListener('click', () => {
    const entries = Object.keys(state.outputs).sort().map((name) => ({ name, bytes: state.outputs[name] }));
    if (entries.length) saveBlob(new Blob([window.zeltricZip(entries)], { type: 'application/zip' }), state.base + '.zip');
  });

  // ---- the plot ------------------------------------------------------------

  const SVG = 'http://www.w3.org/2000/svg';
  function svgElement(name, attributes, parent) {
    const element = document.createElementNS(SVG, name);
    for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
    if (parent) parent.appendChild(element);
    return element;
  }

  const hex = (rgb) => '#' + (rgb >>> 0).toString(16).padStart(6, '0');

  function fillAxes(select, count, chosen) {
    select.textContent = '';
    for (let k = 1; k <= count; ++k) {
      const option = select.appendChild(document.createElement('option'));
      option.value = k;
      option.textContent = 'Axis ' + k;
    }
    select.value = chosen;
  }

  async function drawFigure(x, y, fresh) {
    const plot = $('plot');
    const figure = await window.zeltric.figure({ x, y, colours: state.colours.map((c) => c.slice(1)) });
    plot.textContent = '';
    $('figure-svg').disabled = $('figure-png').disabled = !!figure.error;
    if (figure.error) {
      state.figure = null;
      plot.appendChild(document.createElement('p')).textContent = figure.error;
      if (fresh) for (const id of ['axis-x', 'axis-y', 'colour-sample']) $(id).textContent = '';
      return;
    }
    state.figure = figure;
    if (fresh || state.colours.length !== figure.samples.length) {
      state.colours = figure.samples.map((s) => hex(s.rgb));
      fillAxes($('axis-x'), figure.axes, x);
      fillAxes($('axis-y'), figure.axes, y);
      const select = $('colour-sample');
      select.textContent = '';
      figure.samples.forEach((s, i) => {
        const option = select.appendChild(document.createElement('option'));
        option.value = i;
        option.textContent = (i + 1) + ': ' + s.label;
      });
      $('colour').value = state.colours[0] || '#000000';
    }
    drawPlot(figure);
  }

  // The samples on the chosen plane; the vertical axis grows upwards as in
  // the figure file.
  function drawPlot(figure) {
    const plot = $('plot');
    const width = 640, height = 440, margin = { left: 78, right: 24, top: 16, bottom: 60 };
    const xs = figure.samples.map((s) => s.x), ys = figure.samples.map((s) => s.y);
    const span = (values) => {
      let lo = Math.min(0, ...values), hi = Math.max(0, ...values);
      if (hi - lo < 1e-12) { lo -= 1; hi += 1; }
      const pad = (hi - lo) * 0.08;
      return [lo - pad, hi + pad];
    };
    const [x0, x1] = span(xs), [y0, y1] = span(ys);
    const px = (v) => margin.left + (v - x0) / (x1 - x0) * (width - margin.left - margin.right);
    const py = (v) => height - margin.bottom - (v - y0) / (y1 - y0) * (height - margin.top - margin.bottom);
    const svg = svgElement('svg', { viewBox: `0 0 ${width} ${height}`, class: 'plot-svg' }, plot);
    svgElement('rect', { x: margin.left, y: margin.top, width: width - margin.left - margin.right,
                         height: height - margin.top - margin.bottom, class: 'frame' }, svg);
    svgElement('line', { x1: px(0), x2: px(0), y1: margin.top, y2: height - margin.bottom, class: 'zero' }, svg);
    svgElement('line', { x1: margin.left, x2: width - margin.right, y1: py(0), y2: py(0), class: 'zero' }, svg);
    svgElement('text', { x: (margin.left + width - margin.right) / 2, y: height - 12, class: 'title', 'text-anchor': 'middle' }, svg)
      .textContent = figure.xTitle;
    svgElement('text', { x: 0, y: 0, class: 'title', 'text-anchor': 'middle',
                         transform: `translate(18 ${(margin.top + height - margin.bottom) / 2}) rotate(-90)` }, svg)
      .textContent = figure.yTitle;
    // Tick marks at steps of 1, 2 or 5 times a power of ten.
    const ticks = (lo, hi) => {
      const raw = (hi - lo) / 6;
      const power = Math.pow(10, Math.floor(Math.log10(raw)));
      const step = [1, 2, 5, 10].map((m) => m * power).find((v) => v >= raw);
      const decimals = Math.max(0, -Math.floor(Math.log10(step)));
      const out = [];
      for (let v = Math.ceil(lo / step) * step; v <= hi + step * 1e-9; v += step)
        out.push([v, (Math.abs(v) < step / 2 ? 0 : v).toFixed(decimals).replace('-', '\u2212')]);
      return out;
    };
    for (const [v, label] of ticks(x0, x1)) {
      svgElement('line', { x1: px(v), x2: px(v), y1: height - margin.bottom, y2: height - margin.bottom + 4, class: 'tick' }, svg);
      svgElement('text', { x: px(v), y: height - margin.bottom + 16, class: 'tick-label', 'text-anchor': 'middle' }, svg).textContent = label;
    }
    for (const [v, label] of ticks(y0, y1)) {
      svgElement('line', { x1: margin.left - 4, x2: margin.left, y1: py(v), y2: py(v), class: 'tick' }, svg);
      svgElement('text', { x: margin.left - 6, y: py(v) + 4, class: 'tick-label', 'text-anchor': 'end' }, svg).textContent = label;
    }
    const info = $('plot-point');
    figure.samples.forEach((s, i) => {
      const text = `${s.label}: ${s.x.toFixed(4)}, ${s.y.toFixed(4)}`;
      const group = svgElement('g', { class: 'point', tabindex: 0, role: 'img', 'aria-label': text }, svg);
      group.style.color = state.colours[i];
      svgElement('circle', { cx: px(s.x), cy: py(s.y), r: 4.5 }, group);
      svgElement('text', { x: px(s.x) + 7, y: py(s.y) - 6, class: 'label' }, group).textContent = s.label;
      svgElement('title', {}, group).textContent = text;
      const show = () => {
        info.textContent = text;
        $('colour-sample').value = i;
        $('colour').value = state.colours[i];
      };
      group.addEventListener('mouseenter', show);
      group.addEventListener('focus', show);
    });
  }

  function chosenAxes() {
    return [Number($('axis-x').value) || 1, Number($('axis-y').value) || 2];
  }
  for (const id of ['axis-x', 'axis-y']) $(id).addEventListener('change', () => drawFigure(...chosenAxes(), false));
  $('colour-sample').addEventListener('change', () => {
    $('colour').value = state.colours[Number($('colour-sample').value)] || '#000000';
  });
  $('colour').addEventListener('input', () => {
    state.colours[Number($('colour-sample').value) || 0] = $('colour').value;
    drawFigure(...chosenAxes(), false);
  });
  $('colour-all').addEventListener('click', () => {
    state.colours = state.colours.map(() => $('colour').value);
    drawFigure(...chosenAxes(), false);
  });

  function figureName(extension) {
    const [x, y] = chosenAxes();
    return `${state.base}-axes${x}-${y}.${extension}`;
  }

  $('figure-svg').addEventListener('click', () => {
    if (state.figure) saveBlob(new Blob([state.figure.svg], { type: 'image/svg+xml' }), figureName('svg'));
  });
  // The PNG is the figure's SVG drawn on a canvas, 2400 pixels across.
  $('figure-png').addEventListener('click', () => {
    if (!state.figure) return;
    const image = new Image();
    const url = URL.createObjectURL(new Blob([state.figure.svg], { type: 'image/svg+xml' }));
    image.onload = () => {
      const scale = 2400 / image.width;
      const canvas = document.createElement('canvas');
      canvas.width = 2400;
      canvas.height = Math.round(image.height * scale);
      const context = canvas.getContext('2d');
      context.fillStyle = '#ffffff';
      context.fillRect(0, 0, canvas.width, canvas.height);
      context.drawImage(image, 0, 0, canvas.width, canvas.height);
      URL.revokeObjectURL(url);
      canvas.toBlob((blob) => saveBlob(blob, figureName('png')), 'image/png');
    };
    image.onerror = () => {
      URL.revokeObjectURL(url);
      showError('The figure could not be drawn as PNG in this browser; download it as SVG.');
    };
    image.src = url;
  });

  // ---- tabs (arrow keys move between them) ---------------------------------

  const tabs = ['tab-report', 'tab-plot', 'tab-files'].map($);
  function selectTab(tab) {
    for (const other of tabs) {
      const selected = other === tab;
      other.setAttribute('aria-selected', String(selected));
      other.tabIndex = selected ? 0 : -1;
      $(other.getAttribute('aria-controls')).hidden = !selected;
    }
  }
  tabs.forEach((tab, i) => {
    tab.addEventListener('click', () => selectTab(tab));
    tab.addEventListener('keydown', (event) => {
      const step = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
      if (!step) return;
      const next = tabs[(i + step + tabs.length) % tabs.length];
      selectTab(next);
      next.focus();
    });
  });

  // ---- start ---------------------------------------------------------------

  loadSeeds();
  window.zeltric.ready.then(
    (version) => setStatus('ZELTRIC ' + version + ' is ready; nothing you analyse leaves this computer.'),
    (error) => setStatus('The analysis module could not be loaded: ' + error.message));
})();
