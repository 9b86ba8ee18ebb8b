// The run's outputs: the report, one link per file, the whole set as a zip,
// and the figure as SVG (the core's) or PNG (that SVG on a canvas).

import { $, showError } from './dom.js';
import { clearPlot, chosenAxes, drawFigure } from './plot.js';
import { figureName, zipEntries } from './state.js';
import { decodeText } from './texts.js';

// The figure as PNG is this many pixels across.
const PNG_WIDTH = 2400;

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

// The results file among the outputs (its name ends in .pca), or undefined.
export function reportName(names) {
  return names.find((n) => n.endsWith('.pca'));
}

// Shows a run's outputs (the run was given `inputs`); `drawn` draws the
// figure of axes 1 and 2.
export function showOutputs(state, outputs, drawn = true, inputs = {}) {
  state.outputs = outputs;
  state.inputs = inputs;
  for (const url of state.urls) URL.revokeObjectURL(url);
  state.urls = [];
  const names = Object.keys(outputs).sort();
  const report = reportName(names);
  $('report').textContent = report ? decodeText(outputs[report]) : 'No results file was written.';
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
  if (report) state.base = report.slice(0, -'.pca'.length);
  if (drawn) {
    state.figure = null;
    drawFigure(state, 1, 2, true);
  } else {
    clearPlot(state);
  }
}

// The results of another file do not stay beside a new one.
export function clearResults(state) {
  showError('');
  $('messages').textContent = '';
  $('progress').value = 0;
  $('progress-text').textContent = '';
  showOutputs(state, {}, false);
  $('report').textContent = 'Press Run; the results file appears here.';
}

function savePng(state) {
  const image = new Image();
  const url = URL.createObjectURL(new Blob([state.figure.svg], { type: 'image/svg+xml' }));
  const [x, y] = chosenAxes();
  image.onload = () => {
    const canvas = document.createElement('canvas');
    canvas.width = PNG_WIDTH;
    canvas.height = Math.round((image.height * PNG_WIDTH) / image.width);
    const context = canvas.getContext('2d');
    context.fillStyle = '#ffffff';
    context.fillRect(0, 0, canvas.width, canvas.height);
    context.drawImage(image, 0, 0, canvas.width, canvas.height);
    URL.revokeObjectURL(url);
    canvas.toBlob((blob) => saveBlob(blob, figureName(state.base, x, y, 'png')), 'image/png');
  };
  image.onerror = () => {
    URL.revokeObjectURL(url);
    showError('The figure could not be drawn as PNG in this browser; download it as SVG.');
  };
  image.src = url;
}

export function wireDownloads(state) {
  $('download-all').addEventListener('click', () => {
    if (!Object.keys(state.outputs).length) return;
    const [x, y] = chosenAxes();
    const figures = state.figure
      ? [{ name: figureName(state.base, x, y, 'svg'), bytes: new TextEncoder().encode(state.figure.svg) }]
      : [];
    const entries = zipEntries(state.outputs, state.inputs, figures);
    if (entries.length)
      saveBlob(new Blob([window.zeltricZip(entries)], { type: 'application/zip' }), state.base + '.zip');
  });
  $('figure-svg').addEventListener('click', () => {
    if (!state.figure) return;
    const [x, y] = chosenAxes();
    saveBlob(new Blob([state.figure.svg], { type: 'image/svg+xml' }), figureName(state.base, x, y, 'svg'));
  });
  $('figure-png').addEventListener('click', () => {
    if (state.figure) savePng(state);
  });
}
