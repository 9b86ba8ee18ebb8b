// The page's own words: lines built from the core's answers, no analysis.

export function plural(n, one, many) {
  return n + ' ' + (n === 1 ? one : many);
}

// "trout.dat: 8 samples, 6 loci, 212 individuals, 33 alleles", and how a file
// of another format was read.
export function summaryLine(name, summary) {
  return (
    name +
    ': ' +
    [
      plural(summary.samples, 'sample', 'samples'),
      plural(summary.loci, 'locus', 'loci'),
      plural(summary.individuals, 'individual', 'individuals'),
      plural(summary.alleles, 'allele', 'alleles'),
    ].join(', ') +
    (summary.format !== 'zeltric' ? ' (read as ' + summary.format + ')' : '')
  );
}

// A time left: whole seconds up to a minute, then minutes and seconds.
export function seconds(value) {
  if (!Number.isFinite(value) || value < 0) return '';
  const whole = Math.ceil(value);
  if (whole < 60) return whole + ' s';
  return Math.floor(whole / 60) + ' min ' + (whole % 60) + ' s';
}

// The progress line: what runs, how far, and, once a rate is known (per
// second), how fast and how long is left.
export function progressText(progress, rate) {
  const what =
    progress.stage === 'bootstrap'
      ? 'Bootstrap: ' + progress.done + ' / ' + progress.total + ' replicates'
      : progress.stage === 'pairwise'
        ? 'Pairwise test: ' + progress.done + ' / ' + progress.total + ' pairs'
        : 'Test: ' + progress.done + ' / ' + progress.total + ' randomisations';
  if (!(rate > 0)) return what;
  let text = what + ', ' + (rate >= 10 ? Math.round(rate) : rate.toFixed(1)) + ' per second';
  if (progress.done < progress.total) text += ', about ' + seconds((progress.total - progress.done) / rate) + ' left';
  return text;
}

// The hints under the count fields, from the core's ranges.
export function countHints(limits) {
  return {
    test: `${limits.minRandomisations} to ${limits.maxRandomisations}; empty: no test.`,
    bootstrap: `${limits.minReplicates} to ${limits.maxReplicates}; empty: none.`,
  };
}

// A results file as the desktop shows it: UTF-8, else Latin-1; any line end.
export function decodeText(bytes) {
  let text;
  try {
    text = new TextDecoder('utf-8', { fatal: true }).decode(bytes);
  } catch {
    text = new TextDecoder('latin1').decode(bytes);
  }
  return text.replace(/\r\n|\n\r|\r/g, '\n');
}

// "#rrggbb" of a 0xRRGGBB number.
export function hexColour(rgb) {
  return '#' + (rgb >>> 0).toString(16).padStart(6, '0');
}

// The records of a CSV table as the core writes them (RFC 4180: CR LF or LF
// line ends, a field holding a comma, quote or line end quoted with its
// quotes doubled), each a list of its unquoted fields.
export function csvRecords(text) {
  const records = [];
  let record = [];
  let field = '';
  let quoted = false;
  let pending = false;
  for (let i = 0; i < text.length; ++i) {
    const c = text[i];
    if (quoted) {
      if (c !== '"') field += c;
      else if (text[i + 1] === '"') {
        field += '"';
        ++i;
      } else quoted = false;
    } else if (c === '"') {
      quoted = true;
      pending = true;
    } else if (c === ',') {
      record.push(field);
      field = '';
      pending = true;
    } else if (c === '\r' || c === '\n') {
      if (c === '\r' && text[i + 1] === '\n') ++i;
      record.push(field);
      records.push(record);
      record = [];
      field = '';
      pending = false;
    } else {
      field += c;
      pending = true;
    }
  }
  if (pending) {
    record.push(field);
    records.push(record);
  }
  return records;
}

// The line under the statistics' tables: what the pairwise test of the run
// record's statistics object did.
export function pairwiseNote(statistics) {
  const pairwise = statistics && statistics.pairwise;
  const test = pairwise && pairwise.test;
  if (!test) return 'No pairwise test: the P and Holm_P columns are empty.';
  if (test.cancelled) return 'The pairwise test was cancelled: no P-values are shown. Run it again for them.';
  return (
    `Pairwise test of ${test.randomisations} randomisations, seeds ${test.seeds.join(',')}: ` +
    `${test.holm_below_0_05} of ${pairwise.pairs} pairs with Holm's P below 0.05 (dots in the heat map).`
  );
}
