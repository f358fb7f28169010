// The page: the start page (the chooser's controls and defaults), then the
// show on its canvas until Escape, leaving full screen, or its own end bring
// the start page back. The show itself is the C++ show (mardunqist.js); the
// sound is music.js.
import createShow from './mardunqist.js';
import { ShowMusic } from './music.js';
import { loadShowData } from './show-data.js';
import { moduleFile } from './show-files.js';

const chooser = document.getElementById('chooser');
const beside = document.getElementById('beside');
const stage = document.getElementById('stage');
const canvas = document.getElementById('show');

const show = await createShow();
const moduleBytes = await loadShowData(show, new URL('data/', document.baseURI));
if (!moduleBytes) console.error(`mardunqist: ${moduleFile}: No such file or directory`);

// What the page tells a watcher (and the tests) about the show.
const status = { playing: false, order: 0, row: 0, frames: 0 };
window.showStatus = status;

let music = null;
let frameRequest = 0;
let fullscreen = false;
let starting = false;

function chosenMode() {
  const [width, height] = chooser.elements.mode.value.split('x').map(Number);
  return { width, height, windowed: chooser.elements.windowed.checked, gentle: chooser.elements.gentle.checked };
}

// The seed comes from a millisecond count, as it does natively; the
// browser's wall clock stands in for the time since boot.
const seedTicks = () => Date.now() % 4294967296;

function frame() {
  const heard = music.now();
  status.order = heard.position & 0xffff;
  status.row = heard.position >>> 16;
  status.frames += 1;
  if (!show._webShowFrame(heard.position, heard.playing ? 1 : 0)) {
    endShow();
    return;
  }
  frameRequest = requestAnimationFrame(frame);
}

function endShow() {
  if (!status.playing) return;
  status.playing = false;
  cancelAnimationFrame(frameRequest);
  music.stop();
  show._webShowStop();
  stage.hidden = true;
  chooser.hidden = false;
  beside.hidden = false;
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
}

async function play() {
  const mode = chosenMode();
  // Sound and full screen are granted only inside the click.
  music = new ShowMusic();
  fullscreen = !mode.windowed;
  const enteringFullscreen = fullscreen ? stage.requestFullscreen() : Promise.resolve();
  canvas.width = mode.width;
  canvas.height = mode.height;
  stage.classList.toggle('fullscreen', fullscreen);
  chooser.hidden = true;
  beside.hidden = true;
  stage.hidden = false;
  try {
    await enteringFullscreen;
  } catch (error) {
    console.warn(`mardunqist: no full screen (${error.message}); playing in the page`);
    fullscreen = false;
    stage.classList.remove('fullscreen');
  }
  if (!show._webShowStart(mode.width, mode.height, seedTicks(), 0, mode.gentle ? 1 : 0)) {
    music.stop();
    stage.hidden = true;
    chooser.hidden = false;
    beside.hidden = false;
    return;
  }
  Object.assign(status, { playing: true, order: 0, row: 0, frames: 0 });
  try {
    await music.play(moduleBytes, moduleFile);
  } catch (error) {
    // Ended before the sound could start (Escape), or no sound at all: the
    // show goes on silent, at order 0, as with a module that cannot play.
    if (status.playing) console.error(`mardunqist: no sound: ${error.message}`);
  }
  if (status.playing) frameRequest = requestAnimationFrame(frame);
}

chooser.addEventListener('submit', (event) => {
  event.preventDefault();
  if (status.playing || starting) return;
  starting = true;
  play().finally(() => { starting = false; });
});

chooser.elements.exit.addEventListener('click', () => {
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
