// The web capture in each engine against the native capture with the same
// options: the same frame times and music positions, and frames that differ
// only by how the rasterisers round (SwiftShader in Chromium, llvmpipe in
// Firefox and WebKit, drawing the web build's own lines, against llvmpipe's).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdir, mkdtemp, readdir, readFile, rm, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import test, { after } from 'node:test';
import { webBuild, nativeBuild, engines, scratchFolder } from './lib.mjs';

// Per-frame PSNR (dB) of two PNG sequences; identical frames give Infinity.
function framePsnr(folderA, folderB, statsFile) {
  execFileSync('ffmpeg', ['-v', 'error', '-i', path.join(folderA, 'frame-%06d.png'),
    '-i', path.join(folderB, 'frame-%06d.png'), '-lavfi',
    `[0]format=rgb24[a];[1]format=rgb24[b];[a][b]psnr=stats_file=${statsFile}`, '-f', 'null', '-']);
}

// The native capture the web ones are held against, made once.
let native = null;
function nativeCapture(folder, options) {
  native ??= (async () => {
    const timeline = path.join(folder, 'native.csv');
    execFileSync(path.join(nativeBuild, 'mardunqist-capture'),
      [...options, '--timeline', timeline, path.join(folder, 'native/')], { stdio: 'inherit' });
    return { frames: path.join(folder, 'native'), timeline: await readFile(timeline, 'utf8') };
  })();
  return native;
}

const captureFolder = await mkdtemp(path.join(tmpdir(), 'mardunqist-web-capture-test-'));
after(() => rm(captureFolder, { recursive: true, force: true }));
const data = path.join(captureFolder, 'data');
execFileSync(path.join(nativeBuild, 'mardunqist-assets'), ['--short', data], { stdio: 'ignore' });
const options = ['--size', '320x240', '--fps', '30', '--seed-tick', '123456', '--data', data, '--quiet'];

for (const engine of engines) {
  test(`${engine}: a web capture draws the native capture's show: same timeline, every frame close`, async () => {
    const reference = await nativeCapture(captureFolder, options);
    const frames = path.join(captureFolder, `${engine}/`);
    const timeline = path.join(captureFolder, `${engine}.csv`);
    execFileSync(path.join(webBuild, 'mardunqist-web-capture'),
      [...options, '--browser', engine, '--timeline', timeline, frames], { stdio: 'inherit' });

    assert.equal(await readFile(timeline, 'utf8'), reference.timeline);
    const rows = reference.timeline.trim().split('\n').slice(1).map((line) => line.split(','));
    assert.ok(rows.some(([, , order]) => order === '33'), 'the capture reaches the credits');

    const stats = path.join(captureFolder, `${engine}-psnr.txt`);
    framePsnr(frames, reference.frames, stats);
    const psnr = (await readFile(stats, 'utf8')).trim().split('\n')
      .map((line) => Number(/psnr_avg:(\S+)/.exec(line)[1].replace('inf', 'Infinity')));
    assert.equal(psnr.length, rows.length);
    const worst = Math.min(...psnr);
    assert.ok(worst >= 20, `worst frame ${psnr.indexOf(worst)} at ${worst} dB`);
  });
}

test('the web capture leaves OUTPUT whole or untouched', async (t) => {
  const folder = await scratchFolder(t);
  const capture = (...args) => {
    try {
      execFileSync(path.join(webBuild, 'mardunqist-web-capture'), ['--quiet', ...args], { stdio: 'pipe' });
      return { status: 0, stderr: '' };
    } catch (error) {
      return { status: error.status, stderr: error.stderr.toString() };
    }
  };
  // No module and no --frames: the show would never end.
  const failed = capture('--data', folder, path.join(folder, 'out/'));
  assert.equal(failed.status, 1);
  assert.match(failed.stderr, /Vostr_1\.it: .*give --frames or --seconds/);
  assert.deepEqual(await readdir(folder), []);

  await mkdir(path.join(folder, 'out'));
  await writeFile(path.join(folder, 'out', 'notes.txt'), 'mine');
  const refused = capture('--force', '--frames', '1', '--data', folder, path.join(folder, 'out/'));
  assert.equal(refused.status, 1);
  assert.match(refused.stderr, /out\/: holds notes\.txt, which is not a capture's/);
  assert.deepEqual(await readdir(path.join(folder, 'out')), ['notes.txt']);
});

test('both capture tools read the command line by the same rules, in the same words', () => {
  const said = (program, args) => {
    try {
      execFileSync(program, args, { stdio: 'pipe' });
      return 'accepted';
    } catch (error) {
      return `status ${error.status}: ${error.stderr.toString().replace(/^[\w-]+: /, '')}`;
    }
  };
  const bad = [[], ['--fps', '0.5', 'x/'], ['--fps', '1/2', 'x/'], ['--size', '10x10', 'x/'],
    ['--frames', '0', 'x/'], ['--seconds', 'soon', 'x/'], ['--seed-tick', '-1', 'x/'], ['--bogus', 'x/'],
    ['a/', 'b/'], ['x/', '--timeline']];
  for (const args of bad) {
    const native = said(path.join(nativeBuild, 'mardunqist-capture'), args);
    assert.match(native, /^status 1: \S/, args.join(' '));
    assert.equal(said(path.join(webBuild, 'mardunqist-web-capture'), args), native, args.join(' '));
  }
});
