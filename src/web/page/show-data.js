// The show's six files, fetched from a folder of the site: the module as
// bytes for the music, the pictures written where the show's loader reads
// them (/show) and, when their header says they are worth it, decoded by the
// browser beforehand, since the loader cannot wait for it.
import { Downloads } from './download.js';
import { moduleFile, pictureFiles } from './show-files.js';

// { module, pictures: { name: bytes }, failures: { name: why } }: a file that
// cannot be fetched is left out, and why is kept. A picture that is not
// there (404) is not a failure here: the show's loader says so itself, as
// natively, when it looks for it.
export async function fetchShowData(folderUrl, downloads = new Downloads()) {
  const failures = {};
  const get = (name) => downloads.fetch(new URL(name, folderUrl)).catch((error) => {
    failures[name] = error.message;
    return null;
  });
  const [module, ...pictures] = await Promise.all([moduleFile, ...pictureFiles].map(get));
  for (const name of pictureFiles) {
    if (failures[name] === 'No such file or directory') delete failures[name];
  }
  return { module, pictures: Object.fromEntries(pictureFiles.map((name, i) => [name, pictures[i]])), failures };
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

// Writes the pictures where the show's loader reads them; a missing one is
// reported by the loader when it looks for it.
export async function installShowData(show, data) {
  show.decodedPictures = {};
  show.FS.mkdirTree('/show');
  for (const name of pictureFiles) {
    const path = `/show/${name}`;
    try { show.FS.unlink(path); } catch { /* not there yet */ }
    const bytes = data.pictures[name];
    if (!bytes) continue;
    show.FS.writeFile(path, new Uint8Array(bytes));
    if (!show.ccall('webPictureWorthDecoding', 'number', ['string'], [path])) continue;
    try {
      show.decodedPictures[path] = await decode(bytes);
    } catch {
      // The loader says the browser cannot decode it.
    }
  }
}

// Both, for the capture page.
export async function loadShowData(show, folderUrl) {
  const data = await fetchShowData(folderUrl);
  await installShowData(show, data);
  return data;
}
