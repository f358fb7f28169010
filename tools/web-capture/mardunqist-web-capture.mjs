// mardunqist-web-capture: the web build of the show, captured frame by frame
// in headless Chromium on a virtual clock (capture.html), into PNG frames and
// a timeline. The options are the native capture tool's; the same options
// give each frame the same time and the same music position as a native
// capture, so the two captures draw the same show.
import { promises as fs } from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';
import { serveFolders, listen, launchBrowser } from './browser.mjs';
import { moduleFile } from '../site/show-files.js';

const tool = 'mardunqist-web-capture';
const siteDir = path.join(path.dirname(fileURLToPath(import.meta.url)), '..', 'site');

// The command line's rules are the native tool's own (capture_options.cpp,
// compiled for Node.js), so both tools take the same values and say the same
// words about bad ones.
const rules = await createRequire(import.meta.url)('./capture-options.cjs')();

const usage = () => `usage: ${tool} [options] OUTPUT/

Renders the web build of the show in a browser (headless Chromium with
WebGL 2 through SwiftShader by default; Firefox or WebKit on a display of its
own), frame by frame on a virtual clock with the music rendered in lockstep,
into the folder OUTPUT/: frame-000000.png ... The frame times and music
positions are those of mardunqist-capture with the same options.

options:
${rules.UTF8ToString(rules._webCaptureOptionsHelp())}
Without --frames or --seconds the capture ends where the show ends.
`;

class UsageError extends Error {}

// The options as the rules read them; throws a UsageError with their reason.
function parseOptions(args) {
  const argv = [tool, ...args].map((arg) => {
    const size = rules.lengthBytesUTF8(arg) + 1;
    const pointer = rules._malloc(size);
    rules.stringToUTF8(arg, pointer, size);
    return pointer;
  });
  const table = rules._malloc(4 * argv.length);
  argv.forEach((pointer, i) => { rules.HEAP32[(table >> 2) + i] = pointer; });
  const answer = JSON.parse(rules.UTF8ToString(rules._webCaptureOptions(argv.length, table)));
  for (const pointer of [...argv, table]) rules._free(pointer);
  if (!answer.ok) throw new UsageError(answer.error);
  return answer.options;
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

// --data's folder; without it, as natively, the working directory when it
// holds anything by the module's name (a user's own show), else the site's.
async function dataFolder(named) {
  if (!named) return (await exists(moduleFile)) ? path.resolve('.') : path.join(siteDir, 'data');
  const folder = path.resolve(named);
  if (!(await fs.stat(folder).then((s) => s.isDirectory(), () => false))) throw new Error(`${named}: not a folder`);
  return folder;
}

async function capture(options, cleanup) {
  const output = await checkOutputFolder(options);
  if (options.timeline && !options.force && (await exists(options.timeline))) {
    throw new Error(`${options.timeline}: already exists; use --force to replace it`);
  }
  const dataDir = await dataFolder(options.dataDir);
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
    const name = /^\/capture\/(frame-\d{6}\.png|timeline\.csv|log|done)$/.exec(request.url)?.[1];
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
    // What the page says (a picture it cannot use, a module it cannot play).
    if (name === 'log') {
      response.end();
      process.stderr.write(`${body.toString()}\n`);
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

  const browser = await launchBrowser({ engine: options.browser });
  cleanup.add(() => browser.close());
  const page = await browser.newPage();
  page.onGone((why) => finished({ ok: false, error: `${why} before the capture did` }));
  const query = new URLSearchParams({
    width: options.width, height: options.height, fps: options.fps, seedTick: options.seedTick, data: '/data/',
  });
  if (options.frames) query.set('frames', options.frames);
  if (options.seconds) query.set('seconds', options.seconds);
  if (options.gentle) query.set('gentle', '1');
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
    process.stdout.write(usage());
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
