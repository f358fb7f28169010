// The show's six files, fetched from a folder of the site: the module as
// bytes for the music, the pictures written where the show's loader reads
// them (/show) and, when their header says they are worth it, decoded by the
// browser beforehand, since the loader cannot wait for it.
import { moduleFile, pictureFiles } from './show-files.js';

async function fetchBytes(url) {
  const response = await fetch(url);
  return response.ok ? response.arrayBuffer() : null;
}

async function decode(bytes) {
  // As libjpeg does: no colour management, no premultiplied alpha.
  const bitmap = await createImageBitmap(new Blob([bytes], { type: 'image/jpeg' }),
    { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
  const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
  const context = canvas.getContext('2d');
  context.drawImage(bitmap, 0, 0);
  bitmap.close();
  return context.getImageData(0, 0, canvas.width, canvas.height);
}

// Returns the module's bytes, or null when it cannot be fetched.
export async function loadShowData(show, folderUrl) {
  show.decodedPictures = {};
  show.FS.mkdirTree('/show');
  for (const name of pictureFiles) {
    const path = `/show/${name}`;
    try { show.FS.unlink(path); } catch { /* not there yet */ }
    const bytes = await fetchBytes(new URL(name, folderUrl));
    if (!bytes) continue;  // the loader then says the file is missing
    show.FS.writeFile(path, new Uint8Array(bytes));
    if (!show.ccall('webPictureWorthDecoding', 'number', ['string'], [path])) continue;
    try {
      show.decodedPictures[path] = await decode(bytes);
    } catch {
      // The loader says the browser cannot decode it.
    }
  }
  return fetchBytes(new URL(moduleFile, folderUrl));
}
