// The web build measured in each browser engine (Chromium, Firefox,
// WebKit): how close its frames are to the native ones, how fast the page
// draws next to the native show, what the gentle mode costs it, where the
// frame time goes in Chromium, how fast the page saves the show as a video
// and how much memory that takes, and how many bytes a visitor downloads.
//
// usage: node bench/web.mjs [WEB_BUILD] [NATIVE_BUILD] [--once] [frames|speed|profile|video|size ...]
//        (make bench-web runs all five)
//
// --once: every figure once on a tiny input (a second of show, a few
// frames), to see that it still runs; the figures then mean nothing (the
// tests run it so).
//
// Prints a summary; keeps the raw figures and side-by-side frames (native
// left, web right) in WEB_BUILD/bench-results/. The machine is shared: run
// it while nothing else runs, and compare figures of one run.
import { execFileSync } from 'node:child_process';
import { readdirSync, readFileSync } from 'node:fs';
import { mkdir, mkdtemp, readdir, readFile, rm, stat, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { gzipSync } from 'node:zlib';
import { downloaded, engines, launchBrowser, listen, nativeBuild, serveFolders, webBuild } from '../tests/web/lib.mjs';

const once = process.argv.includes('--once');
const sectionsAsked = process.argv.slice(4).filter((arg) => arg !== '--once');
// The show's first frames only, where a figure takes the whole.
const frameLimit = once ? ['--frames', '30'] : [];
const captureFrames = once ? 30 : 600;
const liveSeconds = once ? 2 : 20;
const traceSeconds = once ? 1 : 5;
const sizes = once ? [[640, 480]] : [[640, 480], [1024, 768]];
// Where the live page is measured: in the body of the show, or at once.
const bodyOrder = (order) => (once ? 'window.showStatus.frames > 0' : `window.showStatus.order >= ${order}`);
const results = path.join(webBuild, 'bench-results');

const summary = [];
const note = (line = '') => { summary.push(line); console.log(line); };
const run = (program, args) => execFileSync(program, args, { stdio: ['ignore', 'ignore', 'inherit'] });
const seconds = (start) => (performance.now() - start) / 1000;

await mkdir(results, { recursive: true });
const scratch = await mkdtemp(path.join(tmpdir(), 'mardunqist-bench-web-'));
const shortData = path.join(scratch, 'short');
run(path.join(nativeBuild, 'mardunqist-assets'), ['--short', shortData]);

// Frames: the short show at 320x240, 30 fps, seed tick 123456, both ways.
function phaseOf([, , order, row]) {
  if (order === 0) return 'opening';
  if (order < 32 || (order === 32 && row < 40)) return 'body';
  return order === 32 ? 'ending' : 'credits';
}

async function compareFrames(engine, native) {
  const options = ['--size', '320x240', '--fps', '30', '--seed-tick', '123456', '--data', shortData, '--quiet',
    ...frameLimit];
  const web = path.join(scratch, engine);
  run(path.join(webBuild, 'mardunqist-web-capture'), [...options, '--browser', engine, '--timeline', `${web}.csv`, `${web}/`]);
  const timeline = (await readFile(`${native}.csv`, 'utf8')).trim().split('\n').slice(1)
    .map((line) => line.split(',').map(Number));
  const same = (await readFile(`${web}.csv`, 'utf8')) === (await readFile(`${native}.csv`, 'utf8'));
  const stats = path.join(scratch, `${engine}-psnr.txt`);
  run('ffmpeg', ['-v', 'error', '-i', path.join(web, 'frame-%06d.png'), '-i', path.join(native, 'frame-%06d.png'),
    '-lavfi', `[0]format=rgb24[a];[1]format=rgb24[b];[a][b]psnr=stats_file=${stats}`, '-f', 'null', '-']);
  const psnr = (await readFile(stats, 'utf8')).trim().split('\n')
    .map((line) => Number(/psnr_avg:(\S+)/.exec(line)[1].replace('inf', 'Infinity')));

  note(`${engine}: ${timeline.length} frames, timelines ${same ? 'identical' : 'DIFFERENT'}`);
  note('  phase     frames  mean dB  min dB (frame)  identical');
  const phases = ['opening', 'body', 'ending', 'credits', 'all'];
  const rows = {};
  for (const phase of phases) {
    const frames = timeline.map((row, i) => i).filter((i) => phase === 'all' || phaseOf(timeline[i]) === phase);
    const finite = frames.filter((i) => Number.isFinite(psnr[i]));
    // A capture of the first frames only has no later phases.
    if (!finite.length) {
      note(`  ${phase.padEnd(8)} ${String(frames.length).padStart(7)}  (no frame differs)`);
      continue;
    }
    const mean = finite.reduce((sum, i) => sum + psnr[i], 0) / finite.length;
    const worst = finite.reduce((w, i) => (psnr[i] < psnr[w] ? i : w), finite[0]);
    rows[phase] = { frames: frames.length, mean, min: psnr[worst], worstFrame: worst, identical: frames.length - finite.length };
    note(`  ${phase.padEnd(8)} ${String(frames.length).padStart(7)} ${mean.toFixed(2).padStart(8)} ` +
      `${psnr[worst].toFixed(2).padStart(7)} (${worst})  ${frames.length - finite.length}`);
    if (phase !== 'all') {
      const name = `frame-${String(worst).padStart(6, '0')}.png`;
      run('ffmpeg', ['-v', 'error', '-y', '-i', path.join(native, name), '-i', path.join(web, name),
        '-filter_complex', 'hstack', path.join(results, `${phase}-native-${engine}.png`)]);
    }
  }
  return { same, phases: rows };
}

async function framesEveryEngine() {
  const options = ['--size', '320x240', '--fps', '30', '--seed-tick', '123456', '--data', shortData, '--quiet',
    ...frameLimit];
  const native = path.join(scratch, 'native');
  run(path.join(nativeBuild, 'mardunqist-capture'), [...options, '--timeline', `${native}.csv`, `${native}/`]);
  note('frames: the short show, 320x240, 30 fps, seed tick 123456, each engine\'s web capture against the native one');
  note('(identical frames have an infinite PSNR and are left out of the mean and the minimum; the worst frame of');
  note(' each phase is in bench-results/PHASE-native-ENGINE.png, native left)');
  const rows = {};
  for (const engine of engines) rows[engine] = await compareFrames(engine, native);
  return rows;
}

// Speed: the live page (requestAnimationFrame, so at most the display's 60
// frames a second) over 20 s of the body of the show, plain and gentle; then
// each capture's drawing throughput over the first 600 frames of the full
// show, PNGs included.
async function livePageFps(engine, width, height, gentle = false) {
  const server = serveFolders({ '/': path.join(webBuild, 'site') });
  const base = await listen(server);
  const browser = await launchBrowser({ engine });
  try {
    const page = await browser.newPage({ width: 1280, height: 1000 });
    await page.goto(`${base}index.html`);
    await page.waitFor('window.showStatus && window.showStatus.ready', 120000);
    await page.click(`input[value="${width}x${height}"]`);
    await page.click('input[name=windowed]');
    if (gentle) await page.click('input[name=gentle]');
    await page.click('button[name=play]');
    await page.waitFor(bodyOrder(1), 120000);
    const frames = () => page.evaluate(() => window.showStatus.frames);
    const first = await frames();
    const start = performance.now();
    await new Promise((resolve) => setTimeout(resolve, liveSeconds * 1000));
    return (await frames() - first) / seconds(start);
  } finally {
    await browser.close();
    server.close();
  }
}

async function captureFps(program, width, height, extra = []) {
  const out = path.join(scratch, `speed-${path.basename(program)}-${width}/`);
  const start = performance.now();
  run(program, ['--size', `${width}x${height}`, '--fps', '60', '--frames', String(captureFrames), '--data',
    path.join(webBuild, 'site', 'data'), '--quiet', '--force', ...extra, out]);
  return captureFrames / seconds(start);
}

async function speed() {
  note('');
  note('speed, frames a second (the live page is paced by requestAnimationFrame, at most 60; the captures');
  note(`draw the first ${captureFrames} frames at 60 fps and write PNGs):`);
  note('  engine     size       live page  live, gentle  gentle costs  web capture  native capture');
  const rows = {};
  for (const [width, height] of sizes) {
    const size = `${width}x${height}`;
    const native = await captureFps(path.join(nativeBuild, 'mardunqist-capture'), width, height);
    for (const engine of engines) {
      // One figure that cannot be had (a browser that crashed) leaves the rest standing.
      const tried = (measure) => measure().catch((error) => {
        note(`  (${engine} ${size}: ${error.message.split('\n')[0]})`);
        return NaN;
      });
      const live = await tried(() => livePageFps(engine, width, height));
      const gentle = await tried(() => livePageFps(engine, width, height, true));
      const web = await tried(() => captureFps(path.join(webBuild, 'mardunqist-web-capture'), width, height,
        ['--browser', engine]));
      const cost = 1000 / gentle - 1000 / live;
      rows[`${engine} ${size}`] = { live, gentle, gentleCostMs: cost, web, native };
      note(`  ${engine.padEnd(10)} ${size.padEnd(10)} ${live.toFixed(1).padStart(9)} ${gentle.toFixed(1).padStart(13)} ` +
        `${`${cost.toFixed(1)} ms`.padStart(13)} ${web.toFixed(1).padStart(12)} ${native.toFixed(1).padStart(15)}`);
    }
  }
  return rows;
}

// Where a frame of the live page goes in Chromium at 1024x768: a trace of
// 5 s of the body; the page's own work per frame (the animation frame
// callback: the show's C++ and its WebGL calls) against the GPU process's
// (SwiftShader running those calls).
async function profile() {
  const server = serveFolders({ '/': path.join(webBuild, 'site') });
  const base = await listen(server);
  const browser = await launchBrowser({ engine: 'chromium' });
  try {
    const page = await browser.newPage({ width: 1280, height: 1000 });
    await page.goto(`${base}index.html`);
    await page.waitFor('window.showStatus && window.showStatus.ready', 120000);
    await page.click('input[value="1024x768"]');
    await page.click('input[name=windowed]');
    await page.click('button[name=play]');
    await page.waitFor(bodyOrder(2), 120000);
    const traceFile = path.join(results, 'chromium-1024x768.trace.json');
    const firstFrame = await page.evaluate(() => window.showStatus.frames);
    await page.raw.tracing.start({ path: traceFile, categories: ['devtools.timeline', 'gpu', 'toplevel', 'disabled-by-default-devtools.timeline'] });
    await new Promise((resolve) => setTimeout(resolve, traceSeconds * 1000));
    await page.raw.tracing.stop();
    const frames = (await page.evaluate(() => window.showStatus.frames)) - firstFrame;
    const events = JSON.parse(await readFile(traceFile, 'utf8')).traceEvents;
    const threadNames = new Map();
    for (const e of events) if (e.name === 'thread_name') threadNames.set(`${e.pid}:${e.tid}`, e.args.name);
    const busy = new Map();
    for (const e of events) {
      if (e.ph !== 'X' || !e.dur) continue;
      if (e.name !== 'FireAnimationFrame' && e.name !== 'ThreadControllerImpl::RunTask') continue;
      const key = `${threadNames.get(`${e.pid}:${e.tid}`) || e.tid}/${e.name}`;
      busy.set(key, (busy.get(key) || 0) + e.dur / 1000);
    }
    note('');
    note(`where the frame time goes, Chromium at 1024x768 (${traceSeconds} s of the body, ${frames} frames, ` +
      `${(frames / traceSeconds).toFixed(1)} frames a second; trace in ${path.basename(traceFile)}):`);
    const rows = {};
    for (const [key, ms] of [...busy].sort((a, b) => b[1] - a[1]).slice(0, 6)) {
      rows[key] = ms / frames;
      note(`  ${key.padEnd(48)} ${(ms / frames).toFixed(1).padStart(6)} ms a frame`);
    }
    return { frames, perFrame: rows };
  } finally {
    await browser.close();
    server.close();
  }
}

// Saving a video from the start page: seconds of show saved a second in
// Chromium and Firefox against the native capture to MP4 of the same size,
// rate and seed (each the whole show), and the memory the tab and the whole
// browser took on top of what they held before, beside the file's own size.
const videoChoices = once ? [[640, 480, 30]] : [[640, 480, 30], [1024, 768, 60]];
const videoSeed = 123456;

// The processes under `root` (itself included), with their command lines.
function processTree(root) {
  const parents = new Map();
  for (const name of readdirSync('/proc').filter((entry) => /^\d+$/.test(entry))) {
    try {
      const stat = readFileSync(`/proc/${name}/stat`, 'utf8');
      parents.set(Number(name), Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]));
    } catch {
      // Gone already.
    }
  }
  const tree = [root];
  for (let i = 0; i < tree.length; ++i) {
    for (const [pid, parent] of parents) if (parent === tree[i]) tree.push(pid);
  }
  return tree;
}

