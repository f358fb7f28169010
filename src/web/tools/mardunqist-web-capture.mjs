// mardunqist-web-capture: the web build of the show, captured frame by frame
// in headless Chromium on a virtual clock (capture.html), into PNG frames and
// a timeline. The options are the native capture tool's; the same options
// give each frame the same time and the same music position as a native
// capture, so the two captures draw the same show.
import { promises as fs } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { serveFolders, listen, launchBrowser } from './browser.mjs';

const tool = 'mardunqist-web-capture';
const siteDir = path.join(path.dirname(fileURLToPath(import.meta.url)), '..', 'site');

const usage = `usage: ${tool} [options] OUTPUT/

Renders the web build of the show in headless Chromium (WebGL 2 through
SwiftShader), frame by frame on a virtual clock with the music rendered in
lockstep, into the folder OUTPUT/: frame-000000.png ... The frame times and
music positions are those of mardunqist-capture with the same options.

options:
  --fps RATE        frames per second, whole or a fraction (60, 60000/1001); default 60
  --size WxH        frame size; default 1024x768
  --frames N        stop after N frames
  --seconds S       stop after S seconds of show
  --seed-tick T     the tick count the random seed is made from; default 4200000
  --data DIR        read Vostr_1.it and the pictures from DIR; default .
  --timeline FILE   write frame,time_ms,order,row,playing for every frame (CSV)
  --force           replace an earlier capture in OUTPUT/, and the timeline file
  --quiet           no progress on stderr
  --help            this text

Without --frames or --seconds the capture ends where the show ends.
`;

class UsageError extends Error {}

const wholeNumber = (text) => (/^\d+$/.test(text) ? Number(text) : NaN);

function parseOptions(args) {
  const options = { fps: '60', width: 1024, height: 768, seedTick: 4200000, data: '.', force: false, quiet: false };
  for (let i = 0; i < args.length; ++i) {
    const arg = args[i];
    const value = () => {
      if (i + 1 >= args.length) throw new UsageError(`${arg} needs a value`);
      return args[++i];
    };
    if (arg === '--help' || arg === '-h') options.help = true;
    else if (arg === '--force') options.force = true;
    else if (arg === '--quiet') options.quiet = true;
    else if (arg === '--fps') {
      const v = value();
      const [numerator, denominator = 1, rest] = v.split('/').map(wholeNumber);
      if (rest !== undefined || !(numerator >= 1 && numerator <= 1e6 && denominator >= 1 && denominator <= 1e6)
          || numerator < denominator) {
        throw new UsageError(`--fps: '${v}' is not a frame rate of at least one frame a second (60, 60000/1001)`);
      }
      options.fps = `${numerator}/${denominator}`;
    } else if (arg === '--size') {
      const v = value();
      const match = /^(\d+)x(\d+)$/.exec(v);
      const [w, h] = match ? [Number(match[1]), Number(match[2])] : [0, 0];
      if (!(w >= 16 && h >= 16 && w <= 8192 && h <= 8192)) {
        throw new UsageError(`--size: '${v}' is not WIDTHxHEIGHT (16 to 8192 each)`);
      }
      Object.assign(options, { width: w, height: h });
    } else if (arg === '--frames') {
      const v = value();
      options.frames = wholeNumber(v);
      if (!(options.frames > 0) || !Number.isSafeInteger(options.frames)) {
        throw new UsageError(`--frames: '${v}' is not a positive whole number`);
      }
    } else if (arg === '--seconds') {
      const v = value();
      options.seconds = Number(v);
      if (v.trim() === '' || !(options.seconds > 0 && options.seconds <= 1e6)) {
        throw new UsageError(`--seconds: '${v}' is not a positive number of seconds`);
      }
    } else if (arg === '--seed-tick') {
      const v = value();
      options.seedTick = wholeNumber(v);
      if (!(options.seedTick <= 4294967295)) throw new UsageError(`--seed-tick: '${v}' is not a tick count (0 to 4294967295)`);
    } else if (arg === '--data') options.data = value();
    else if (arg === '--timeline') options.timeline = value();
    else if (arg.startsWith('-')) throw new UsageError(`unknown option ${arg} (see --help)`);
    else if (options.output === undefined) options.output = arg;
    else throw new UsageError(`more than one OUTPUT given ('${options.output}', '${arg}')`);
  }
  if (options.help) return options;
  if (options.output === undefined) throw new UsageError('no OUTPUT given (see --help)');
  if (!options.output.endsWith('/')) throw new UsageError(`OUTPUT must be a folder, written with a trailing / ('${options.output}/')`);
  return options;
}

async function exists(file) {
  return fs.lstat(file).then(() => true, () => false);
}

// Progress in place on a terminal, a line every few seconds otherwise.
function progressPrinter(quiet) {
  const started = Date.now();
  let last = 0;
  return (frames, expected, final = false) => {
    if (quiet) return;
    const now = Date.now();
    if (!final && now - last < (process.stderr.isTTY ? 200 : 5000)) return;
    last = now;
    const rate = frames / Math.max((now - started) / 1000, 1e-3);
    const total = Math.max(expected || frames, frames);
    const line = `frame ${frames}/${total} (${Math.floor((100 * frames) / total)}%), ${rate.toFixed(1)} fps`;
    if (process.stderr.isTTY) process.stderr.write(`\r${line} ${final ? '\n' : ''}`);
    else process.stderr.write(`capture: ${line}\n`);
  };
}

const isCaptureFile = (name) => name === 'audio.wav' || /^frame-\d{6,}\.png$/.test(name);

