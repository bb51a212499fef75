// Full screen as the Windows saver runs it: a click or a key on the page enters full screen;
// there, by the host's closing rules, any key, any mouse button or finger, or a pointer move of
// more than the host's threshold (|dx| + |dy| from where the pointer was when full screen began,
// or from its first reported place after a key began it) leaves full screen again.
const TvFullScreen = (() => {
  let threshold = 4;
  let canEnter = () => true;
  let anchor = null;   // screen position moves are measured from, while in full screen
  let pointer = null;  // last known screen position of the pointer
  let pressLeft = false;  // a press left full screen: its click must not enter it again
  const isFull = () => document.fullscreenElement !== null;
  const at = (event) => ({x: event.screenX, y: event.screenY});

  function leave(event) {
    event.preventDefault();
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  }

  function enter(from) {
    anchor = from;
    document.documentElement.requestFullscreen().catch(() => {});
  }

  // Controls of the page (the settings button, links) keep their own clicks and keys.
  const onControl = (event) => event.target.closest('button, a, input, select, textarea') !== null;

  function attach(moveThreshold, enterAllowed) {
    threshold = moveThreshold;
    canEnter = enterAllowed;
    document.addEventListener('pointermove', (event) => {
      pointer = at(event);
      if (!isFull()) return;
      if (!anchor) anchor = pointer;
      if (Math.abs(pointer.x - anchor.x) + Math.abs(pointer.y - anchor.y) > threshold) leave(event);
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
        enter(pointer);
      }
    });
    document.addEventListener('click', (event) => {
      if (pressLeft) pressLeft = false;
      else if (!isFull() && !onControl(event) && canEnter()) enter(at(event));
    });
  }

  return {attach, isFull};
})();