function residentMb(pid) {
  try {
    return Number(/VmRSS:\s+(\d+)/.exec(readFileSync(`/proc/${pid}/status`, 'utf8'))[1]) / 1024;
  } catch {
    return 0;
  }
}

// The tab's process (Chromium's renderer, Firefox's content process) and
// all of the browser's, in MB.
function browserMemory(root) {
  let tab = 0, all = 0;
  for (const pid of processTree(root)) {
    const rss = residentMb(pid);
    let command = '';
    try {
      command = readFileSync(`/proc/${pid}/cmdline`, 'utf8');
    } catch {
      continue;
    }
    if (command.includes('--type=renderer') || (command.includes('-contentproc') && command.includes('tab'))) {
      tab = Math.max(tab, rss);
    }
    all += rss;
  }
  return { tab, all };
}

async function pageVideo(engine, data, width, height, fps) {
  const server = serveFolders({ '/': path.join(webBuild, 'site'), '/data/': data });
  const base = await listen(server);
  const downloads = await mkdtemp(path.join(scratch, 'downloads-'));
  const browser = await launchBrowser({ engine, downloads });
  try {
    const page = await browser.newPage({ width: 1280, height: 1000 });
    await page.goto(`${base}index.html?seed=${videoSeed}`);
    await page.waitFor('window.showStatus && window.showStatus.ready && !document.querySelector("button[name=video]").disabled', 120000);
    await page.click(`input[value="${width}x${height}"]`);
    await page.evaluate((rate) => { document.querySelector('select[name=fps]').value = String(rate); }, fps);
    const before = browserMemory(browser.pid);
    const peak = { ...before };
    const watch = setInterval(() => {
      const now = browserMemory(browser.pid);
      peak.tab = Math.max(peak.tab, now.tab);
      peak.all = Math.max(peak.all, now.all);
    }, 500);
    const start = performance.now();
    await page.click('button[name=video]');
    // Asked every few seconds: a driver gives up on any one wait after minutes.
    while (await page.evaluate(() => window.showStatus.video.state === 'saving')) {
      await new Promise((resolve) => setTimeout(resolve, 2000));
    }
    const took = seconds(start);
    clearInterval(watch);
    const outcome = await page.evaluate(() => window.showStatus.video);
    if (outcome.state !== 'saved') throw new Error(`the video was not saved: ${JSON.stringify(outcome)}`);
    const frames = Number(execFileSync('ffprobe', ['-v', 'error', '-count_packets', '-select_streams', 'v',
      '-show_entries', 'stream=nb_read_packets', '-of', 'csv=p=0', await downloaded(downloads, outcome)]));
    return {
      speed: frames / fps / took, fileMb: outcome.bytes / 1e6, name: outcome.name,
      tabBeforeMb: before.tab, tabPeakMb: peak.tab, browserBeforeMb: before.all, browserPeakMb: peak.all,
    };
  } finally {
    await browser.close();
    server.close();
    await rm(downloads, { recursive: true, force: true });
  }
}

