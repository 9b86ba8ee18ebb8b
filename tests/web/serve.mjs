// A static file server for the browser build, on 127.0.0.1 only. Used by
// scripts/serve-web and by the browser tests.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize, resolve, sep } from 'node:path';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.css': 'text/css; charset=utf-8',
  '.json': 'application/json',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
};

// Resolves with the server once it listens; port 0 picks a free port.
export function serve(root, port = 0) {
  const base = resolve(root);
  const server = createServer(async (request, response) => {
    try {
      const path = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
      const file = normalize(join(base, path.endsWith('/') ? path + 'index.html' : path));
      if (file !== base && !file.startsWith(base + sep)) throw new Error('outside the site');
      const body = await readFile(file);
      response.writeHead(200, {
        'Content-Type': types[extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-cache',
      });
      response.end(body);
    } catch {
      response.writeHead(404, { 'Content-Type': 'text/plain' });
      response.end('not found\n');
    }
  });
  return new Promise((resolvePromise, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolvePromise(server));
  });
}

if (import.meta.url === `file://${process.argv[1]}`) {
  const [root, port] = process.argv.slice(2);
  const server = await serve(root, Number(port || 8000));
  console.error(`serve-web: http://127.0.0.1:${server.address().port}/ (Ctrl-C stops)`);
}
