// The encoding half of saving a video, in a worker of its own: the browser's
// encoders (WebCodecs), the muxer (mediabunny) and the file as it grows.
// video.js steps the show on the page and sends each frame here.
//
// Why a worker: the encoders' spent output lies outside the JavaScript heap,
// and Firefox collects it only when the heap that made it has a reason to
// collect; on a page busy with the show it grew by gigabytes, here it stays
// flat.
//
// What the page sends, in this order:
//   { start: { format, videoConfig, soundConfig, colorSpace, fps } }
//   { picture: { pixels, timestamp, duration, keyFrame },
//     sound: { samples, frames, timestamp } or null }, one a frame
//   { finish: true }
// What it answers: { ready } once started, { taken } for each frame once the
// encoders can take more, { saved: Blob } at the end, or { failed: why }
// once, at the first thing that goes wrong.
import { EncodedAudioPacketSource, EncodedPacket, EncodedVideoPacketSource, Mp4OutputFormat, Output,
  StreamTarget, WebMOutputFormat } from './mediabunny.mjs';

// Frames and sound chunks an encoder may hold before the page waits for it.
const mostVideoQueued = 4;
const mostSoundQueued = 16;

// The file as the muxer writes it: pieces kept as Blobs, which the browser
// may hold outside the page's memory, and the few bytes it writes back over
// earlier ones (sizes, the index) laid over them at the end.
class FileInPieces {
  constructor() {
    this.pieces = [];
    this.size = 0;
    this.patches = [];
  }

  write({ data, position }) {
    const over = Math.min(Math.max(this.size - position, 0), data.byteLength);
    if (position > this.size) throw new Error(`the muxer wrote at byte ${position} of a file of ${this.size}`);
    if (over > 0) this.patches.push({ position, bytes: data.slice(0, over) });
    if (over < data.byteLength) {
      this.pieces.push(new Blob([data.subarray(over)]));
      this.size += data.byteLength - over;
    }
  }

  blob(type) {
    let file = new Blob(this.pieces);
    for (const { position, bytes } of this.patches) {
      file = new Blob([file.slice(0, position), bytes, file.slice(position + bytes.byteLength)]);
    }
    return new Blob([file], { type });
  }
}

// Waits while the encoder holds more than `most` items.
async function drained(encoder, most) {
  while (encoder.encodeQueueSize > most) {
    await new Promise((resolve) => encoder.addEventListener('dequeue', resolve, { once: true }));
  }
}

let failed = false;
function fail(error) {
  if (failed) return;
  failed = true;
  postMessage({ failed: error?.message || String(error) });
}

// One video being made: started by the first message, fed by the others.
class Video {
  constructor({ format, videoConfig, soundConfig, colorSpace, fps }) {
    // What every frame shares.
    this.frameShape = { format: 'I420', codedWidth: videoConfig.width, codedHeight: videoConfig.height, colorSpace };
    this.soundShape = { format: 's16', sampleRate: soundConfig.sampleRate, numberOfChannels: 2 };
    this.type = format.type;
    this.file = new FileInPieces();
    this.output = new Output({
      format: format.container === 'mp4' ? new Mp4OutputFormat({ fastStart: false }) : new WebMOutputFormat(),
      target: new StreamTarget(new WritableStream({ write: (chunk) => this.file.write(chunk) }),
        { chunked: true, chunkSize: 4 << 20 }),
    });
    const pictures = new EncodedVideoPacketSource(format.videoCodec);
    const sound = new EncodedAudioPacketSource('opus');
    this.output.addVideoTrack(pictures, { frameRate: fps });
    this.output.addAudioTrack(sound);
    // The muxer takes packets in order, one after another.
    this.muxing = Promise.resolve();
    const mux = (source, chunk, meta) => {
      const packet = EncodedPacket.fromEncodedChunk(chunk);
      this.muxing = this.muxing.then(() => source.add(packet, meta)).catch(fail);
    };
    this.videoEncoder = new VideoEncoder({ output: (chunk, meta) => mux(pictures, chunk, meta), error: fail });
    this.soundEncoder = new AudioEncoder({ output: (chunk, meta) => mux(sound, chunk, meta), error: fail });
    this.videoEncoder.configure(videoConfig);
    this.soundEncoder.configure(soundConfig);
  }

  async add({ picture, sound }) {
    if (sound) {
      const data = new AudioData({ ...this.soundShape, numberOfFrames: sound.frames, timestamp: sound.timestamp,
        data: sound.samples });
      this.soundEncoder.encode(data);
      data.close();
    }
    const frame = new VideoFrame(picture.pixels, { ...this.frameShape, timestamp: picture.timestamp,
      duration: picture.duration });
    this.videoEncoder.encode(frame, { keyFrame: picture.keyFrame });
    frame.close();
    await drained(this.videoEncoder, mostVideoQueued);
    await drained(this.soundEncoder, mostSoundQueued);
  }

  async finish() {
    await this.videoEncoder.flush();
    await this.soundEncoder.flush();
    await this.muxing;
    if (failed) return null;
    await this.output.finalize();
    return this.file.blob(this.type);
  }
}

let video = null;
onmessage = async ({ data: message }) => {
  if (failed) return;
  try {
    if (message.start) {
      video = new Video(message.start);
      await video.output.start();
      postMessage({ ready: true });
    } else if (message.picture) {
      await video.add(message);
      postMessage({ taken: true });
    } else if (message.finish) {
      const blob = await video.finish();
      if (blob) postMessage({ saved: blob });
    }
  } catch (error) {
    fail(error);
  }
};
