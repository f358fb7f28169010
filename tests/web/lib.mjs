// What the browser tests share: the web build's own browser driver (found
// through the build folder given as the first argument) and a folder to
// work in.
import { mkdtemp, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

export const webBuild = path.resolve(process.argv[2] || 'build-web');
export const nativeBuild = path.resolve(process.argv[3] || 'build');
export const { serveFolders, listen, launchBrowser, engines } =
  await import(pathToFileURL(path.join(webBuild, 'tools', 'browser.mjs')).href);

export async function scratchFolder(t) {
  const folder = await mkdtemp(path.join(tmpdir(), 'mardunqist-web-test-'));
  t.after(() => rm(folder, { recursive: true, force: true }));
  return folder;
}
