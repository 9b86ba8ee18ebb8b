// What the page holds between events, passed to each part that reads or
// changes it, and the requests built from it.

export function createState() {
  return {
    data: null, // {name, bytes}: the opened data file
    labels: null, // {name, bytes}: the label file, if any
    summary: null, // the core's account of the opened file
    limits: null, // the core's ranges (window.zeltric.limits)
    running: false,
    outputs: {}, // the last run's files by name
    inputs: {}, // the files the last run was given, by name (a rerun needs them)
    base: 'zeltric', // the outputs' common name, for downloads
    figure: null, // the figure drawn last
    colours: [], // '#rrggbb' per sample on the plot
    urls: [], // object URLs of the file links, revoked when replaced
  };
}

// The outputs' base before a run: the data file's name without its extension.
export function baseOf(fileName) {
  return fileName.replace(/\.[^.]*$/, '') || 'zeltric';
}

// Why the opened files cannot go to the core together, or null: both go into
// one folder under their own names, so one would replace the other.
export function nameClash(state) {
  if (state.data && state.labels && state.labels.name === state.data.name)
    return `The label file and the data file are both named "${state.data.name}"; rename one of them.`;
  return null;
}

// The files and their roles, as window.zeltric.summary and run take them.
export function fileRequest(state, format) {
  const files = {};
  if (state.data) files[state.data.name] = state.data.bytes;
  if (state.labels) files[state.labels.name] = state.labels.bytes;
  const request = { files, data: state.data ? state.data.name : '' };
  if (state.labels) request.labels = state.labels.name;
  if (format) request.format = format;
  return request;
}

// A run's request: the files and the choices typed in `fields` (strings as
// the controls hold them; an empty one is not given; `tables` a check
// box's true or false). Seeds go with a test only; the core checks every value and refuses a bad one with its message.
export function runRequest(state, fields) {
  const request = fileRequest(state, fields.format);
  const given = (value) => String(value ?? '').trim();
  if (given(fields.loci)) request.loci = given(fields.loci);
  if (given(fields.pops)) request.pops = given(fields.pops);
  if (given(fields.test)) {
    request.test = given(fields.test);
    request.seeds = given(fields.seeds);
  }
  if (given(fields.bootstrap)) {
    request.bootstrap = given(fields.bootstrap);
    if (given(fields.bootstrapSeeds)) request.bootstrapSeeds = given(fields.bootstrapSeeds);
  }
  if (fields.tables === true) request.tables = true;
  return request;
}

// A figure file's name: the outputs' base and the axes shown.
export function figureName(base, x, y, extension) {
  return `${base}-axes${x}-${y}.${extension}`;
}

// What the zip holds: every output, the files the run was given (the
// opened data file and the label file, so that its record reruns from the
// zip alone) and the figures drawn from it ({name, bytes}). An output keeps
// its own bytes over a given file of the same name; sorted by name.
export function zipEntries(outputs, inputs, figures = []) {
  const files = { ...inputs, ...outputs };
  for (const figure of figures) if (!Object.hasOwn(files, figure.name)) files[figure.name] = figure.bytes;
  return Object.keys(files)
    .sort()
    .map((name) => ({ name, bytes: files[name] }));
}
