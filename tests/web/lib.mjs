// What the browser tests and the web benchmarks share: the builds given as
// the first two arguments (web, native), the browser driver of the web build
// and a folder to work in.
import { execFileSync } from 'node:child_process';
import { mkdtemp, rm, stat } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { loadBrowserDriver } from './browser.mjs';

export const webBuild = path.resolve(process.argv[2] || 'build-web');
export const nativeBuild = path.resolve(process.argv[3] || 'build');
export const { serveFolders, listen, launchBrowser, engines } = await loadBrowserDriver(webBuild);

export async function scratchFolder(t) {
  const folder = await mkdtemp(path.join(tmpdir(), 'mardunqist-web-test-'));
  t.after(() => rm(folder, { recursive: true, force: true }));
  return folder;
}

// The short show (about eight seconds) in a folder of its own.
export async function shortShow(t) {
  const folder = await scratchFolder(t);
  execFileSync(path.join(nativeBuild, 'mardunqist-assets'), ['--short', folder], { stdio: 'ignore' });
  return folder;
}

// The start page (index.html, with `query`) of `engine` on `dataFolder`,
// loaded (or, with ready: false, only opened); `prepare(page)` runs before
// it is opened; downloads go to the folder `downloads`; `site` serves the
// page from another folder than the build's.
export async function startPage(t, dataFolder, { engine = 'chromium', sound = true, viewport, prepare,
  ready = true, query = '', downloads = null, site = path.join(webBuild, 'site') } = {}) {
  const server = serveFolders({ '/': site, '/data/': dataFolder });
  // Closed even when the browser does not start: a server left listening
  // keeps the whole test file from ending.
  t.after(() => server.close());
  const base = await listen(server);
  const browser = await launchBrowser({ engine, sound, downloads });
  t.after(() => browser.close());
  const page = await browser.newPage(viewport);
  if (prepare) await prepare(page);
  await page.goto(`${base}index.html${query}`);
  if (ready) await page.waitFor('window.showStatus && window.showStatus.ready', 60000);
  return page;
}

// The path of a download the page made ({ name, bytes }) once the browser
// has written all of it into `folder`; throws after a minute without it.
export async function downloaded(folder, { name, bytes }) {
  const file = path.join(folder, name);
  for (let waited = 0; waited < 60000; waited += 100) {
    if ((await stat(file).catch(() => null))?.size === bytes) return file;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  throw new Error(`${file}: not downloaded whole (${bytes} bytes) within a minute`);
}