async function video() {
  const data = once ? shortData : path.join(webBuild, 'site', 'data');
  note('');
  note(`saving the ${once ? 'short' : 'whole'} show as a video from the start page (seed ${videoSeed}), seconds of show`);
  note('a second, against the native capture to MP4 of the same frames; memory: the tab\'s process and the whole');
  note('browser, before and at their peak while saving, beside the file:');
  note('  engine     size@fps         speed  native    file MB   tab MB before/peak   browser MB before/peak');
  const rows = {};
  for (const [width, height, fps] of videoChoices) {
    const size = `${width}x${height}@${fps}`;
    const out = path.join(scratch, `native-${width}.mp4`);
    const start = performance.now();
    run(path.join(nativeBuild, 'mardunqist-capture'), ['--quiet', '--force', '--size', `${width}x${height}`,
      '--fps', String(fps), '--seed-tick', String(videoSeed), '--data', data, out]);
    const nativeFrames = Number(execFileSync('ffprobe', ['-v', 'error', '-count_packets', '-select_streams', 'v',
      '-show_entries', 'stream=nb_read_packets', '-of', 'csv=p=0', out]));
    const native = nativeFrames / fps / seconds(start);
    for (const engine of ['firefox']) {
      const r = await pageVideo(engine, data, width, height, fps).catch((error) => {
        note(`  (${engine} ${size}: ${error.message.split('\n')[0]})`);
        return null;
      });
      if (!r) continue;
      rows[`${engine} ${size}`] = { ...r, native };
      note(`  ${engine.padEnd(10)} ${size.padEnd(14)} ${r.speed.toFixed(2).padStart(7)}x ${native.toFixed(2).padStart(6)}x` +
        ` ${r.fileMb.toFixed(1).padStart(9)} ${r.tabBeforeMb.toFixed(0).padStart(10)}/${r.tabPeakMb.toFixed(0).padEnd(9)}` +
        ` ${r.browserBeforeMb.toFixed(0).padStart(11)}/${r.browserPeakMb.toFixed(0)}`);
    }
  }
  return rows;
}

