// The saver page: the scene filling the window on the saver's clock, or, with a query, one
// reproducible picture for the tests:
//   ?seed=N&at=MS&size=WxH[&defaults]  the frame tressvale-render --seed N --png F --at MS draws;
//                                      the scene as JSON in window.tressvaleScene
//   ?knot=N&style=S&size=WxH[&defaults] the still of tressvale-render --knot N --style S (0..7)
//   ?bench=FRAMES&seed=N&size=WxH[&defaults]  frames every 10 ms, each timed to its end;
//                                      the times in window.tressvaleBench
// A picture done sets the title to "ready". window.tressvaleFirstFrameMs: page load to the
// first frame drawn.
var Module = (() => {
  const query = new URLSearchParams(location.search);
  const canvas = document.getElementById('tressvale');
  const kTimerStepMs = 10;
  let wasm = null;

  const number = (name, fallback) => (query.has(name) ? Number(query.get(name)) >>> 0 : fallback);
  const cString = (at) => wasm.UTF8ToString(at);

  // Waits for the GPU so that a time or a picture covers the whole frame.
  function finish() {
    const gl = canvas.getContext('webgl2');
    gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, new Uint8Array(4));
  }

  function firstFrameDrawn() {
    finish();
    window.tressvaleFirstFrameMs = performance.now();
  }

  // The canvas at exactly WxH pixels, whatever the window.
  function fixedSize() {
    const [width, height] = (query.get('size') || '640x360').split('x').map(Number);
    canvas.style.width = width + 'px';
    canvas.style.height = height + 'px';
    wasm._tv_resize(width, height);
  }

  function percentile(sorted, p) {
    return sorted[Math.min(sorted.length - 1, Math.ceil(p * sorted.length) - 1)];
  }

  function bench(frames) {
    const ms = [];
    for (let k = 1; k <= frames; ++k) {
      const start = performance.now();
      wasm._tv_saver_tick(k * kTimerStepMs);
      finish();
      ms.push(performance.now() - start);
      if (k === 1) window.tressvaleFirstFrameMs = performance.now();
    }
    const sorted = ms.slice().sort((a, b) => a - b);
    window.tressvaleBench = {frames, p50: percentile(sorted, 0.5), p99: percentile(sorted, 0.99),
                             max: sorted[sorted.length - 1],
                             mean: ms.reduce((a, b) => a + b, 0) / frames};
  }

  // Reproducible pictures: drawn once, then the page stops.
  function testHook() {
    const defaults = query.has('defaults');
    if (window.TvSettings && !defaults) TvSettings.setUpPage(wasm, true, () => {});
    fixedSize();
    wasm._tv_saver_start(number('seed', 1), defaults ? 1 : 0);
    if (query.has('knot')) {
      wasm._tv_draw_knot(number('knot', 0), number('style', 6), 0, 0, 1);
      firstFrameDrawn();
    } else if (query.has('bench')) {
      bench(number('bench', 1000));
    } else {
      wasm._tv_saver_fast_forward(number('at', 0));
      firstFrameDrawn();
      window.tressvaleScene = JSON.parse(cString(wasm._tv_scene_json()));
    }
    document.title = 'ready';
  }

  // The saver itself: the canvas fills the window at the device's pixels, and each animation
  // frame ticks the saver's clock with the milliseconds since it started.
  function run() {
    let started = null;
    const fit = () => {
      const scale = window.devicePixelRatio || 1;
      wasm._tv_resize(Math.round(canvas.clientWidth * scale), Math.round(canvas.clientHeight * scale));
    };
    const restart = () => {
      fit();
      wasm._tv_saver_start(Math.floor(Date.now() / 1000) >>> 0, 0);
      started = null;
    };
    if (window.TvSettings) TvSettings.setUpPage(wasm, true, restart);
    window.addEventListener('resize', fit);
    restart();
    const frame = (time) => {
      // One timer step before the first frame, so that the first animation frame draws.
      if (started === null) started = time - kTimerStepMs;
      wasm._tv_saver_tick(Math.round(time - started) >>> 0);
      if (window.tressvaleFirstFrameMs === undefined) firstFrameDrawn();
      requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
  }

  return {
    canvas,
    onRuntimeInitialized() {
      wasm = Module;
      if (!wasm._tv_init()) {
        document.body.append('This browser has no WebGL 2.');
        return;
      }
      if (query.has('seed') || query.has('knot') || query.has('bench')) testHook();
      else run();
    },
  };
})();
