// The page as a viewer uses it, in each engine: the start page, "play", the
// show drawing and following the music, and the way back. Then, once each,
// what differs by circumstance: full screen and the show's own end, a bad
// picture, a song shorter than the show, no sound at all, a slow connection,
// a small screen.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFile, writeFile } from 'node:fs/promises';
import path from 'node:path';
import test from 'node:test';
import { nativeBuild, engines, scratchFolder, shortShow, startPage } from './lib.mjs';

const status = (page) => page.evaluate(() => ({
  ...window.showStatus,
  chooserShown: !document.getElementById('chooser').hidden,
  fullscreen: document.fullscreenElement !== null,
  notice: document.getElementById('notice').hidden ? '' : document.getElementById('notice').textContent,
}));

// Stand-ins for what a headless browser grants none of, counting what the
// page asks: a screen wake lock, which the browser takes back while the page
// is hidden, and an orientation lock, which a desktop refuses.
function screenStandIns() {
  const locks = [];
  window.screenAsked = { wakeLocks: 0, orientation: [] };
  window.wakeLocksHeld = () => locks.filter((lock) => !lock.released).length;
  class Sentinel extends EventTarget {
    type = 'screen';
    released = false;
    async release() {
      if (this.released) return;
      this.released = true;
      this.dispatchEvent(new Event('release'));
    }
  }
  Object.defineProperty(navigator, 'wakeLock', { configurable: true, value: {
    async request(type) {
      ++window.screenAsked.wakeLocks;
      if (type !== 'screen' || document.hidden) throw new DOMException('refused', 'NotAllowedError');
      const lock = new Sentinel();
      locks.push(lock);
      return lock;
    },
  } });
  document.addEventListener('visibilitychange', () => {
    if (document.hidden) for (const lock of locks) lock.release();
  });
  screen.orientation.lock = async (orientation) => {
    window.screenAsked.orientation.push(`lock ${orientation}`);
    throw new DOMException('screen.orientation.lock() is not available on this device.', 'NotSupportedError');
  };
  screen.orientation.unlock = () => { window.screenAsked.orientation.push('unlock'); };
}

const screenAsked = (page) => page.evaluate(() => ({ ...window.screenAsked, held: window.wakeLocksHeld() }));

// The page behind another tab for a moment, as a viewer looking elsewhere.
async function hideAndShow(page) {
  const other = await page.raw.browser().newPage();
  await other.bringToFront();
  await page.waitFor('document.visibilityState === "hidden"');
  await page.raw.bringToFront();
  await other.close();
  await page.waitFor('document.visibilityState === "visible"');
}

// page.waitFor, saying where the show was if it times out.
async function waitForShow(page, expression, timeout) {
  try {
    return await page.waitFor(expression, timeout);
  } catch (error) {
    const now = await page.evaluate(() => JSON.stringify(window.showStatus)).catch((e) => `(no answer: ${e.message})`);
    throw new Error(`${error.message}; the show: ${now}`);
  }
}

// What went wrong in the page, as its driver and the page itself saw it.
async function pageErrors(page) {
  return [...page.errors, ...(await page.evaluate(() => window.showStatus.errors))];
}

// The show's canvas element as a screenshot shows it (decoded by the
// browser): how many pixels are not black, and the first and last columns
// holding one (-1 for none).
async function canvasShot(page) {
  const png = (await page.screenshot('#show')).toString('base64');
  return page.evaluate(async (data) => {
    const bitmap = await createImageBitmap(await (await fetch(`data:image/png;base64,${data}`)).blob());
    const copy = new OffscreenCanvas(bitmap.width, bitmap.height).getContext('2d');
    copy.drawImage(bitmap, 0, 0);
    const pixels = copy.getImageData(0, 0, bitmap.width, bitmap.height).data;
    let lit = 0, first = -1, last = -1;
    for (let i = 0; i < pixels.length; i += 4) {
      if (pixels[i] + pixels[i + 1] + pixels[i + 2] === 0) continue;
      const x = (i / 4) % bitmap.width;
      ++lit;
      if (first < 0 || x < first) first = x;
      if (x > last) last = x;
    }
    return { lit, first, last };
  }, png);
}

