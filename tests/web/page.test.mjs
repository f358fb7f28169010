// The page in headless Chromium, as a viewer uses it: the start page, "play",
// the show drawing and following the music, and every way back.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFile, writeFile } from 'node:fs/promises';
import path from 'node:path';
import test from 'node:test';
import { webBuild, nativeBuild, serveFolders, listen, launchBrowser, openPage, scratchFolder } from './lib.mjs';

const site = path.join(webBuild, 'site');

// The short show (about eight seconds) in a folder of its own.
async function shortShow(t) {
  const folder = await scratchFolder(t);
  execFileSync(path.join(nativeBuild, 'mardunqist-assets'), ['--short', folder], { stdio: 'ignore' });
  return folder;
}

async function startPage(t, dataFolder) {
  const server = serveFolders({ '/': site, '/data/': dataFolder });
  const base = await listen(server);
  const browser = await launchBrowser();
  t.after(async () => { await browser.close(); server.close(); });
  const page = await openPage(browser, `${base}index.html`);
  await page.waitForFunction('window.showStatus !== undefined');
  return page;
}

const status = (page) => page.evaluate(() => ({
  ...window.showStatus,
  chooserShown: !document.getElementById('chooser').hidden,
  fullscreen: document.fullscreenElement !== null,
}));

// How many pixels of the show's canvas are not black, as the page shows it
// (a screenshot, decoded by the browser).
async function litPixels(page) {
  const canvas = await page.$('#show');
  const png = await canvas.screenshot({ encoding: 'base64' });
  return page.evaluate(async (data) => {
    const bitmap = await createImageBitmap(await (await fetch(`data:image/png;base64,${data}`)).blob());
    const copy = new OffscreenCanvas(bitmap.width, bitmap.height).getContext('2d');
    copy.drawImage(bitmap, 0, 0);
    const pixels = copy.getImageData(0, 0, bitmap.width, bitmap.height).data;
    let lit = 0;
    for (let i = 0; i < pixels.length; i += 4) if (pixels[i] + pixels[i + 1] + pixels[i + 2] > 0) ++lit;
    return lit;
  }, png);
}

test('the start page offers the chooser\'s choices with its defaults', async (t) => {
  const page = await startPage(t, await shortShow(t));
  const controls = await page.evaluate(() => ({
    title: document.title,
    modes: [...document.querySelectorAll('input[name=mode]')].map((i) => [i.value, i.checked]),
    windowed: document.querySelector('input[name=windowed]').checked,
    labels: document.getElementById('chooser').innerText.split(/\s+/).filter(Boolean),
    gentle: (({ checked, form }) => ({ checked, form: form.id }))(document.querySelector('input[name=gentle]')),
    gentleInsideChooser: document.getElementById('chooser').contains(document.querySelector('input[name=gentle]')),
    warning: document.getElementById('warning').innerText,
    warningInsideChooser: document.getElementById('chooser').contains(document.getElementById('warning')),
  }));
  assert.equal(controls.title, 'kelvo mardunqist');
  assert.deepEqual(controls.modes, [['640x480', true], ['800x600', false], ['1024x768', false]]);
  assert.equal(controls.windowed, false);
  for (const label of ['640x480', '800x600', '1024x768', 'windowed', 'play', 'exit']) {
    assert.ok(controls.labels.includes(label), `label ${label}`);
  }
  // Beside the chooser, not in it: the warning, and "gentle", unticked.
  assert.match(controls.warning, /flashing lights and rapid changes of brightness\. "gentle" reduces them/);
  assert.deepEqual(controls.gentle, { checked: false, form: 'chooser' });
  assert.equal(controls.gentleInsideChooser, false);
  assert.equal(controls.warningInsideChooser, false);
  await page.click('button[name=exit]');
  assert.match(await page.evaluate(() => document.body.innerText), /has ended/);
});

test('windowed, the show draws and follows the music until Escape brings the start page back', async (t) => {
  const page = await startPage(t, await shortShow(t));
  await page.click('input[value="800x600"]');
  await page.click('input[name=windowed]');
  await page.click('button[name=play]');
  await page.waitForFunction('window.showStatus.order >= 3 && window.showStatus.frames >= 20', { timeout: 30000 });
  const playing = await status(page);
  assert.equal(playing.playing, true);
  assert.equal(playing.chooserShown, false);
  assert.equal(playing.fullscreen, false);
  const size = await page.$eval('#show', (c) => [c.width, c.height, c.clientWidth, c.clientHeight]);
  assert.deepEqual(size, [800, 600, 800, 600]);
  assert.ok(await litPixels(page) > 1000, 'the canvas shows the show');

  await page.keyboard.press('Escape');
  await page.waitForFunction('!window.showStatus.playing');
  const after = await status(page);
  assert.equal(after.chooserShown, true);
  assert.deepEqual(page.errors, []);
});

test('full screen, leaving it ends the show; so does the music\'s own end', async (t) => {
  const page = await startPage(t, await shortShow(t));
  await page.click('button[name=play]');
  await page.waitForFunction('window.showStatus.frames > 5', { timeout: 20000 });
  assert.equal((await status(page)).fullscreen, true);
  const shape = await page.$eval('#show', (c) => [c.width, c.height, getComputedStyle(c).objectFit]);
  assert.deepEqual(shape, [640, 480, 'contain']);
  await page.evaluate(() => document.exitFullscreen());
  await page.waitForFunction('!window.showStatus.playing');
  assert.equal((await status(page)).chooserShown, true);

  // Again, to the end, gentle: the short song runs through its credits and stops.
  await page.click('input[name=windowed]');
  await page.click('input[name=gentle]');
  await page.click('button[name=play]');
  await page.waitForFunction('window.showStatus.order === 33', { timeout: 30000 });
  await page.waitForFunction('!window.showStatus.playing', { timeout: 30000 });
  const ended = await status(page);
  assert.equal(ended.chooserShown, true);
  assert.equal(ended.order, 33);
  assert.deepEqual(page.errors, []);
});

test('a picture the show cannot use gives one console line naming it, and the show goes on', async (t) => {
  const folder = await shortShow(t);
  const picture = path.join(folder, '0.jpg');
  const whole = await readFile(picture);
  await writeFile(picture, whole.subarray(0, whole.length >> 1));
  const page = await startPage(t, folder);
  await page.click('input[name=windowed]');
  await page.click('button[name=play]');
  await page.waitForFunction('window.showStatus.order >= 2 && window.showStatus.frames >= 20', { timeout: 30000 });
  const lines = page.lines.filter((line) => line.includes('0.jpg'));
  assert.deepEqual(lines, ['mardunqist: /show/0.jpg: Premature end of JPEG file']);
  assert.ok(await litPixels(page) > 1000);
  assert.deepEqual(page.errors, []);
});
