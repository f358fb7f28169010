// What the browser tests and the web benchmarks share: the builds given as
// the first two arguments (web, native), the browser driver of the web build
// and a folder to work in.
import { mkdtemp, rm } from 'node:fs/promises';
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
