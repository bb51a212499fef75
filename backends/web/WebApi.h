// The engine's C API as the pages call it (Module.ccall / Module._tv_...). One engine per page:
// it draws into Module.canvas with WebGL 2, through the core's GL table. Strings returned stay
// valid until the next call of the same function.
//
// Saver (index.html):
//   tv_init() once, after Module.canvas is set; then tv_resize for the canvas size, then
//   tv_saver_start, then tv_saver_tick from requestAnimationFrame with the milliseconds since the
//   page started (the saver's 10 ms timer reads the same clock).
// Test hook (index.html?seed=N&at=MS&size=WxH&defaults):
//   tv_init, tv_resize(W, H), tv_saver_start(N, 1), tv_saver_fast_forward(MS), then
//   tv_scene_json() is the same text as `tressvale-render --scene-json` of that run.
// Stills (gallery.html, the style tests):
//   tv_init, tv_resize, then tv_draw_knot for each picture; the canvas holds it until the next
//   draw (the context keeps its drawing buffer, so it can be copied with drawImage or toDataURL).
#pragma once

#include <cstdint>

extern "C" {

// Creates the WebGL 2 context on Module.canvas (no antialiasing, no alpha, kept drawing buffer)
// and builds the shader. 1 when WebGL 2 is there, 0 when not (the page says so and stops).
int tv_init();

// Sets the canvas's drawing buffer to width x height pixels and the saver's view to it (viewport
// and 45-degree perspective, as the saver window does on a resize).
void tv_resize(int width, int height);

// Starts the saver afresh: forgets every slot, sets the fixed GL state and lights, seeds the
// random source with seed and starts the clock so that a tick at now ms draws scene time now.
// With useDefaults the settings are the defaults; otherwise whatever record the settings code
// holds (see SettingsApi.cpp: load the stored value with toSaver before calling this).
void tv_saver_start(uint32_t seed, int useDefaults);

// One tick of the saver's timer at clock reading nowMs (milliseconds since tv_saver_start):
// advances the scene by the time since the last tick and draws a frame (none when no
// millisecond has passed). Returns the scene time drawn.
uint32_t tv_saver_tick(uint32_t nowMs);

// Ticks of 10 ms up to atMs (the first frame when atMs is 0), only the last one drawn, as
// `tressvale-render --png F --at MS` does.
void tv_saver_fast_forward(uint32_t atMs);

// The scene as JSON: the clock and, per slot, its knot, style, effects, colours and position.
const char* tv_scene_json();

// Number of stored knots and the short name of knot index ("3_1", "L6a4", ...).
int tv_knot_count();
const char* tv_knot_name(int index);
// The label of a style 0..7 ("Wire", "Point", ..., "Blended").
const char* tv_style_label(int style);

// Draws stored knot index alone in style 0..7, centred, as `tressvale-render --knot N --style S`
// draws it (fixed GL state reset, random source seeded with 1 first, the current settings' tube
// resolution), then turned by turnX degrees about the screen's x axis and turnY about its y axis
// through the knot's centre. Turns of 0 give exactly the unturned still. reseed 0 keeps the random
// state (a turning view redraws the same tube without drawing it anew: call with reseed 1 for the
// first picture of a knot and 0 for its later turns, which then reuse the built knot).
void tv_draw_knot(int index, int style, float turnX, float turnY, int reseed);

}  // extern "C"