// Size: what a visitor downloads before the data files, gzip-compressed as a
// static server would send it.
async function siteSize() {
  const site = path.join(webBuild, 'site');
  const files = (await readdir(site, { withFileTypes: true })).filter((e) => e.isFile() && !e.name.endsWith('.LICENSE'));
  let raw = 0, compressed = 0;
  const perFile = {};
  for (const { name } of files) {
    const bytes = await readFile(path.join(site, name));
    const packed = gzipSync(bytes, { level: 9 }).length;
    raw += bytes.length;
    compressed += packed;
    perFile[name] = { raw: bytes.length, gzip: packed };
  }
  const data = await readdir(path.join(site, 'data'));
  let dataBytes = 0;
  for (const name of data) dataBytes += (await stat(path.join(site, 'data', name))).size;
  note('');
  note(`site without data: ${(compressed / 1024).toFixed(0)} KiB gzip (${(raw / 1024).toFixed(0)} KiB raw) in ` +
    `${files.length} files; data files ${(dataBytes / 1024).toFixed(0)} KiB`);
  for (const [name, size] of Object.entries(perFile).sort((a, b) => b[1].gzip - a[1].gzip)) {
    note(`  ${name.padEnd(24)} ${(size.gzip / 1024).toFixed(1).padStart(8)} KiB gzip ${(size.raw / 1024).toFixed(1).padStart(8)} KiB`);
  }
  return { raw, compressed, perFile, dataBytes };
}

try {
  const sections = { frames: framesEveryEngine, speed, profile, video, size: siteSize };
  const chosen = sectionsAsked.length ? sectionsAsked : Object.keys(sections);
  const figures = {};
  for (const name of chosen) figures[name] = await sections[name]();
  await writeFile(path.join(results, `web-${chosen.join('-')}.json`), JSON.stringify(figures, null, 2));
  await writeFile(path.join(results, 'web-summary.txt'), summary.join('\n') + '\n');
  console.log(`\nraw figures and side-by-side frames in ${results}`);
} finally {
  await rm(scratch, { recursive: true, force: true });
}
