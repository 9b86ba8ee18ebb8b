// The statistics tab: the three tables of a run with statistics (the CSV
// files among its outputs, shown cell by cell, so what is read is what is
// downloaded), the core's heat map of pairwise theta, and its downloads.

import { $, showError } from './dom.js';
import { csvRecords, decodeText, pairwiseNote } from './texts.js';

const TABLES = [
  ['-loci.csv', 'stat-loci'],
  ['-pairwise.csv', 'stat-pairwise'],
  ['-sample-diversity.csv', 'stat-samples'],
];
// The heat map as PNG is this many pixels across.
const PNG_WIDTH = 2400;

export function pairwiseCancelled(record) {
  const test = record && record.statistics && record.statistics.pairwise && record.statistics.pairwise.test;
  return Boolean(test && test.cancelled);
}

function fillCsv(table, bytes) {
  table.tHead.textContent = '';
  table.tBodies[0].textContent = '';
  if (!bytes) return;
  const [header, ...rows] = csvRecords(decodeText(bytes));
  const head = table.tHead.insertRow();
  for (const title of header || []) {
    const th = document.createElement('th');
    th.scope = 'col';
    th.textContent = title;
    head.appendChild(th);
  }
  for (const cells of rows) {
    const tr = table.tBodies[0].insertRow();
    for (const cell of cells) tr.insertCell().textContent = cell;
  }
}

function figureText(value) {
  return typeof value === 'number' ? String(Number(value.toPrecision(6))) : 'undefined';
}

function heatMapName(state, extension) {
  return `${state.base}-pairwise-theta.${extension}`;
}

// Shows the statistics of a run's `outputs` (with its run `record`), or
// that the run had none.
export async function showStatistics(state, outputs, record) {
  state.heatMap = null;
  if (state.heatMapUrl) URL.revokeObjectURL(state.heatMapUrl);
  state.heatMapUrl = null;
  const present = TABLES.every(([suffix]) => outputs[state.base + suffix]);
  $('statistics-none').hidden = present;
  $('statistics-shown').hidden = !present;
  for (const [suffix, id] of TABLES) fillCsv($(id), present ? outputs[state.base + suffix] : null);
  $('heat-map').textContent = '';
  $('heat-map-svg').disabled = true;
  $('heat-map-png').disabled = true;
  if (!present) return;
  const s = (record && record.statistics) || {};
  const nei = s.nei || {};
  $('statistics-summary').textContent =
    `Weir and Cockerham: theta ${figureText(s.theta)}, F ${figureText(s.F)}, f ${figureText(s.f)}. ` +
    `Nei over ${nei.loci} loci: Ho ${figureText(nei.Ho)}, Hs ${figureText(nei.Hs)}, Ht ${figureText(nei.Ht)}, ` +
    `Dst ${figureText(nei.Dst)}, Fst ${figureText(nei.Fst)}, Fis ${figureText(nei.Fis)}.`;
  $('pairwise-note').textContent = pairwiseNote(s);
  const answer = await window.zeltric.heatMap();
  if (answer.error) {
    $('heat-map').textContent = answer.error;
    return;
  }
  state.heatMap = answer.svg;
  state.heatMapUrl = URL.createObjectURL(new Blob([answer.svg], { type: 'image/svg+xml' }));
  const image = $('heat-map').appendChild(document.createElement('img'));
  image.src = state.heatMapUrl;
  image.alt = 'Heat map of pairwise theta, samples in the order of the first axis';
  $('heat-map-svg').disabled = false;
  $('heat-map-png').disabled = false;
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

function savePng(state) {
  const image = new Image();
  image.onload = () => {
    const canvas = document.createElement('canvas');
    canvas.width = PNG_WIDTH;
    canvas.height = Math.round((image.height * PNG_WIDTH) / image.width);
    const context = canvas.getContext('2d');
    context.fillStyle = '#ffffff';
    context.fillRect(0, 0, canvas.width, canvas.height);
    context.drawImage(image, 0, 0, canvas.width, canvas.height);
    canvas.toBlob((blob) => saveBlob(blob, heatMapName(state, 'png')), 'image/png');
  };
  image.onerror = () => showError('The heat map could not be drawn as PNG in this browser; download it as SVG.');
  image.src = state.heatMapUrl;
}

export function wireStatistics(state) {
  $('heat-map-svg').addEventListener('click', () => {
    if (state.heatMap) saveBlob(new Blob([state.heatMap], { type: 'image/svg+xml' }), heatMapName(state, 'svg'));
  });
  $('heat-map-png').addEventListener('click', () => {
    if (state.heatMapUrl) savePng(state);
  });
}
