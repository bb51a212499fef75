// The few WebGL 2 calls the GL table needs, implemented in JavaScript (WebGl.js), and the
// table's own housekeeping.
#pragma once

extern "C" {
// Creates the context on Module.canvas and builds the shader; 1 when WebGL 2 is there.
int tv_gl_init();
void tv_gl_canvas_size(int width, int height);
// Draws count vertices of 10 floats (position, normal, colour) with the state block state.
void tv_gl_draw(const float* vertices, int count, const float* state);
void tv_gl_enable(unsigned capability, int on);
void tv_gl_depth_func(unsigned func);
void tv_gl_blend_func(unsigned source, unsigned destination);
void tv_gl_clear_color(float r, float g, float b, float a);
void tv_gl_clear_depth(float depth);
void tv_gl_clear(unsigned mask);
void tv_gl_viewport(int x, int y, int width, int height);
}

namespace tv::web {
// Forgets the table's state and any vertices not yet drawn.
void ResetGl();
// Draws the vertices still waiting.
void FlushGl();
// While alive, blocks are dropped instead of drawn; all other state is kept as usual.
class SkipDrawing {
 public:
  SkipDrawing();
  ~SkipDrawing();
  SkipDrawing(const SkipDrawing&) = delete;
  SkipDrawing& operator=(const SkipDrawing&) = delete;
};
}  // namespace tv::web