// WebKit's WebDriver now and then reads a WebGL canvas between frames, as
// black, whatever the page shows: the most lit of a few looks.
async function litPixels(page) {
  let lit = 0;
  for (let look = 0; look < 4 && lit <= 1000; ++look) {
    if (look) await new Promise((resolve) => setTimeout(resolve, 250));
    lit = Math.max(lit, (await canvasShot(page)).lit);
  }
  return lit;
}

for (const engine of engines) {
  test(`${engine}: the start page, then a window that draws and follows the music until Escape`, async (t) => {
    const page = await startPage(t, await shortShow(t), { engine });
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

    await page.click('input[value="800x600"]');
    await page.click('input[name=windowed]');
    await page.click('button[name=play]');
    await waitForShow(page, 'window.showStatus.order >= 3 && window.showStatus.frames >= 20', 60000);
    const playing = await status(page);
    assert.equal(playing.playing, true);
    assert.equal(playing.sound, 'playing');
    assert.equal(playing.chooserShown, false);
    assert.equal(playing.fullscreen, false);
    await page.waitFor(`window.showStatus.order * 1000 + window.showStatus.row > ${playing.order * 1000 + playing.row}`);
    const size = await page.evaluate(() => {
      const c = document.getElementById('show');
      return [c.width, c.height, c.clientWidth, c.clientHeight];
    });
    assert.deepEqual(size, [800, 600, 800, 600]);
    assert.ok(await litPixels(page) > 1000, 'the canvas shows the show');

    await page.press('Escape');
    await page.waitFor('!window.showStatus.playing');
    assert.equal((await status(page)).chooserShown, true);
    assert.deepEqual(await pageErrors(page), []);
  });
}

test('chromium: full screen on a 16:9 screen keeps 4:3 until it is left; then gentle, to the show\'s own end; exit; '
  + 'the screen is kept awake while the show plays', async (t) => {
  const page = await startPage(t, await shortShow(t), {
    viewport: { width: 1280, height: 720 },
    prepare: (p) => p.raw.evaluateOnNewDocument(screenStandIns),
  });
  await page.click('button[name=play]');
  await page.waitFor('window.showStatus.frames > 5', 20000);
  assert.equal((await status(page)).fullscreen, true);
  // A wake lock, and landscape asked for in full screen (refused here).
  await page.waitFor('window.screenAsked.orientation.length > 0');
  assert.deepEqual(await screenAsked(page), { wakeLocks: 1, held: 1, orientation: ['lock landscape'] });
  const shape = await page.evaluate(() => {
    const c = document.getElementById('show');
    return [c.width, c.height, getComputedStyle(c).objectFit];
  });
  assert.deepEqual(shape, [640, 480, 'contain']);
  // 960x720 in the middle: black beside it, a pixel of blending allowed.
  const { first, last } = await canvasShot(page);
  assert.ok(first >= 159 && last <= 1120, `lit from column ${first} to ${last}`);
  await page.evaluate(() => document.exitFullscreen());
  await page.waitFor('!window.showStatus.playing');
  assert.equal((await status(page)).chooserShown, true);
  assert.deepEqual(await screenAsked(page), { wakeLocks: 1, held: 0, orientation: ['lock landscape', 'unlock'] });

  // Again, to the end, gentle: the short song runs through its credits and
  // stops. Hidden for a moment, the page loses its wake lock and, seen
  // again, asks anew.
  await page.click('input[name=windowed]');
  await page.click('input[name=gentle]');
  await page.click('button[name=play]');
  await page.waitFor('window.wakeLocksHeld() === 1');
  await hideAndShow(page);
  await page.waitFor('window.wakeLocksHeld() === 1');
  assert.equal((await status(page)).playing, true);
  await page.waitFor('window.showStatus.order === 33');
  await page.waitFor('!window.showStatus.playing');
  const ended = await status(page);
  assert.equal(ended.chooserShown, true);
  assert.equal(ended.order, 33);
  assert.deepEqual(await screenAsked(page), { wakeLocks: 3, held: 0, orientation: ['lock landscape', 'unlock'] });
  assert.deepEqual(await pageErrors(page), []);

  await page.click('button[name=exit]');
  assert.match(await page.evaluate(() => document.body.innerText), /has ended/);
});

