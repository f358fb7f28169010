// What the browser tests share: the web build's own browser driver (found
// through the build folder given as the first argument), a page that keeps
// its console, and a folder to work in.
import { mkdtemp, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

export const webBuild = path.resolve(process.argv[2] || 'build-web');
export const nativeBuild = path.resolve(process.argv[3] || 'build');
export const { serveFolders, listen, launchBrowser } =
  await import(pathToFileURL(path.join(webBuild, 'tools', 'browser.mjs')).href);

// A page whose console lines and uncaught errors are kept in page.lines and
// page.errors.
export async function openPage(browser, url) {
  const page = await browser.newPage();
  page.lines = [];
  page.errors = [];
  page.on('console', (message) => page.lines.push(message.text()));
  page.on('pageerror', (error) => page.errors.push(error.message));
  await page.setViewport({ width: 1024, height: 768 });
  await page.goto(url);
  return page;
}

export async function scratchFolder(t) {
  const folder = await mkdtemp(path.join(tmpdir(), 'mardunqist-web-test-'));
  t.after(() => rm(folder, { recursive: true, force: true }));
  return folder;
}
