// The GoogleTest suite of the web build (tests/web/*_test.cpp) in headless
// Chromium: the fixed-function subset on the browser's WebGL 2.
import assert from 'node:assert/strict';
import path from 'node:path';
import test from 'node:test';
import { webBuild, serveFolders, listen, launchBrowser } from './lib.mjs';

test('the web build\'s GoogleTest suite passes in the browser', async (t) => {
  const server = serveFolders({ '/': path.join(webBuild, 'tests') });
  t.after(() => server.close());
  const base = await listen(server);
  const browser = await launchBrowser();
  t.after(() => browser.close());

  const page = await browser.newPage();
  await page.goto(`${base}web_tests.html`);
  const done = await page.waitFor('window.testsDone', 120000);
  const report = page.lines.filter((line) => !line.includes('GL Driver Message')).join('\n');
  assert.deepEqual(page.errors, []);
  assert.match(report, /\[  PASSED  \] \d+ tests/, report);
  assert.equal(done.status, 0, report);
});