test('chromium: a viewer who asked for less motion finds "gentle" ticked, and can untick it', async (t) => {
  const page = await startPage(t, await shortShow(t), {
    prepare: (p) => p.raw.emulateMediaFeatures([{ name: 'prefers-reduced-motion', value: 'reduce' }]),
  });
  const gentle = () => page.evaluate(() => document.querySelector('input[name=gentle]').checked);
  assert.equal(await gentle(), true);
  await page.click('input[name=gentle]');
  assert.equal(await gentle(), false);
});

test('chromium: a picture the show cannot use gives one line naming it, and the show goes on', async (t) => {
  const folder = await shortShow(t);
  const picture = path.join(folder, '0.jpg');
  const whole = await readFile(picture);
  await writeFile(picture, whole.subarray(0, whole.length >> 1));
  const page = await startPage(t, folder);
  await page.click('input[name=windowed]');
  await page.click('button[name=play]');
  await page.waitFor('window.showStatus.order >= 2 && window.showStatus.frames >= 20');
  const lines = (await status(page)).messages.filter((line) => line.includes('0.jpg'));
  assert.deepEqual(lines, ['mardunqist: /show/0.jpg: Premature end of JPEG file']);
  assert.ok(await litPixels(page) > 1000);
  assert.deepEqual(await pageErrors(page), []);
});

test('chromium: a module libopenmpt cannot play gives one line naming it; the opening plays on', async (t) => {
  const folder = await shortShow(t);
  await writeFile(path.join(folder, 'Vostr_1.it'), await readFile(path.join(folder, '0.jpg')));
  const page = await startPage(t, folder);
  await page.click('input[name=windowed]');
  await page.click('button[name=play]');
  await page.waitFor('window.showStatus.frames >= 30');
  const stuck = await status(page);
  assert.deepEqual([stuck.playing, stuck.order, stuck.row], [true, 0, 0]);
  assert.equal(stuck.messages.filter((line) => line.includes('Vostr_1.it')).length, 1, stuck.messages.join('\n'));
  assert.ok(await litPixels(page) > 1000, 'the opening scene draws');
  await page.press('Escape');
  await page.waitFor('!window.showStatus.playing');
  assert.deepEqual(await pageErrors(page), []);
});

test('chromium: a song shorter than the show\'s timeline ends the show once it has played; the start page is back', async (t) => {
  const folder = await shortShow(t);
  const songMs = 1000 * Number(execFileSync(path.join(nativeBuild, 'tests', 'write-short-song'),
    [path.join(folder, 'Vostr_1.it'), '3']).toString());
  const page = await startPage(t, folder);
  await page.click('input[name=windowed]');
  await page.click('button[name=play]');
  await waitForShow(page, 'window.showStatus.sound === "playing"', 20000);
  const started = Date.now();
  await waitForShow(page, '!window.showStatus.playing', 4 * songMs + 10000);
  const took = Date.now() - started;
  const ended = await status(page);
  assert.equal(ended.chooserShown, true);
  assert.ok(ended.order > 0 && ended.order < 33, `ended at order ${ended.order}`);
  // Heard through (a busy machine only makes it later), and ended by the
  // very frame that heard the music stop, however slow the frames came.
  assert.ok(took >= songMs - 1000, `a song of ${songMs} ms ended the show after ${took} ms`);
  assert.equal(ended.frames, ended.musicStoppedAt, 'the show ended at the frame the music was heard to stop');
  assert.deepEqual(await pageErrors(page), []);
});