// The folder the capture will take the place of: a new one, an empty one, or
// (with --force) an earlier capture; anything else in it is the user's.
async function checkOutputFolder(options) {
  let output = path.resolve(options.output);
  const name = path.basename(options.output.replace(/\/+$/, ''));
  if (output === path.parse(output).root || name === '.' || name === '..') {
    throw new Error(`${options.output}: the capture takes the folder's place; name a new folder instead`);
  }
  const info = await fs.lstat(output).catch((error) => {
    if (error.code === 'ENOENT') return null;
    throw new Error(`${options.output}: ${error.message}`);
  });
  if (!info) return output;
  if (info.isSymbolicLink()) output = await fs.realpath(output);
  const entries = await fs.readdir(output).catch((error) => {
    throw new Error(`${options.output}: ${error.code === 'ENOTDIR' ? 'Not a directory' : error.message}`);
  });
  const foreign = entries.find((entry) => !isCaptureFile(entry));
  if (foreign) throw new Error(`${options.output}: holds ${foreign}, which is not a capture's; name a new or empty folder`);
  if (entries.length && !options.force) throw new Error(`${options.output}: already holds a capture; use --force to replace it`);
  return output;
}

async function capture(options, cleanup) {
  const output = await checkOutputFolder(options);
  if (options.timeline && !options.force && (await exists(options.timeline))) {
    throw new Error(`${options.timeline}: already exists; use --force to replace it`);
  }
  const dataDir = path.resolve(options.data);
  if (!(await fs.stat(dataDir).then((s) => s.isDirectory(), () => false))) {
    throw new Error(`${options.data}: not a folder`);
  }
  // Everything goes to a folder beside OUTPUT and takes OUTPUT's name only
  // when the capture is complete, so OUTPUT is whole or untouched.
  const parent = path.dirname(output);
  const partial = await fs.mkdtemp(path.join(parent, `.${path.basename(output)}.partial-`)).catch((error) => {
    throw new Error(`${parent}: ${error.message}`);
  });
  cleanup.add(() => fs.rm(partial, { recursive: true, force: true }));

  const showProgress = progressPrinter(options.quiet);
  let received = 0;
  let finished;
  const done = new Promise((resolve) => { finished = resolve; });
  const server = serveFolders({ '/': siteDir, '/data/': dataDir }, async (request, response) => {
    if (request.method !== 'PUT') return false;
    const name = /^\/capture\/(frame-\d{6}\.png|timeline\.csv|done)$/.exec(request.url)?.[1];
    const chunks = [];
    for await (const chunk of request) chunks.push(chunk);
    const body = Buffer.concat(chunks);
    if (!name) {
      response.writeHead(404).end('not a capture file');
      return true;
    }
    if (name === 'done') {
      response.end();
      finished(JSON.parse(body.toString()));
      return true;
    }
    try {
      await fs.writeFile(path.join(partial, name), body);
      if (name.startsWith('frame-')) showProgress(++received, Number(request.headers['x-expected-frames']));
      response.end();
    } catch (error) {
      response.writeHead(500).end(error.message);
      finished({ ok: false, error: `${path.join(options.output, name)}: ${error.message}` });
    }
    return true;
  });
  const base = await listen(server);
  cleanup.add(() => new Promise((resolve) => server.close(resolve)));

  const browser = await launchBrowser();
  cleanup.add(() => browser.close());
  const page = await browser.newPage();
  page.on('console', (message) => {
    if (message.type() === 'warn' || message.type() === 'error') process.stderr.write(`${message.text()}\n`);
  });
  page.on('pageerror', (error) => finished({ ok: false, error: `the page failed: ${error.message}` }));
  page.on('error', (error) => finished({ ok: false, error: `the page crashed: ${error.message}` }));
  browser.on('disconnected', () => finished({ ok: false, error: 'the browser ended before the capture did' }));
  const query = new URLSearchParams({
    width: options.width, height: options.height, fps: options.fps, seedTick: options.seedTick, data: '/data/',
  });
  if (options.frames) query.set('frames', options.frames);
  if (options.seconds) query.set('seconds', options.seconds);
  await page.goto(`${base}capture.html?${query}`);
  const outcome = await done;
  if (!outcome.ok) throw new Error(outcome.error);
  showProgress(outcome.frames, outcome.frames, true);

  const timelineFile = path.join(partial, 'timeline.csv');
  if (options.timeline) {
    const target = path.resolve(options.timeline);
    const staging = `${target}.partial-${process.pid}`;
    cleanup.add(() => fs.rm(staging, { force: true }));
    await fs.copyFile(timelineFile, staging);
    await fs.rename(staging, target);
  }
  await fs.rm(timelineFile);
  if (await exists(output)) {
    const old = `${partial}.old`;
    await fs.rename(output, old);
    await fs.rename(partial, output);
    await fs.rm(old, { recursive: true, force: true });
  } else {
    await fs.rename(partial, output);
  }
  if (!options.quiet) process.stderr.write(`${tool}: ${outcome.frames} frames written to ${options.output}\n`);
}

async function main() {
  let options;
  try {
    options = parseOptions(process.argv.slice(2));
  } catch (error) {
    process.stderr.write(`${tool}: ${error.message}\n`);
    return 1;
  }
  if (options.help) {
    process.stdout.write(usage);
    return 0;
  }
  const cleanup = new Set();
  const cleanUp = async () => {
    for (const step of [...cleanup].reverse()) await step().catch(() => {});
    cleanup.clear();
  };
  for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP', 'SIGQUIT']) {
    process.on(signal, async () => {
      process.stderr.write(`\n${tool}: interrupted; nothing written under ${options.output}\n`);
      await cleanUp();
      process.exit(130);
    });
  }
  try {
    await capture(options, cleanup);
    await cleanUp();
    return 0;
  } catch (error) {
    await cleanUp();
    process.stderr.write(`${tool}: ${error.message}\n`);
    return 1;
  }
}

process.exitCode = await main();
