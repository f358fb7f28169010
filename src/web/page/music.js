// The music seen from the page: starts the worklet that plays the module
// (music-worklet.js) and answers, at each frame, the position being heard.
//
// The worklet renders ahead of the loudspeaker by the output's latency, so
// its reports are queued with the sample frame at which each block ends and
// taken only once the output has played that far (getOutputTimestamp, or
// currentTime less the base and output latencies where that is missing).
// So the picture follows the sound, as the native player's position does.
export class ShowMusic {
  // Call from the click that starts the show: browsers start sound only then.
  constructor() {
    this.context = new AudioContext({ sampleRate: 44100, latencyHint: 'interactive' });
    this.reports = [];
    this.heard = { position: 0, playing: false };
    this.node = null;
  }

  // Plays the module once; a module that cannot be played leaves the music
  // at order 0, stopped, with one console line saying why.
  async play(moduleBytes, fileName) {
    if (!moduleBytes) return;
    await this.context.audioWorklet.addModule(new URL('./music-worklet.js', import.meta.url));
    this.node = new AudioWorkletNode(this.context, 'show-music', {
      numberOfInputs: 0, numberOfOutputs: 1, outputChannelCount: [2],
      processorOptions: { moduleBytes },
    });
    this.node.port.onmessage = ({ data }) => {
      if (data.type === 'failed') console.error(`mardunqist: ${fileName}: ${data.reason}`);
      else this.reports.push(data);
    };
    this.node.connect(this.context.destination);
    await this.context.resume();
  }

  heardFrame() {
    const context = this.context;
    const stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
    let seconds;
    if (stamp && stamp.performanceTime > 0) {
      seconds = stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
    } else {
      seconds = context.currentTime - (context.baseLatency || 0) - (context.outputLatency || 0);
    }
    return seconds * context.sampleRate;
  }

  // { position, playing } as heard now.
  now() {
    const heardFrame = this.heardFrame();
    while (this.reports.length && this.reports[0].endFrame <= heardFrame) this.heard = this.reports.shift();
    return this.heard;
  }

  stop() {
    if (this.node) this.node.disconnect();
    this.context.close();
  }
}