test('firefox with no sound server: the show plays on silently, following the module, and says so', async (t) => {
  const page = await startPage(t, await shortShow(t), { engine: 'firefox', sound: false });
  await page.click('input[name=windowed]');
  await page.click('button[name=play]');
  await page.waitFor('window.showStatus.sound === "silent"', 20000);
  await page.waitFor('window.showStatus.order >= 3', 20000);
  const silent = await status(page);
  assert.equal(silent.notice, 'no sound: the sound output did not start within 2 s (no output device?)');
  assert.ok(await litPixels(page) > 1000);
  // The silent show still ends by itself, as the music would.
  await page.waitFor('!window.showStatus.playing', 30000);
  assert.equal((await status(page)).order, 33);
  assert.deepEqual(await pageErrors(page), []);
});

test('chromium on a slow connection: "play" waits for the downloads, which the page counts', async (t) => {
  const page = await startPage(t, await shortShow(t), {
    ready: false,
    // 1.5 Mbit/s: the page and the short show take some seconds to arrive.
    prepare: (p) => p.raw.emulateNetworkConditions({ download: 1.5e6 / 8, upload: 1.5e6 / 8, latency: 40 }),
  });
  const address = await page.evaluate(() => location.href);
  await page.waitFor('document.getElementById("loading").textContent.includes("MB")', 30000);
  const early = await page.evaluate(() => ({
    disabled: document.querySelector('button[name=play]').disabled,
    loading: document.getElementById('loading').textContent,
  }));
  assert.equal(early.disabled, true);
  assert.match(early.loading, /^loading: \d+\.\d of \d+\.\d MB$/);
  await page.click('button[name=play]');
  await page.raw.emulateNetworkConditions(null);
  await page.waitFor('window.showStatus && window.showStatus.ready', 120000);
  assert.equal(await page.evaluate(() => location.href), address, 'the early click did not reload the page');
  assert.equal((await status(page)).playing, false);
  await page.click('input[name=windowed]');
  await page.click('button[name=play]');
  await page.waitFor('window.showStatus.order >= 2');
  assert.deepEqual(await pageErrors(page), []);
});

test('chromium on a small screen with no Fullscreen API: a window is shown smaller, 4:3 kept; full screen fills the page', async (t) => {
  const page = await startPage(t, await shortShow(t), { viewport: { width: 480, height: 400 } });
  await page.click('input[name=windowed]');
  await page.click('button[name=play]');
  await page.waitFor('window.showStatus.frames >= 5');
  const [width, height, shownWidth, shownHeight] = await page.evaluate(() => {
    const c = document.getElementById('show');
    return [c.width, c.height, c.clientWidth, c.clientHeight];
  });
  assert.deepEqual([width, height], [640, 480], 'drawn at the chosen size');
  assert.ok(shownWidth <= 480 && shownHeight <= 400, `shown at ${shownWidth}x${shownHeight}`);
  assert.ok(Math.abs(shownWidth / shownHeight - 4 / 3) < 0.02, `shown at ${shownWidth}x${shownHeight}`);
  await page.press('Escape');
  await page.waitFor('!window.showStatus.playing');

  // As on an iPhone: no full screen for an element. The stage takes the
  // whole page instead, and Escape still ends the show.
  await page.evaluate(() => { delete Element.prototype.requestFullscreen; });
  await page.click('input[name=windowed]');
  await page.click('button[name=play]');
  await page.waitFor('window.showStatus.frames >= 5');
  const filled = await page.evaluate(() => {
    const c = document.getElementById('show');
    return [c.clientWidth, c.clientHeight, getComputedStyle(c).objectFit, document.fullscreenElement === null];
  });
  assert.deepEqual(filled, [480, 400, 'contain', true]);
  assert.deepEqual((await status(page)).messages.filter((line) => line.includes('full screen')),
    ['mardunqist: no full screen (this browser has no full screen for the page); the show fills the page']);
  await page.press('Escape');
  await page.waitFor('!window.showStatus.playing');
  assert.equal((await status(page)).chooserShown, true);
});
