// The worker's reading of a request (loaded by importScripts): whether it
// is safe to put into the module's folder, and the command line zeltric-cli
// would be given for it. Plain functions, so Node's tests load them too.
'use strict';
/* exported commandLine, checkRequest, sameBytes */

// A file of the folder as an argument: a name that starts with a dash is
// still a file, not an option.
function fileArgument(name) {
  const text = String(name);
  return text.startsWith('-') ? './' + text : text;
}

// The command line zeltric-cli would be given for this request.
function commandLine(request) {
  const args = ['zeltric-cli', '--quiet'];
  const add = (option, value) => {
    if (value === undefined || value === null || value === '') return;
    args.push(option, Array.isArray(value) ? value.join(',') : String(value));
  };
  add('--format', request.format);
  if (typeof request.labels === 'string') add('--labels', fileArgument(request.labels));
  add('--loci', request.loci);
  add('--pops', request.pops);
  add('--test', request.test);
  add('--seeds', request.seeds);
  add('--bootstrap', request.bootstrap);
  add('--bootstrap-seeds', request.bootstrapSeeds);
  if (request.tables === true) args.push('--tables');
  args.push(fileArgument(request.data));
  return args;
}

function checkRequest(request) {
  if (!request || typeof request !== 'object') return 'the request is not an object';
  const files = request.files;
  if (!files || typeof files !== 'object') return 'the request has no files';
  for (const [name, bytes] of Object.entries(files)) {
    if (!/^[^/\\]+$/.test(name) || name === '.' || name === '..')
      return 'the file name "' + name + '" is not a plain file name';
    if (!(bytes instanceof Uint8Array)) return 'the file "' + name + '" is not a Uint8Array';
  }
  if (typeof request.data !== 'string' || !Object.hasOwn(files, request.data))
    return 'the data file "' + request.data + '" is not among the files';
  if (typeof request.labels === 'string' && !Object.hasOwn(files, request.labels))
    return 'the label file "' + request.labels + '" is not among the files';
  return null;
}

function sameBytes(a, b) {
  if (a.length !== b.length) return false;
  for (let i = 0; i < a.length; ++i) if (a[i] !== b[i]) return false;
  return true;
}
