// The three browser engines the page is made for, driven alike for the web
// capture (and, through tests/web/browser.mjs, the browser tests and the
// benchmarks):
//
//   chromium  Debian's Chromium, headless, WebGL 2 through SwiftShader
//             (puppeteer-core over the DevTools protocol)
//   firefox   Debian's Firefox ESR on a private Xvfb, since headless Firefox
//             has no WebGL 2 (puppeteer-core over WebDriver BiDi)
//   webkit    WebKitGTK's MiniBrowser, Safari's engine, on a private Xvfb
//             (WebKitWebDriver, through selenium-webdriver)
//
// Firefox and WebKit get a private PulseAudio null sink for their sound, so
// it plays in real time with no sound card; `sound: false` gives them none.
// `downloads: FOLDER` has Chromium and Firefox save what a page downloads
// there, unasked; `pid` is the browser's process where it is known (for its
// memory). Every browser starts with a fresh profile and leaves nothing
// behind.
//
// A page offers what every engine can do: goto, evaluate, waitFor, and a
// call when it crashes. Console lines and uncaught errors are collected
// where the engine's driver reports them (not WebKit's: the pages keep
// their own, see window.showStatus).
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { existsSync } from 'node:fs';
import { mkdtemp, rm } from 'node:fs/promises';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';
import { Builder } from 'selenium-webdriver';

export { serveFolders, listen } from './site-server.mjs';

export const engines = ['chromium', 'firefox', 'webkit'];

const programs = {
  chromium: process.env.CHROMIUM || '/usr/bin/chromium',
  firefox: process.env.FIREFOX || '/usr/bin/firefox-esr',
  webkit: process.env.MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser',
  webkitDriver: process.env.WEBKIT_DRIVER || '/usr/bin/WebKitWebDriver',
};

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Everything a launch starts, undone in reverse order by close().
class Undo {
  constructor() { this.steps = []; }
  add(step) { this.steps.push(step); }
  async run() {
    for (const step of this.steps.reverse()) await Promise.resolve().then(step).catch(() => {});
    this.steps = [];
  }
}

function kill(child) {
  if (child.exitCode !== null || child.signalCode !== null) return Promise.resolve();
  child.kill('SIGTERM');
  return Promise.race([once(child, 'exit'), sleep(3000).then(() => child.kill('SIGKILL'))]);
}

