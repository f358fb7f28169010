// make serve-web: the web build's site on http://127.0.0.1:8000/ (or the
// port given), to try the page while working on it.
// usage: node scripts/serve-web.mjs SITE_FOLDER [PORT]
import { serveFolders, listen } from '../tools/web-capture/site-server.mjs';

const [site, port = '8000'] = process.argv.slice(2);
if (!site) {
  console.error('usage: node scripts/serve-web.mjs SITE_FOLDER [PORT]');
  process.exit(2);
}
const url = await listen(serveFolders({ '/': site }), Number(port));
console.log(`serving ${site} on ${url} (Ctrl-C stops)`);
