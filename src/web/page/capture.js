// The capture page, driven by mardunqist-web-capture: the show frame by frame
// on a virtual clock, the module rendered in lockstep on this thread exactly
// as the native capture renders it (the same frame clock, compiled in), each
// frame sent back as a PNG with its timeline row.
//
// Query: width, height, fps (N or N/D), seedTick, frames and seconds
// (optional), gentle (present: through the gentle filter), data (a folder URL). Frames go to PUT capture/frame-NNNNNN.png, the timeline to
// PUT capture/timeline.csv, and the outcome to PUT capture/done.
import createShow from './mardunqist.js';
import { loadLibopenmpt, ModulePlayer, ModuleTimeline, orderOf, rowOf } from './openmpt.js';
import { loadShowData } from './show-data.js';
import { moduleFile } from './show-files.js';

const query = new URLSearchParams(location.search);
const width = Number(query.get('width'));
const height = Number(query.get('height'));
const [fpsNumerator, fpsDenominator = 1] = query.get('fps').split('/').map(Number);
const seedTick = Number(query.get('seedTick'));

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

// C++'s default float output at 15 significant digits, as the native
// timeline writes its times.
function formatTime(ms) {
  const text = ms.toPrecision(15);
  return text.includes('.') ? text.replace(/\.?0+$/, '') : text;
}

async function encodePng(show, scratch) {
  const rowBytes = width * 4;
  const pixels = show._webShowReadPixels();
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

  const sampleRate = show._webMusicSampleRate();
  show._webCaptureSetFrameRate(fpsNumerator, fpsDenominator);
  let frameLimit = query.has('frames') ? Number(query.get('frames')) : Infinity;
  if (query.has('seconds')) frameLimit = Math.min(frameLimit, show._webCaptureFramesFor(Number(query.get('seconds'))));
  let music = null;
  try {
    if (!data.module) throw new Error(data.failures[moduleFile]);
    music = new ModulePlayer(await loadLibopenmpt(), data.module, 65536);
  } catch (error) {
    // Without music the show would never end by itself.
    if (frameLimit === Infinity) {
      throw new Error(`${moduleFile}: ${error.message}; with no music the show never ends: give --frames or --seconds`);
    }
    say(`mardunqist-web-capture: ${moduleFile}: ${error.message}; capturing without music`);
  }

  const expected = frameLimit !== Infinity ? frameLimit
    : show._webCaptureFramesFor(music.durationSeconds()) + 1;
  if (!show._webShowStart(width, height, seedTick, 1, query.has('gentle') ? 1 : 0)) throw new Error('no WebGL 2 context');

  const canvas = new OffscreenCanvas(width, height);
  const context = canvas.getContext('2d');
  const scratch = { canvas, context, image: context.createImageData(width, height) };
  const rows = ['frame,time_ms,order,row,playing'];
  const timeline = music ? new ModuleTimeline(music, sampleRate) : null;
  let frame = 0;
  while (frame < frameLimit) {
    // The sound up to this frame's time first, so the frame sees the
    // position the music has reached.
    if (timeline) timeline.advance(show._webCaptureSamplesFor(frame));
    const position = timeline ? timeline.position : 0;
    const playing = timeline ? timeline.playing : false;
    const time = show._webCaptureFrameTimeMs(frame);
    const running = show._webShowCaptureFrame(time, position, playing ? 1 : 0);
    await put(`frame-${String(frame).padStart(6, '0')}.png`, await encodePng(show, scratch),
      { 'X-Expected-Frames': String(expected) });
    rows.push(`${frame},${formatTime(time)},${orderOf(position)},${rowOf(position)},${playing ? 1 : 0}`);
    ++frame;
    // Each frame's PNG is a Blob, whose bytes Chromium frees only when the
    // small wrapper is collected; the collector, seeing little garbage,
    // would wait until the blob store ran out (a few hundred frames at
    // 1024x768).
    if (frame % blobsBetweenCollections === 0) globalThis.gc?.();
    // The show's own end, or a song that stopped before the credits.
    if (!running) break;
  }
  await put('timeline.csv', rows.join('\n') + '\n');
  show._webShowStop();
  return frame;
}

capture().then(
  (frames) => put('done', JSON.stringify({ ok: true, frames })),
  (error) => put('done', JSON.stringify({ ok: false, error: error.message })));
