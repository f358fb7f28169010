// Downloads that say how far they have come, for the start page's loading
// line: every file counts its bytes as they arrive, out of the sizes the
// server has announced so far.
export class Downloads {
  // onChange(received, announced) after every chunk.
  constructor(onChange = () => {}) {
    this.files = new Map();
    this.onChange = onChange;
  }

  get received() {
    let sum = 0;
    for (const file of this.files.values()) sum += file.received;
    return sum;
  }

  get announced() {
    let sum = 0;
    for (const file of this.files.values()) sum += Math.max(file.size, file.received);
    return sum;
  }

  // The file's bytes, or throws an Error saying why it could not be had
  // ("No such file or directory" for a 404, as natively for a missing file).
  async fetch(url) {
    const file = { size: 0, received: 0 };
    this.files.set(String(url), file);
    let response;
    try {
      response = await fetch(url);
    } catch (error) {
      throw new Error(`cannot be fetched (${error.message})`);
    }
    if (response.status === 404) throw new Error('No such file or directory');
    if (!response.ok) throw new Error(`cannot be fetched (${response.status} ${response.statusText})`);
    file.size = Number(response.headers.get('Content-Length')) || 0;
    this.onChange(this.received, this.announced);
    if (!response.body) return response.arrayBuffer();
    const chunks = [];
    const reader = response.body.getReader();
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      chunks.push(value);
      file.received += value.length;
      this.onChange(this.received, this.announced);
    }
    const bytes = new Uint8Array(file.received);
    let at = 0;
    for (const chunk of chunks) {
      bytes.set(chunk, at);
      at += chunk.length;
    }
    return bytes.buffer;
  }
}
