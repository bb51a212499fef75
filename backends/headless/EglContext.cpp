#include "EglContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#define GL_GLEXT_PROTOTYPES 0
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>
#include <type_traits>

namespace tv::headless {

struct EglContext::Impl {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLContext context = EGL_NO_CONTEXT;
  EGLSurface surface = EGL_NO_SURFACE;  // a 1x1 pbuffer only where surfaceless binding is missing
  GLuint framebuffer = 0;
  GLuint colour = 0, depth = 0, stencil = 0;

  PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;

  bool LoadEntryPoints() {
    auto load = [](auto& fn, const char* name) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(eglGetProcAddress(name));
      return fn != nullptr;
    };
    return load(genFramebuffers, "glGenFramebuffers") &&
           load(deleteFramebuffers, "glDeleteFramebuffers") &&
           load(bindFramebuffer, "glBindFramebuffer") &&
           load(genRenderbuffers, "glGenRenderbuffers") &&
           load(deleteRenderbuffers, "glDeleteRenderbuffers") &&
           load(bindRenderbuffer, "glBindRenderbuffer") &&
           load(renderbufferStorage, "glRenderbufferStorage") &&
           load(framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           load(checkFramebufferStatus, "glCheckFramebufferStatus");
  }

  void DropTarget() {
    if (framebuffer) {
      bindFramebuffer(GL_FRAMEBUFFER, 0);
      deleteFramebuffers(1, &framebuffer);
    }
    GLuint buffers[3] = {colour, depth, stencil};
    for (GLuint& b : buffers)
      if (b) deleteRenderbuffers(1, &b);
    framebuffer = colour = depth = stencil = 0;
  }

  GLuint Renderbuffer(GLenum format, int width, int height) {
    GLuint id = 0;
    genRenderbuffers(1, &id);
    bindRenderbuffer(GL_RENDERBUFFER, id);
    renderbufferStorage(GL_RENDERBUFFER, format, width, height);
    return id;
  }

  // Prefers the saver's own format (depth 16, stencil 8 apart); drivers that refuse separate
  // depth and stencil buffers get the packed 24/8 format.
  bool MakeTarget(int width, int height) {
    DropTarget();
    genFramebuffers(1, &framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    colour = Renderbuffer(GL_RGBA8, width, height);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    depth = Renderbuffer(GL_DEPTH_COMPONENT16, width, height);
    stencil = Renderbuffer(GL_STENCIL_INDEX8, width, height);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, stencil);
    if (checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
      framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, 0);
      framebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
      deleteRenderbuffers(1, &depth);
      deleteRenderbuffers(1, &stencil);
      stencil = 0;
      depth = Renderbuffer(GL_DEPTH24_STENCIL8, width, height);
      framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
    }
    if (checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
    glViewport(0, 0, width, height);
    return true;
  }

  ~Impl() {
    if (display == EGL_NO_DISPLAY) return;
    if (context != EGL_NO_CONTEXT) {
      if (bindFramebuffer) DropTarget();
      eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
      eglDestroyContext(display, context);
    }
    if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
    eglTerminate(display);
  }
};

namespace {

bool HasExtension(const char* list, const char* name) {
  if (!list) return false;
  const size_t n = std::strlen(name);
  for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n) {
    const bool startOk = p == list || p[-1] == ' ';
    const bool endOk = p[n] == ' ' || p[n] == '\0';
    if (startOk && endOk) return true;
  }
  return false;
}

// The Mesa surfaceless platform needs no X server or render node permissions beyond the driver;
// the default display is the fallback for other EGL vendors.
EGLDisplay OpenDisplay() {
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay) {
      EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
      EGLint major = 0, minor = 0;
      if (d != EGL_NO_DISPLAY && eglInitialize(d, &major, &minor)) return d;
    }
  }
  EGLDisplay d = eglGetDisplay(EGL_DEFAULT_DISPLAY);
  EGLint major = 0, minor = 0;
  if (d != EGL_NO_DISPLAY && eglInitialize(d, &major, &minor)) return d;
  return EGL_NO_DISPLAY;
}

