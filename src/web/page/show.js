// The page: the start page (the chooser's controls and defaults), then the
// show on its canvas until Escape, leaving full screen, or its own end bring
// the start page back. The show itself is the C++ show (mardunqist.js); the
// sound is music.js. "play" waits until the show, the music player and the
// data have arrived; the loading line says how far they are. "save video"
// saves the show as chosen as a video file instead (video.js).
import createShow from './mardunqist.js';
import { Downloads } from './download.js';
import { ShowMusic, SilentMusic, SoundFailure } from './music.js';
import { holdScreen, releaseScreen } from './screen-awake.js';
import { fetchShowData, installShowData } from './show-data.js';
import { moduleFile } from './show-files.js';
import { Cancelled, saveVideo, videoPlan } from './video.js';

const chooser = document.getElementById('chooser');
const playButton = chooser.elements.play;
const beside = document.getElementById('beside');
const loading = document.getElementById('loading');
const stage = document.getElementById('stage');
const canvas = document.getElementById('show');
const notice = document.getElementById('notice');
const videoButton = document.querySelector('button[name=video]');
const fpsChoice = document.querySelector('select[name=fps]');
const videoLine = document.getElementById('video-line');
const saving = document.getElementById('saving');

// What the page tells a watcher (and the tests) about the show: the lines it
// has said, the errors nobody caught, and the show's progress (with the
// frame at which the music, having played, was heard to stop).
const status = { ready: false, playing: false, order: 0, row: 0, frames: 0, sound: '', messages: [], errors: [],
  video: { state: 'idle' } };
window.showStatus = status;
window.addEventListener('error', (event) => status.errors.push(event.message));
window.addEventListener('unhandledrejection', (event) => status.errors.push(String(event.reason)));

function say(line) {
  console.error(line);
  status.messages.push(line);
}

const megabytes = (bytes) => (bytes / 1e6).toFixed(1);
const downloads = new Downloads((received, announced) => {
  loading.textContent = `loading: ${megabytes(received)} of ${megabytes(announced)} MB`;
});
const site = document.baseURI;
const [wasmBinary, data] = await Promise.all([
  downloads.fetch(new URL('mardunqist.wasm', site)),
  fetchShowData(new URL('data/', site), downloads),
  // The music player's code, so that the sound starts at once on "play".
  downloads.fetch(new URL('libopenmpt.worklet.js', site)).catch((error) => {
    say(`mardunqist: libopenmpt.worklet.js: ${error.message}`);
  }),
]).catch((error) => {
  loading.textContent = `the show cannot be loaded: ${error.message}`;
  throw error;
});
const show = await createShow({ wasmBinary, printErr: say });
// A viewer who asked the desktop for less motion starts gentle; the box is
// still theirs to untick.
if (show._webDesktopAsksForLessMotion()) chooser.elements.gentle.checked = true;
await installShowData(show, data);
for (const [name, why] of Object.entries(data.failures)) say(`mardunqist: ${name}: ${why}`);
const sampleRate = show._webMusicSampleRate();
loading.hidden = true;
playButton.disabled = false;
status.ready = true;
offerVideo();

// The show now playing: its run number, so that what arrives late from an
// earlier run is dropped, and where its music comes from.
let run = 0;
let music = null;
let frameRequest = 0;
let fullscreen = false;

function chosenMode() {
  const [width, height] = chooser.elements.mode.value.split('x').map(Number);
  return { width, height, windowed: chooser.elements.windowed.checked, gentle: chooser.elements.gentle.checked };
}

function frame() {
  const heard = music ? music.now() : { position: 0, playing: false };
  status.order = heard.position & 0xffff;
  status.row = heard.position >>> 16;
  status.frames += 1;
  if (heard.playing) status.heardPlaying = true;
  else if (status.heardPlaying && status.musicStoppedAt === null) status.musicStoppedAt = status.frames;
  if (!show._webShowFrame(heard.position, heard.playing ? 1 : 0)) {
    endShow();
    return;
  }
  frameRequest = requestAnimationFrame(frame);
}

function showChooser() {
  stage.hidden = true;
  chooser.hidden = false;
  beside.hidden = false;
}

function endShow() {
  if (!status.playing) return;
  status.playing = false;
  ++run;
  cancelAnimationFrame(frameRequest);
  if (music) music.stop();
  music = null;
  show._webShowStop();
  releaseScreen();
  showChooser();
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
}

// Where the Fullscreen API is missing (iPhones) or refused, the stage
// fills the page instead, as full screen would fill the screen.
function enterFullscreen() {
  if (!stage.requestFullscreen) return Promise.reject(new Error('this browser has no full screen for the page'));
  return stage.requestFullscreen();
}

// The sound, or when it cannot start the show silent, on the page's clock.
function startMusic(sound, thisRun) {
  const refused = (reason) => say(`mardunqist: ${moduleFile}: ${reason}`);
  sound.play(data.module, refused).then(() => {
    if (thisRun === run) status.sound = 'playing';
  }, async (failure) => {
    if (!(failure instanceof SoundFailure)) throw failure;
    sound.stop();
    if (thisRun !== run) return;
    notice.textContent = `no sound: ${failure.message}`;
    notice.hidden = false;
    say(`mardunqist: no sound: ${failure.message}`);
    try {
      const silent = await SilentMusic.start(data.module, sampleRate);
      if (thisRun === run) {
        music = silent;
        status.sound = 'silent';
      } else {
        silent.stop();
      }
    } catch (error) {
      refused(error.message);
      if (thisRun === run) music = null;
    }
  });
}

