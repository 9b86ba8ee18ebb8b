// The plot: the last run's samples on the chosen pair of axes, drawn over
// the ranges, ticks and titles the figure layer computed (the figure file
// shows the same), with the colours chosen here.

import { $ } from './dom.js';
import { hexColour } from './texts.js';

const SVG = 'http://www.w3.org/2000/svg';
const WIDTH = 640;
const HEIGHT = 440;
const MARGIN = { left: 78, right: 24, top: 16, bottom: 60 };

function svgElement(name, attributes, parent) {
  const element = document.createElementNS(SVG, name);
  for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
  if (parent) parent.appendChild(element);
  return element;
}

// The map from an axis's range (the core's {lo, hi}) onto from..to pixels;
// `to` may be smaller than `from` (the vertical axis grows upwards).
export function axisMap(scale, from, to) {
  return (value) => from + ((value - scale.lo) / (scale.hi - scale.lo)) * (to - from);
}

// The axes offered: 1..count, the chosen one selected.
function fillAxes(select, count, chosen) {
  select.textContent = '';
  for (let k = 1; k <= count; ++k) {
    const option = select.appendChild(document.createElement('option'));
    option.value = k;
    option.textContent = 'Axis ' + k;
  }
  select.value = chosen;
}

// Empties the plot and its choices (no run, or another file).
export function clearPlot(state) {
  state.figure = null;
  $('plot').textContent = '';
  $('figure-svg').disabled = $('figure-png').disabled = true;
  for (const id of ['axis-x', 'axis-y', 'colour-sample']) $(id).textContent = '';
}

// Asks the core for the figure of axes x and y and draws it. `fresh` (a new
// run) takes the core's colours and offers its axes again.
export async function drawFigure(state, x, y, fresh) {
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
    state.colours = figure.samples.map((s) => hexColour(s.rgb));
    fillAxes($('axis-x'), figure.axes, x);
    fillAxes($('axis-y'), figure.axes, y);
    const select = $('colour-sample');
    select.textContent = '';
    figure.samples.forEach((s, i) => {
      const option = select.appendChild(document.createElement('option'));
      option.value = i;
      option.textContent = i + 1 + ': ' + s.label;
    });
    $('colour').value = state.colours[0] || '#000000';
  }
  drawPlot(figure, state.colours);
}

// The samples on the chosen plane in the figure's ranges; the vertical axis
// grows upwards as in the figure file.
function drawPlot(figure, colours) {
  const plot = $('plot');
  const left = MARGIN.left;
  const right = WIDTH - MARGIN.right;
  const top = MARGIN.top;
  const bottom = HEIGHT - MARGIN.bottom;
  const px = axisMap(figure.xScale, left, right);
  const py = axisMap(figure.yScale, bottom, top);
  const svg = svgElement('svg', { viewBox: `0 0 ${WIDTH} ${HEIGHT}`, class: 'plot-svg' }, plot);
  svgElement('rect', { x: left, y: top, width: right - left, height: bottom - top, class: 'frame' }, svg);
  svgElement('line', { x1: px(0), x2: px(0), y1: top, y2: bottom, class: 'zero' }, svg);
  svgElement('line', { x1: left, x2: right, y1: py(0), y2: py(0), class: 'zero' }, svg);
  const title = { class: 'title', 'text-anchor': 'middle' };
  svgElement('text', { ...title, x: (left + right) / 2, y: HEIGHT - 12 }, svg).textContent = figure.xTitle;
  svgElement(
    'text',
    { ...title, x: 0, y: 0, transform: `translate(18 ${(top + bottom) / 2}) rotate(-90)` },
    svg,
  ).textContent = figure.yTitle;
  for (const { value, text } of figure.xScale.ticks) {
    const x = px(value);
    svgElement('line', { x1: x, x2: x, y1: bottom, y2: bottom + 4, class: 'tick' }, svg);
    svgElement('text', { x, y: bottom + 16, class: 'tick-label', 'text-anchor': 'middle' }, svg).textContent = text;
  }
  for (const { value, text } of figure.yScale.ticks) {
    const y = py(value);
    svgElement('line', { x1: left - 4, x2: left, y1: y, y2: y, class: 'tick' }, svg);
    svgElement('text', { x: left - 6, y: y + 4, class: 'tick-label', 'text-anchor': 'end' }, svg).textContent = text;
  }
  const info = $('plot-point');
  figure.samples.forEach((s, i) => {
    const text = `${s.label}: ${s.x.toFixed(4)}, ${s.y.toFixed(4)}`;
    const group = svgElement('g', { class: 'point', tabindex: 0, role: 'img', 'aria-label': text }, svg);
    group.style.color = colours[i];
    svgElement('circle', { cx: px(s.x), cy: py(s.y), r: 4.5 }, group);
    svgElement('text', { x: px(s.x) + 7, y: py(s.y) - 6, class: 'label' }, group).textContent = s.label;
    svgElement('title', {}, group).textContent = text;
    const show = () => {
      info.textContent = text;
      $('colour-sample').value = i;
      $('colour').value = colours[i];
    };
    group.addEventListener('mouseenter', show);
    group.addEventListener('focus', show);
  });
}

export function chosenAxes() {
  return [Number($('axis-x').value) || 1, Number($('axis-y').value) || 2];
}

// The plot's own controls: the axes and the samples' colours.
export function wirePlot(state) {
  const redraw = () => drawFigure(state, ...chosenAxes(), false);
  for (const id of ['axis-x', 'axis-y']) $(id).addEventListener('change', redraw);
  $('colour-sample').addEventListener('change', () => {
    $('colour').value = state.colours[Number($('colour-sample').value)] || '#000000';
  });
  $('colour').addEventListener('input', () => {
    state.colours[Number($('colour-sample').value) || 0] = $('colour').value;
    redraw();
  });
  $('colour-all').addEventListener('click', () => {
    state.colours = state.colours.map(() => $('colour').value);
    redraw();
  });
}