// A display of our own: Xvfb picks a free number and writes it to fd 3.
async function startXvfb(undo) {
  const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
    { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
  undo.add(() => kill(xvfb));
  let text = '';
  for await (const chunk of xvfb.stdio[3]) {
    text += chunk;
    if (text.includes('\n')) break;
  }
  if (!/^\d+\n/.test(text)) throw new Error('Xvfb did not start');
  return `:${text.trim()}`;
}

// A PulseAudio server of our own with one null sink: a sound device that
// plays in real time into nothing.
async function startPulse(folder, undo) {
  const socket = path.join(folder, 'pulse.socket');
  const pulse = spawn('pulseaudio', ['-n', '--daemonize=no', '--exit-idle-time=-1', '--disallow-exit',
    '--use-pid-file=no', '--log-target=stderr', '-L', 'module-null-sink sink_name=nowhere',
    '-L', `module-native-protocol-unix socket=${socket} auth-anonymous=1`],
  { stdio: 'ignore', env: { ...process.env, HOME: folder, XDG_RUNTIME_DIR: folder, XDG_CONFIG_HOME: folder } });
  undo.add(() => kill(pulse));
  for (let i = 0; i < 100 && !existsSync(socket); ++i) await sleep(50);
  if (!existsSync(socket)) throw new Error('PulseAudio did not start');
  return `unix:${socket}`;
}

function freePort() {
  return new Promise((resolve, reject) => {
    const server = createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

// A puppeteer page (Chromium, Firefox) behind the common face.
class PuppeteerPage {
  constructor(page) {
    this.raw = page;
    this.lines = [];
    this.errors = [];
    page.on('console', (message) => this.lines.push(message.text()));
    page.on('pageerror', (error) => this.errors.push(error.message));
  }

  goto(url) { return this.raw.goto(url); }
  evaluate(fn, ...args) { return this.raw.evaluate(fn, ...args); }
  async waitFor(expression, timeout = 30000) {
    return (await this.raw.waitForFunction(expression, { timeout, polling: 100 })).jsonValue();
  }
  // Calls back once if the page crashes or its browser goes away.
  onGone(callback) {
    this.raw.on('error', (error) => callback(`the page crashed: ${error.message}`));
    this.raw.browser().on('disconnected', () => callback('the browser ended'));
  }
  close() { return this.raw.close(); }
}

// A WebDriver session (WebKit) behind the same face.
class WebDriverPage {
  constructor(driver) {
    this.driver = driver;
    this.lines = [];
    this.errors = [];
    this.watch = null;
  }

  goto(url) { return this.driver.get(url); }
  evaluate(fn, ...args) {
    const call = typeof fn === 'function' ? `return (${fn})(...arguments);` : `return (${fn});`;
    return this.driver.executeScript(call, ...args);
  }
  async waitFor(expression, timeout = 30000) {
    const deadline = Date.now() + timeout;
    for (;;) {
      const value = await this.evaluate(expression);
      if (value) return value;
      if (Date.now() > deadline) throw new Error(`timed out after ${timeout} ms waiting for ${expression}`);
      await sleep(100);
    }
  }
  onGone(callback) {
    // WebDriver tells nothing of a crash: ask the page now and then.
    this.watch = setInterval(() => {
      this.driver.executeScript('return 1').catch((error) => {
        clearInterval(this.watch);
        callback(`the browser stopped answering: ${error.message}`);
      });
    }, 2000);
  }
  async close() { clearInterval(this.watch); }
}

function chromiumArgs() {
  return ['--headless=new', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--ignore-gpu-blocklist',
    '--autoplay-policy=no-user-gesture-required', '--no-sandbox', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync', '--disable-quic',
    '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
    '--disable-backgrounding-occluded-windows',
    // The capture page collects its garbage itself (see capture.js).
    '--js-flags=--expose-gc'];
}

// What Firefox must not do on a machine with no network, and sound it may play.
const firefoxPrefs = {
  'media.autoplay.default': 0,
  'media.autoplay.blocking_policy': 0,
  'browser.shell.checkDefaultBrowser': false,
  'app.update.enabled': false,
  'browser.safebrowsing.malware.enabled': false,
  'browser.safebrowsing.phishing.enabled': false,
  'datareporting.policy.dataSubmissionEnabled': false,
  'extensions.update.enabled': false,
  'network.captive-portal-service.enabled': false,
  'network.connectivity-service.enabled': false,
  'toolkit.telemetry.enabled': false,
  'browser.ml.enable': false,
  'browser.backup.enabled': false,
  'browser.backup.scheduled.enabled': false,
};

// What Firefox needs to save downloads into `folder` without asking.
const firefoxDownloadPrefs = (folder) => ({
  'browser.download.folderList': 2,
  'browser.download.dir': folder,
  'browser.download.useDownloadDir': true,
  'browser.download.start_downloads_in_tmp_dir': false,
  'browser.download.always_ask_before_handling_new_types': false,
  'browser.helperApps.neverAsk.saveToDisk': 'video/mp4,video/webm',
});

// A fresh browser of `engine`; close() ends it and everything it started.
export async function launchBrowser({ engine = 'chromium', sound = true, downloads = null } = {}) {
  if (!engines.includes(engine)) throw new Error(`no browser engine "${engine}" (${engines.join(', ')})`);
  const undo = new Undo();
  const folder = await mkdtemp(path.join(tmpdir(), `mardunqist-${engine}-`));
  undo.add(() => rm(folder, { recursive: true, force: true }));
  try {
    const env = { ...process.env };
    if (engine !== 'chromium') {
      env.DISPLAY = await startXvfb(undo);
      // No sound server at all: the browser finds no output device.
      env.PULSE_SERVER = sound ? await startPulse(folder, undo) : `unix:${path.join(folder, 'no-sound-here')}`;
      env.HOME = folder;
    }
    let newPage;
    // The browser's own process (not WebKit's: its driver starts it).
    let browserPid = null;
    if (engine === 'webkit') {
      const port = await freePort();
      const driverProcess = spawn(programs.webkitDriver, [`--port=${port}`, '--host=127.0.0.1'],
        { stdio: 'ignore', env });
      undo.add(() => kill(driverProcess));
      let driver = null;
      for (let attempt = 0; !driver; ++attempt) {
        try {
          driver = await new Builder().usingServer(`http://127.0.0.1:${port}`).withCapabilities({
            browserName: 'MiniBrowser',
            'webkitgtk:browserOptions': { binary: programs.webkit, args: ['--automation'] },
          }).build();
        } catch (error) {
          if (attempt >= 50) throw new Error(`WebKitWebDriver did not start: ${error.message}`);
          await sleep(100);
        }
      }
      undo.add(() => driver.quit());
      let taken = false;
      newPage = async ({ width = 1024, height = 768 } = {}) => {
        // One page a session, as WebDriver has it.
        if (taken) throw new Error('a WebKit browser here has one page');
        taken = true;
        await driver.manage().window().setRect({ x: 0, y: 0, width, height });
        return new WebDriverPage(driver);
      };
    } else {
      const launch = (profile) => puppeteer.launch(engine === 'firefox'
        ? { browser: 'firefox', executablePath: programs.firefox, headless: false, env,
          userDataDir: path.join(folder, profile),
          extraPrefsFirefox: { ...firefoxPrefs, ...(downloads ? firefoxDownloadPrefs(downloads) : {}) } }
        : { executablePath: programs.chromium, headless: true, userDataDir: path.join(folder, profile),
          args: chromiumArgs() });
      let browser;
      try {
        browser = await launch('profile');
      } catch (error) {
        // Firefox now and then crashes as it starts, before its first
        // window (a segfault and a minidump in the new profile); started
        // again on a new profile, it runs.
        if (engine !== 'firefox' || !/Failed to launch the browser process/.test(error.message)) throw error;
        browser = await launch('profile-again');
      }
      undo.add(() => browser.close());
      browserPid = browser.process()?.pid ?? null;
      if (downloads && engine === 'chromium') {
        const session = await browser.target().createCDPSession();
        await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
      }
      newPage = async ({ width = 1024, height = 768 } = {}) => {
        const page = await browser.newPage();
        await page.setViewport({ width, height });
        return new PuppeteerPage(page);
      };
    }
    return { engine, newPage, close: () => undo.run(), pid: browserPid };
  } catch (error) {
    await undo.run();
    throw error;
  }
}
