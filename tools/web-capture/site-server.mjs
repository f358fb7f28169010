// The static file server of the web capture, the browser tests and
// `make serve-web`: folders of the site served for GET, with the content
// types a browser insists on for modules and WebAssembly.
import { createServer } from 'node:http';
import { createReadStream, promises as fs } from 'node:fs';
import path from 'node:path';

const contentTypes = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.css': 'text/css; charset=utf-8',
  '.jpg': 'image/jpeg',
  '.png': 'image/png',
  '.it': 'application/octet-stream',
};

// Serves each folder of `mounts` ({ '/': siteDir, '/data/': dataDir }) for
// GET; `handle(request, response)` may take any other request first and
// returns true when it did.
export function serveFolders(mounts, handle = () => false) {
  const prefixes = Object.keys(mounts).sort((a, b) => b.length - a.length);
  return createServer(async (request, response) => {
    try {
      if (await handle(request, response)) return;
      const url = new URL(request.url, 'http://localhost');
      const prefix = prefixes.find((p) => url.pathname.startsWith(p));
      if (request.method !== 'GET' || !prefix) throw Object.assign(new Error('not here'), { code: 'ENOENT' });
      const root = path.resolve(mounts[prefix]);
      let file = path.resolve(root, '.' + decodeURIComponent(url.pathname.slice(prefix.length - 1)));
      if (file !== root && !file.startsWith(root + path.sep)) throw Object.assign(new Error('outside'), { code: 'ENOENT' });
      if ((await fs.stat(file)).isDirectory()) file = path.join(file, 'index.html');
      const info = await fs.stat(file);
      if (!info.isFile()) throw Object.assign(new Error('not a file'), { code: 'ENOENT' });
      // Revalidated every time, answered "not modified" when it is not: the
      // page fetches the music player once for its loading line, and the
      // sound worklet then loads it from the browser's cache.
      const modified = new Date(Math.floor(info.mtimeMs / 1000) * 1000);
      const since = Date.parse(request.headers['if-modified-since'] || '');
      if (since >= modified.getTime()) {
        response.writeHead(304, { 'Cache-Control': 'no-cache', 'Last-Modified': modified.toUTCString() }).end();
        return;
      }
      response.writeHead(200, {
        'Content-Type': contentTypes[path.extname(file)] || 'application/octet-stream',
        'Content-Length': info.size,
        'Cache-Control': 'no-cache',
        'Last-Modified': modified.toUTCString(),
      });
      createReadStream(file).pipe(response);
    } catch (error) {
      response.writeHead(error.code === 'ENOENT' || error.code === 'ENOTDIR' ? 404 : 500);
      response.end(error.code === 'ENOENT' ? 'not found' : String(error.message));
    }
  });
}

// Listens on 127.0.0.1 (port 0: any free one); resolves to the base URL.
export function listen(server, port = 0) {
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolve(`http://127.0.0.1:${server.address().port}/`));
  });
}
