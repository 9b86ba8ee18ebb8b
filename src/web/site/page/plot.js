// The plot: the last run's samples on the chosen pair of axes, drawn over
// the ranges, ticks and titles the figure layer computed (the figure file
// shows the same), with the colours chosen here.

import { $ } from './dom.js';
import { hexColour } from './texts.js';

const SVG = 'http://www.w3.org/2000/svg';
// The plot's widest and its shape at most (height over width).
const MAX_WIDTH = 860;
const MAX_ASPECT = 0.75;
// Font sizes of the stylesheet's plot classes, for measuring.
const TITLE_SIZE = 12;
const TICK_SIZE = 10;
const LABEL_SIZE = 11;
// Markers 9 pixels across at every width.
const RADIUS = 4.5;

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

// Both axes at one scale, as the figure draws them: the frame takes the
// data's shape within `area` ({left, top, right, bottom}, pixels), a side
// never below a third of the room it has (its range then widens around the
// data at the same scale). The frame is centred across the room left over.
export function oneScale(area, xScale, yScale) {
  const width = area.right - area.left;
  const height = area.bottom - area.top;
  const scale = Math.min(width / (xScale.hi - xScale.lo), height / (yScale.hi - yScale.lo));
  const fit = (range, room) => {
    const side = Math.max(scale * (range.hi - range.lo), room / 3);
    const grow = (side / scale - (range.hi - range.lo)) / 2;
    return { side, lo: range.lo - grow, hi: range.hi + grow };
  };
  const x = fit(xScale, width);
  const y = fit(yScale, height);
  const left = area.left + (width - x.side) / 2;
  return {
    frame: { left, top: area.top, right: left + x.side, bottom: area.top + y.side },
    x: { lo: x.lo, hi: x.hi },
    y: { lo: y.lo, hi: y.hi },
  };
}

// The width of `text` in the page's font at `size` pixels.
let measurer = null;
function textWidth(text, size) {
  if (!measurer) measurer = document.createElement('canvas').getContext('2d');
  measurer.font = `${size}px ${getComputedStyle(document.body).fontFamily}`;
  return measurer.measureText(text).width;
}

// The room the plot has: the plot panel's width less its padding (none at
// phone width), or while the panel is hidden, the results column's.
function plotWidth() {
  const panel = $('panel-plot');
  let room = MAX_WIDTH;
  if (!panel.hidden) {
    const style = getComputedStyle(panel);
    room = panel.clientWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight);
  } else {
    const column = document.querySelector('section.results');
    if (column) room = column.clientWidth - 26;
  }
  return Math.max(260, Math.min(MAX_WIDTH, Math.floor(room)));
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
  const figure = await window.zeltric.figure({
    x,
    y,
    colours: state.colours.map((c) => c.slice(1)),
    intervals: $('figure-intervals').checked,
  });
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
  await drawPlot(figure, state.colours);
}

// The samples on the chosen plane at one scale; the vertical axis grows
// upwards as in the figure file. Labels go where the figure layer places
// them; one with no room is left out, as in the figure.
async function drawPlot(figure, colours) {
  const plot = $('plot');
  const width = plotWidth();
  const yTickWidth = Math.max(0, ...figure.yScale.ticks.map((t) => textWidth(t.text, TICK_SIZE)));
  const area = {
    left: 8 + TITLE_SIZE + 8 + yTickWidth + 8,
    top: 10,
    right: width - 12,
    bottom: Math.round(width * MAX_ASPECT) - (TICK_SIZE + 10 + TITLE_SIZE + 14),
  };
  const { frame, x: xRange, y: yRange } = oneScale(area, figure.xScale, figure.yScale);
  const { left, right, top, bottom } = frame;
  const height = Math.ceil(bottom + TICK_SIZE + 10 + TITLE_SIZE + 14);
  const px = axisMap(xRange, left, right);
  const py = axisMap(yRange, bottom, top);
  const markers = figure.samples.map((s) => ({ x: px(s.x), y: py(s.y) }));
  const places = await window.zeltric.place({
    frame,
    radius: RADIUS,
    gap: 2,
    labels: figure.samples.map((s, i) => ({
      ...markers[i],
      width: textWidth(s.label, LABEL_SIZE) + 2,
      height: LABEL_SIZE + 2,
    })),
  });
  plot.textContent = '';
  const svg = svgElement('svg', { viewBox: `0 0 ${width} ${height}`, width, height, class: 'plot-svg' }, plot);
  svgElement('rect', { x: left, y: top, width: right - left, height: bottom - top, class: 'frame' }, svg);
  if (xRange.lo < 0 && xRange.hi > 0)
    svgElement('line', { x1: px(0), x2: px(0), y1: top, y2: bottom, class: 'zero' }, svg);
  if (yRange.lo < 0 && yRange.hi > 0)
    svgElement('line', { x1: left, x2: right, y1: py(0), y2: py(0), class: 'zero' }, svg);
  // A title longer than its side is drawn smaller, never cut (an inline
  // style: the stylesheet's size would win over an attribute).
  const titleSize = (text, room) =>
    Math.min(TITLE_SIZE, (TITLE_SIZE * room) / Math.max(textWidth(text, TITLE_SIZE), 1));
  const title = { class: 'title', 'text-anchor': 'middle' };
  svgElement(
    'text',
    { ...title, x: (left + right) / 2, y: height - 8, style: `font-size: ${titleSize(figure.xTitle, width - 16)}px` },
    svg,
  ).textContent = figure.xTitle;
  svgElement(
    'text',
    {
      ...title,
      x: 0,
      y: 0,
      transform: `translate(${8 + TITLE_SIZE - 2} ${(top + bottom) / 2}) rotate(-90)`,
      style: `font-size: ${titleSize(figure.yTitle, bottom - top + 16)}px`,
    },
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
    svgElement('circle', { cx: markers[i].x, cy: markers[i].y, r: RADIUS }, group);
    const place = Array.isArray(places) ? places[i] : null;
    if (place && place.kind !== 'omitted') {
      if (place.kind === 'leader')
        svgElement(
          'line',
          { x1: place.start.x, y1: place.start.y, x2: place.end.x, y2: place.end.y, class: 'leader' },
          group,
        );
      svgElement(
        'text',
        { x: place.box.left + 1, y: place.box.bottom - 1 - LABEL_SIZE * 0.22, class: 'label' },
        group,
      ).textContent = s.label;
    }
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

// The plot's own controls: the axes, the intervals in the titles and the
// samples' colours.
export function wirePlot(state) {
  const redraw = () => drawFigure(state, ...chosenAxes(), false);
  for (const id of ['axis-x', 'axis-y', 'figure-intervals']) $(id).addEventListener('change', redraw);
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
  // The plot follows the room it has: drawn again when the width changed.
  let drawnWidth = 0;
  const refit = () => {
    if (!state.figure || plotWidth() === drawnWidth) return;
    drawnWidth = plotWidth();
    drawPlot(state.figure, state.colours);
  };
  window.addEventListener('resize', refit);
  $('tab-plot').addEventListener('click', refit);
}