std::string EglErrorText(const char* what) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%s failed (EGL error 0x%04X)", what,
                static_cast<unsigned>(eglGetError()));
  return buffer;
}

}  // namespace

std::unique_ptr<EglContext> EglContext::Create(int width, int height, std::string& error) {
  if (width < 1 || height < 1 || width > 16384 || height > 16384) {
    error = "picture size must be 1..16384 pixels each way";
    return nullptr;
  }
  std::unique_ptr<EglContext> result(new EglContext);
  result->impl_ = std::make_unique<Impl>();
  Impl& m = *result->impl_;

  m.display = OpenDisplay();
  if (m.display == EGL_NO_DISPLAY) {
    error = "no EGL display available (is Mesa's libEGL installed?)";
    return nullptr;
  }
  if (!eglBindAPI(EGL_OPENGL_API)) {
    error = EglErrorText("eglBindAPI(EGL_OPENGL_API)");
    return nullptr;
  }
  const char* extensions = eglQueryString(m.display, EGL_EXTENSIONS);
  const bool surfaceless = HasExtension(extensions, "EGL_KHR_surfaceless_context");

  EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                               EGL_SURFACE_TYPE, surfaceless ? 0 : EGL_PBUFFER_BIT,
                               EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                               EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(m.display, configAttributes, &config, 1, &count) || count < 1) {
    if (!surfaceless || !HasExtension(extensions, "EGL_KHR_no_config_context")) {
      error = "no EGL configuration for desktop OpenGL";
      return nullptr;
    }
    config = EGL_NO_CONFIG_KHR;
  }

  // Immediate mode needs the compatibility profile; a plain legacy request is the fallback.
  const EGLint compatibility[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                  EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  m.context = eglCreateContext(m.display, config, EGL_NO_CONTEXT, compatibility);
  if (m.context == EGL_NO_CONTEXT) m.context = eglCreateContext(m.display, config, EGL_NO_CONTEXT, nullptr);
  if (m.context == EGL_NO_CONTEXT) {
    error = EglErrorText("eglCreateContext");
    return nullptr;
  }
  if (!surfaceless) {
    const EGLint pbuffer[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
    m.surface = eglCreatePbufferSurface(m.display, config, pbuffer);
    if (m.surface == EGL_NO_SURFACE) {
      error = EglErrorText("eglCreatePbufferSurface");
      return nullptr;
    }
  }
  if (!eglMakeCurrent(m.display, m.surface, m.surface, m.context)) {
    error = EglErrorText("eglMakeCurrent");
    return nullptr;
  }
  if (!m.LoadEntryPoints()) {
    error = "the OpenGL driver has no framebuffer objects";
    return nullptr;
  }
  if (!result->Resize(width, height)) {
    error = "could not make a complete offscreen framebuffer";
    return nullptr;
  }
  return result;
}

EglContext::~EglContext() = default;

bool EglContext::Resize(int width, int height) {
  if (width < 1 || height < 1 || width > 16384 || height > 16384) return false;
  if (!impl_->MakeTarget(width, height)) return false;
  width_ = width;
  height_ = height;
  GLint bits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &bits);
  depthBits_ = bits;
  glGetIntegerv(GL_STENCIL_BITS, &bits);
  stencilBits_ = bits;
  return true;
}

std::string EglContext::Describe() const {
  auto text = [](GLenum name) {
    const auto* s = reinterpret_cast<const char*>(glGetString(name));
    return std::string(s ? s : "?");
  };
  return text(GL_RENDERER) + ", OpenGL " + text(GL_VERSION) + ", depth " +
         std::to_string(depthBits_) + " bits, stencil " + std::to_string(stencilBits_) + " bits";
}

std::vector<uint8_t> ReadFramebuffer(int width, int height) {
  const size_t row = static_cast<size_t>(width) * 4;
  std::vector<uint8_t> bottomUp(row * height), topDown(row * height);
  glFinish();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
  for (int y = 0; y < height; ++y)
    std::memcpy(&topDown[y * row], &bottomUp[(height - 1 - y) * row], row);
  return topDown;
}

std::vector<uint8_t> EglContext::ReadPixels() const { return ReadFramebuffer(width_, height_); }

}  // namespace tv::headless
