// "save video" on the start page: the short show saved in Chromium and in
// Firefox, against the native capture with the same seed; cancelling part
// way, an encoder failing part way, and a browser without WebCodecs.
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { cp, readdir, readFile, writeFile } from 'node:fs/promises';
import path from 'node:path';
import test from 'node:test';
import { downloaded, nativeBuild, scratchFolder, shortShow, startPage, webBuild } from './lib.mjs';

const seed = 123456;

const probe = (file, entries) => JSON.parse(execFileSync('ffprobe',
  ['-v', 'error', '-count_frames', '-show_entries', entries, '-of', 'json', file]).toString());

// The frames of a video as PNGs, one for each frame it holds (none dropped
// or doubled, whatever its time base).
function framesOf(video, folder) {
  execFileSync('ffmpeg', ['-v', 'error', '-i', video, '-fps_mode', 'passthrough', '-start_number', '0',
    path.join(folder, 'frame-%06d.png')]);
  return folder;
}

// Mean PSNR (RGB) of the frames of `a` from `shift` on against those of `b`.
function psnr(a, b, shift = 0) {
  const { stderr } = spawnSync('ffmpeg', ['-hide_banner', '-nostdin', '-framerate', '30', '-start_number',
    String(shift), '-i', path.join(a, 'frame-%06d.png'), '-framerate', '30', '-start_number', '0',
    '-i', path.join(b, 'frame-%06d.png'), '-lavfi', '[0:v]format=rgb24[a];[1:v]format=rgb24[b];[a][b]psnr',
    '-f', 'null', '-'], { encoding: 'utf8' });
  return Number(/PSNR .* average:(\S+)/.exec(stderr)?.[1] ?? NaN);
}

// The native capture of the short show at 640x480, 30 fps, with the seed.
async function nativeFrames(t, data) {
  const folder = await scratchFolder(t);
  execFileSync(path.join(nativeBuild, 'mardunqist-capture'), ['--quiet', '--size', '640x480', '--fps', '30',
    '--seed-tick', String(seed), '--data', data, `${folder}/`]);
  return folder;
}

async function saved(page, downloads) {
  await page.waitFor('window.showStatus.video.state !== "saving"', 120000);
  const outcome = await page.evaluate(() => window.showStatus.video);
  assert.equal(outcome.state, 'saved', JSON.stringify(outcome));
  return downloaded(downloads, outcome);
}

for (const engine of ['chromium', 'firefox']) {
  test(`${engine}: the short show saved from the start page as the native capture draws it`, async (t) => {
    const data = await shortShow(t);
    const downloads = await scratchFolder(t);
    const page = await startPage(t, data, { engine, downloads, query: `?seed=${seed}` });
    await page.click('input[name=windowed]');
    await page.evaluate(() => { document.querySelector('select[name=fps]').value = '30'; });
    await page.click('button[name=video]');
    const file = await saved(page, downloads);
    assert.equal(path.basename(file), `kelvo-mardunqist-640x480-30fps-seed${seed}.mp4`);

    const { streams } = probe(file, 'stream=codec_type,codec_name,width,height,r_frame_rate,nb_read_frames,' +
      'color_space,color_range,color_primaries');
    const picture = streams.find((s) => s.codec_type === 'video');
    const sound = streams.find((s) => s.codec_type === 'audio');
    assert.deepEqual([picture.codec_name, picture.width, picture.height, picture.r_frame_rate],
      ['h264', 640, 480, '30/1']);
    assert.deepEqual([picture.color_space, picture.color_primaries, picture.color_range], ['bt709', 'bt709', 'tv']);
    assert.equal(sound.codec_name, 'opus');

    const native = await nativeFrames(t, data);
    const nativeCount = (await readdir(native)).filter((name) => name.endsWith('.png')).length;
    assert.equal(Number(picture.nb_read_frames), nativeCount, 'as many frames as the native capture');
    const web = framesOf(file, await scratchFolder(t));
    // The same frames: far closer to the native capture's than its frames
    // one later are.
    const same = psnr(web, native);
    const shifted = psnr(web, native, 1);
    assert.ok(same > shifted + 5, `PSNR ${same} dB against the native frames, ${shifted} dB one frame off`);
    assert.deepEqual([...page.errors, ...(await page.evaluate(() => window.showStatus.errors))], []);
  });
}

// The site with an encoding worker whose video encoder gives up after 20
// frames.
async function siteWithFailingEncoder(t) {
  const site = await scratchFolder(t);
  await cp(path.join(webBuild, 'site'), site, { recursive: true });
  const worker = path.join(site, 'video-encoder.js');
  await writeFile(worker, `
const encode = VideoEncoder.prototype.encode;
let frames = 0;
VideoEncoder.prototype.encode = function failing(...args) {
  if (++frames > 20) throw new DOMException('the encoder gave up', 'EncodingError');
  return encode.apply(this, args);
};
${await readFile(worker, 'utf8')}`);
  return site;
}

// Nothing downloaded, the progress gone, and the start page as it was: play
// works, and the button can start another video.
async function startPageWorksOn(page, downloads) {
  await new Promise((resolve) => setTimeout(resolve, 1000));
  assert.deepEqual(await readdir(downloads), [], 'nothing saved');
  assert.equal(await page.evaluate(() => document.getElementById('saving').hidden), true);
  await page.click('button[name=play]');
  await page.waitFor('window.showStatus.playing && window.showStatus.frames > 10', 30000);
  await page.press('Escape');
  await page.waitFor('!window.showStatus.playing', 10000);
  assert.equal(await page.evaluate(() => document.querySelector('button[name=video]').disabled), false);
}

test('chromium: cancelled part way, nothing is saved and the start page works on', async (t) => {
  const downloads = await scratchFolder(t);
  const page = await startPage(t, await shortShow(t), { downloads });
  await page.click('input[name=windowed]');
  await page.click('button[name=video]');
  await page.waitFor('window.showStatus.video.frames > 30', 60000);
  assert.equal(await page.evaluate(() => document.getElementById('saving').hidden), false, 'the progress shows');
  assert.match(await page.evaluate(() => document.getElementById('saving-line').textContent),
    /^\d+%, \d+:\d\d spent, about \d+:\d\d left$/);
  await page.click('button[name=cancel]');
  await page.waitFor('window.showStatus.video.state === "cancelled"', 10000);
  await startPageWorksOn(page, downloads);
});

test('chromium: an encoder failing part way, the page says why, saves nothing and works on', async (t) => {
  const downloads = await scratchFolder(t);
  const page = await startPage(t, await shortShow(t), { downloads, site: await siteWithFailingEncoder(t) });
  await page.click('input[name=windowed]');
  await page.click('button[name=video]');
  await page.waitFor('window.showStatus.video.state === "failed"', 60000);
  assert.match(await page.evaluate(() => document.getElementById('video-line').textContent),
    /^the video could not be saved: the encoder gave up$/);
  await startPageWorksOn(page, downloads);
});

test('chromium: a browser without WebCodecs says why "save video" is off', async (t) => {
  const page = await startPage(t, await shortShow(t), {
    prepare: (p) => p.raw.evaluateOnNewDocument(() => { delete window.VideoEncoder; }),
  });
  await page.waitFor('!document.getElementById("video-line").hidden', 10000);
  assert.equal(await page.evaluate(() => document.querySelector('button[name=video]').disabled), true);
  assert.match(await page.evaluate(() => document.getElementById('video-line').textContent),
    /^save video: this browser cannot encode video \(it has no WebCodecs\)$/);
  // The show itself plays as ever.
  await page.click('button[name=play]');
  await page.waitFor('window.showStatus.frames > 10', 30000);
});
