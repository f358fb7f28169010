// make serve-web: the site on http://127.0.0.1:8000/ (or the port given).
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { serveFolders, listen } from './site-server.mjs';

const site = process.argv[2] || path.join(path.dirname(fileURLToPath(import.meta.url)), '..', 'site');
const port = Number(process.argv[3] || 8000);
const url = await listen(serveFolders({ '/': site }), port);
console.log(`serving ${site} on ${url} (Ctrl-C stops)`);
