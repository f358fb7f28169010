// The screen while the show plays: kept awake by a screen wake lock, and on
// a phone in full screen turned to landscape, so that the 4:3 picture fills
// it. Both are favours a browser may refuse or not offer at all; the show
// plays on either way, and nothing is said.
//
// holdScreen() when the show starts, releaseScreen() when it ends.

let held = false;
let lock = null;      // the wake lock the browser gave, until released
let asking = false;   // a request on its way
let turned = false;   // the orientation locked by us

function askForLock() {
  if (!held || asking || (lock && !lock.released) || document.visibilityState !== 'visible') return;
  if (!navigator.wakeLock) return;
  asking = true;
  let request;
  try {
    request = navigator.wakeLock.request('screen');
  } catch {
    asking = false;
    return;
  }
  Promise.resolve(request).then((sentinel) => {
    // The show may have ended while the browser thought it over.
    if (held) lock = sentinel;
    else sentinel.release().catch(() => {});
  }, () => {}).finally(() => { asking = false; });
}

function turnToLandscape() {
  if (turned || !screen.orientation?.lock) return;
  turned = true;
  // Desktops refuse (they do not turn); a phone turns.
  Promise.resolve().then(() => screen.orientation.lock('landscape')).catch(() => {});
}

function letTurn() {
  if (!turned) return;
  turned = false;
  try {
    screen.orientation.unlock();
  } catch {
    // Nothing was locked after all.
  }
}

export function holdScreen() {
  held = true;
  askForLock();
  if (document.fullscreenElement) turnToLandscape();
}

export function releaseScreen() {
  held = false;
  if (lock) {
    lock.release().catch(() => {});
    lock = null;
  }
  letTurn();
}

// A hidden page loses its wake lock to the browser: ask again when it is seen.
document.addEventListener('visibilitychange', askForLock);

document.addEventListener('fullscreenchange', () => {
  if (!document.fullscreenElement) letTurn();
  else if (held) turnToLandscape();
});
