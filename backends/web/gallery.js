// The gallery: every stored knot and link with its name, as a grid of stills drawn by the engine;
// one opens large and turning, in the style the viewer picks, and turns with a mouse or a finger.
const TvGallery = (() => {
  const kThumbSize = 128;
  const kSmooth = 6;
  const kDegreesPerPixel = 0.5;
  const kTurnPerSecond = 30;  // degrees about the vertical axis while nobody turns it
  let wasm = null;
  let canvas = null;  // the engine's canvas: the large view
  const thumbs = [];  // cells' canvases still to draw, by knot index
  let open = null;    // {index, turnX, turnY, dragging, fresh}
  let style = kSmooth;  // the viewer's choice, kept from one knot to the next

  const cString = (at) => wasm.UTF8ToString(at);

  function element(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }

  function buildGrid() {
    const grid = document.getElementById('tv-grid');
    for (let index = 0; index < wasm._tv_knot_count(); ++index) {
      const cell = element('button', 'tv-knot');
      const thumb = element('canvas');
      thumb.width = thumb.height = kThumbSize;
      thumbs.push(thumb);
      cell.append(thumb, element('span', 'tv-name', cString(wasm._tv_knot_name(index))));
      cell.addEventListener('click', () => show(index));
      const item = element('li');
      item.append(cell);
      grid.append(item);
    }
  }

  function buildStyles() {
    const bar = document.getElementById('tv-styles');
    for (let s = 0; s < 8; ++s) {
      const button = element('button', '', cString(wasm._tv_style_label(s)));
      button.dataset.style = s;
      button.addEventListener('click', () => {
        style = s;
        open.fresh = true;
        markStyle();
      });
      bar.append(button);
    }
  }

  function markStyle() {
    for (const button of document.querySelectorAll('#tv-styles button')) {
      button.setAttribute('aria-pressed', String(Number(button.dataset.style) === style));
    }
  }

  function viewSize() {
    return Math.max(160, Math.floor(Math.min(innerWidth, innerHeight - 96, 900)));
  }

  function show(index) {
    open = {index, turnX: 0, turnY: 0, dragging: null, fresh: true};
    document.getElementById('tv-viewer-name').textContent = cString(wasm._tv_knot_name(index));
    document.getElementById('tv-viewer').hidden = false;
    markStyle();
  }

  function hide() {
    document.getElementById('tv-viewer').hidden = true;
    open = null;
  }

  // Drags turn the knot: across about the vertical axis, up and down about the horizontal one.
  function listenForTurns() {
    canvas.style.touchAction = 'none';
    canvas.addEventListener('pointerdown', (event) => {
      canvas.setPointerCapture(event.pointerId);
      open.dragging = {x: event.clientX, y: event.clientY};
    });
    canvas.addEventListener('pointermove', (event) => {
      if (!open || !open.dragging) return;
      open.turnY += (event.clientX - open.dragging.x) * kDegreesPerPixel;
      open.turnX += (event.clientY - open.dragging.y) * kDegreesPerPixel;
      open.dragging = {x: event.clientX, y: event.clientY};
    });
    for (const kind of ['pointerup', 'pointercancel']) {
      canvas.addEventListener(kind, () => open && (open.dragging = null));
    }
  }

  // One still into a thumbnail per call, so the page stays live while the grid fills.
  function drawThumb() {
    const index = thumbs.findIndex((thumb) => thumb !== null);
    if (index < 0) return;
    wasm._tv_resize(kThumbSize, kThumbSize);
    wasm._tv_draw_knot(index, kSmooth, 0, 0, 1);
    thumbs[index].getContext('2d').drawImage(canvas, 0, 0);
    thumbs[index] = null;
  }

  function drawOpen(seconds) {
    if (!open.dragging) open.turnY += kTurnPerSecond * seconds;
    const size = viewSize();
    if (canvas.width !== size || canvas.height !== size) open.fresh = true;
    if (open.fresh) wasm._tv_resize(size, size);
    wasm._tv_draw_knot(open.index, style, open.turnX, open.turnY, open.fresh ? 1 : 0);
    open.fresh = false;
  }

  function run() {
    let last = performance.now();
    const frame = (now) => {
      const seconds = Math.min(now - last, 100) / 1000;
      last = now;
      if (open) {
        drawOpen(seconds);
      } else {
        for (const end = now + 12; performance.now() < end && thumbs.some((t) => t);) drawThumb();
      }
      requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
  }

  return {
    start(module) {
      wasm = module;
      canvas = module.canvas;
      if (!wasm._tv_init()) {
        document.getElementById('tv-grid').textContent = 'This browser has no WebGL 2.';
        return;
      }
      buildGrid();
      buildStyles();
      listenForTurns();
      document.getElementById('tv-viewer-close').addEventListener('click', hide);
      document.addEventListener('keydown', (event) => event.key === 'Escape' && open && hide());
      run();
    },
  };
})();
