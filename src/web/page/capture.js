// The capture page, driven by mardunqist-web-capture: the show stepped
// offline through the show's own stepper (web_capture.cpp), exactly as the
// native capture steps it, each frame sent back as a PNG with its timeline
// row.
//
// Query: width, height, fps (N or N/D), seedTick, frames and seconds
// (optional), gentle (present: through the gentle filter), data (a folder URL). Frames go to PUT capture/frame-NNNNNN.png, the timeline to
// PUT capture/timeline.csv, and the outcome to PUT capture/done.
import createShow from './mardunqist.js';
import { captureModule, loadLibopenmpt, ModulePlayer } from './openmpt.js';
import { loadShowData } from './show-data.js';
import { moduleFile } from './show-files.js';

const query = new URLSearchParams(location.search);
const width = Number(query.get('width'));
const height = Number(query.get('height'));
const [fpsNumerator, fpsDenominator = 1] = query.get('fps').split('/').map(Number);
const seedTick = Number(query.get('seedTick'));
const given = (name) => (query.has(name) ? Number(query.get(name)) : -1);

const blobsBetweenCollections = 30;

const put = async (name, body, headers = {}) => {
  const response = await fetch(`capture/${name}`, { method: 'PUT', body, headers });
  if (!response.ok) throw new Error(`${name}: ${await response.text()}`);
};

// A line for the tool's stderr, whatever the browser's driver reports.
const say = (line) => {
  console.warn(line);
  put('log', line).catch(() => {});
};
window.addEventListener('error', (event) => put('done', JSON.stringify({ ok: false, error: `the page failed: ${event.message}` })));

async function encodePng(show, scratch) {
  const rowBytes = width * 4;
  const pixels = show._webCaptureRgba();
  const rows = show.HEAPU8.subarray(pixels, pixels + rowBytes * height);
  const image = scratch.image;
  // GL's rows run bottom to top; opaque, whatever alpha the canvas holds.
  for (let y = 0; y < height; ++y) {
    image.data.set(rows.subarray((height - 1 - y) * rowBytes, (height - y) * rowBytes), y * rowBytes);
  }
  for (let i = 3; i < image.data.length; i += 4) image.data[i] = 255;
  scratch.context.putImageData(image, 0, 0);
  return scratch.canvas.convertToBlob({ type: 'image/png' });
}

async function capture() {
  const show = await createShow({ printErr: say });
  const data = await loadShowData(show, new URL(query.get('data'), location.href));
  for (const [name, why] of Object.entries(data.failures)) {
    if (name !== moduleFile) say(`mardunqist-web-capture: ${name}: ${why}`);
  }

  let player = null;
  try {
    if (!data.module) throw new Error(data.failures[moduleFile]);
    player = new ModulePlayer(await loadLibopenmpt(), data.module, 65536);
  } catch (error) {
    // Without music the show would never end by itself.
    if (given('frames') < 0 && given('seconds') < 0) {
      throw new Error(`${moduleFile}: ${error.message}; with no music the show never ends: give --frames or --seconds`);
    }
    say(`mardunqist-web-capture: ${moduleFile}: ${error.message}; capturing without music`);
  }
  if (player) show.captureModule = captureModule(player, show._webMusicSampleRate());

  const expected = show._webCaptureStart(width, height, fpsNumerator, fpsDenominator, seedTick,
    query.has('gentle') ? 1 : 0, player ? 1 : 0, given('frames'), given('seconds'));
  if (!expected) throw new Error('no WebGL 2 context');

  const canvas = new OffscreenCanvas(width, height);
  const context = canvas.getContext('2d');
  const scratch = { canvas, context, image: context.createImageData(width, height) };
  const rows = [show.UTF8ToString(show._webCaptureTimelineHeader())];
  let frame = 0;
  while (!show._webCaptureDone()) {
    show._webCaptureStep();
    await put(`frame-${String(frame).padStart(6, '0')}.png`, await encodePng(show, scratch),
      { 'X-Expected-Frames': String(expected) });
    rows.push(show.UTF8ToString(show._webCaptureTimelineRow()));
    ++frame;
    // Each frame's PNG is a Blob, whose bytes Chromium frees only when the
    // small wrapper is collected; the collector, seeing little garbage,
    // would wait until the blob store ran out (a few hundred frames at
    // 1024x768).
    if (frame % blobsBetweenCollections === 0) globalThis.gc?.();
  }
  await put('timeline.csv', rows.join('\n') + '\n');
  show._webCaptureStop();
  player?.destroy();
  return frame;
}

capture().then(
  (frames) => put('done', JSON.stringify({ ok: true, frames })),
  (error) => put('done', JSON.stringify({ ok: false, error: error.message })));
