// Full screen as the Windows saver runs it: a click or a key on the page enters full screen;
// there, by the host's closing rules, any key, any mouse button or finger, or a pointer move of
// more than the host's threshold (|dx| + |dy| from the anchor) leaves full screen again. The
// anchor is the pointer's first place reported in full screen: a page learns where the pointer is
// only when it moves, and the page's coordinates shift as the browser's bars go.
const TvFullScreen = (() => {
  let threshold;  // the host's, from the wasm module
  let canEnter;   // false while the settings panel is open
  let anchor = null;  // where moves are measured from, while in full screen
  let pressLeft = false;  // a press left full screen: its click must not enter it again
  const isFull = () => document.fullscreenElement !== null;

  function leave(event) {
    event.preventDefault();
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  }

  function enter() {
    anchor = null;
    document.documentElement.requestFullscreen().catch(() => {});
  }

  // Controls of the page (the settings button, links) keep their own clicks and keys.
  const onControl = (event) => event.target.closest('button, a, input, select, textarea') !== null;

  function attach(moveThreshold, enterAllowed) {
    threshold = moveThreshold;
    canEnter = enterAllowed;
    document.addEventListener('pointermove', (event) => {
      if (!isFull()) return;
      const at = {x: event.clientX, y: event.clientY};
      if (!anchor) anchor = at;
      if (Math.abs(at.x - anchor.x) + Math.abs(at.y - anchor.y) > threshold) leave(event);
    });
    for (const kind of ['pointerdown', 'mousedown']) {
      document.addEventListener(kind, (event) => {
        if (isFull()) leave(event);
        if (kind === 'pointerdown') pressLeft = isFull();
      });
    }
    document.addEventListener('contextmenu', (event) => isFull() && event.preventDefault());
    document.addEventListener('keydown', (event) => {
      if (isFull()) {
        leave(event);
      } else if (!event.repeat && !onControl(event) && canEnter()) {
        enter();
      }
    });
    document.addEventListener('click', (event) => {
      if (pressLeft) pressLeft = false;
      else if (!isFull() && !onControl(event) && canEnter()) enter();
    });
  }

  return {attach, isFull};
})();