function play() {
  const mode = chosenMode();
  const thisRun = ++run;
  // Sound and full screen are granted only inside the click, before anything is awaited.
  const sound = data.module ? new ShowMusic() : null;
  fullscreen = !mode.windowed;
  if (fullscreen) {
    enterFullscreen().catch((error) => {
      if (thisRun !== run) return;
      say(`mardunqist: no full screen (${error.message}); the show fills the page`);
      fullscreen = false;
    });
  }
  canvas.width = mode.width;
  canvas.height = mode.height;
  stage.classList.toggle('fullscreen', !mode.windowed);
  notice.hidden = true;
  chooser.hidden = true;
  beside.hidden = true;
  stage.hidden = false;
  if (!show._webShowStart(mode.width, mode.height, mode.gentle ? 1 : 0)) {
    if (sound) sound.stop();
    showChooser();
    return;
  }
  Object.assign(status, { playing: true, order: 0, row: 0, frames: 0, sound: '', heardPlaying: false,
    musicStoppedAt: null });
  holdScreen();
  music = sound;
  if (sound) startMusic(sound, thisRun);
  frameRequest = requestAnimationFrame(frame);
}

playButton.addEventListener('click', () => {
  if (status.ready && !status.playing && status.video.state !== 'saving') play();
});

chooser.elements.exit.addEventListener('click', () => {
  cancelAsked = true;
  chooser.hidden = true;
  beside.hidden = true;
  document.getElementById('closed').hidden = false;
});

document.addEventListener('keydown', (event) => {
  if (event.key === 'Escape' && status.playing) endShow();
});

document.addEventListener('fullscreenchange', () => {
  if (fullscreen && !document.fullscreenElement) endShow();
});

// --- saving a video ---------------------------------------------------------

function tellVideo(line) {
  videoLine.textContent = line;
  videoLine.hidden = !line;
}

// The button works where the browser can encode the largest choice.
async function offerVideo() {
  const plan = await videoPlan(1024, 768, 60, sampleRate).catch((error) => ({ why: error.message }));
  if (plan.why) tellVideo(`save video: ${plan.why}`);
  videoButton.disabled = Boolean(plan.why);
}

// ?seed=N makes the video of a given seed again; without it one is drawn.
function seedAsked() {
  const seed = new URLSearchParams(location.search).get('seed');
  if (seed === null) return null;
  if (!/^\d+$/.test(seed) || Number(seed) > 4294967295) throw new Error('?seed= takes a whole number from 0 to 4294967295');
  return Number(seed);
}

const minutes = (ms) => {
  const seconds = Math.round(ms / 1000);
  return `${Math.floor(seconds / 60)}:${String(seconds % 60).padStart(2, '0')}`;
};

function offerDownload(name, blob) {
  const url = URL.createObjectURL(blob);
  const link = Object.assign(document.createElement('a'), { href: url, download: name });
  document.body.append(link);
  link.click();
  link.remove();
  // Long enough for the browser to have taken the file.
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

let cancelAsked = false;

async function saveChosenVideo() {
  const mode = chosenMode();
  const choice = { width: mode.width, height: mode.height, fps: Number(fpsChoice.value), gentle: mode.gentle };
  try {
    choice.seed = seedAsked();
  } catch (error) {
    tellVideo(`save video: ${error.message}`);
    return;
  }
  cancelAsked = false;
  status.video = { state: 'saving', frames: 0 };
  tellVideo('');
  for (const control of [playButton, videoButton, fpsChoice]) control.disabled = true;
  saving.hidden = false;
  const bar = saving.querySelector('progress');
  const line = document.getElementById('saving-line');
  line.textContent = 'starting';
  bar.removeAttribute('value');
  canvas.width = choice.width;
  canvas.height = choice.height;
  const started = performance.now();
  let shown = 0;
  const onProgress = (frames, expected) => {
    status.video.frames = frames;
    const now = performance.now();
    if (now - shown < 250 && frames < expected) return;
    shown = now;
    const done = Math.min(frames / expected, 1);
    const spent = now - started;
    bar.max = 1;
    bar.value = done;
    line.textContent = `${Math.floor(done * 100)}%, ${minutes(spent)} spent, about ${minutes(spent / done - spent)} left`;
  };
  try {
    const { name, blob } = await saveVideo(show, data.module, choice, { onProgress, isCancelled: () => cancelAsked });
    offerDownload(name, blob);
    status.video = { state: 'saved', name, bytes: blob.size };
    tellVideo(`saved ${name} (${megabytes(blob.size)} MB)`);
  } catch (error) {
    if (error instanceof Cancelled) {
      status.video = { state: 'cancelled' };
    } else {
      status.video = { state: 'failed', error: error.message };
      tellVideo(`the video could not be saved: ${error.message}`);
    }
  } finally {
    saving.hidden = true;
    for (const control of [playButton, videoButton, fpsChoice]) control.disabled = false;
  }
}

videoButton.addEventListener('click', () => {
  if (status.ready && !status.playing && status.video.state !== 'saving') saveChosenVideo();
});

saving.querySelector('button[name=cancel]').addEventListener('click', () => {
  cancelAsked = true;
});
