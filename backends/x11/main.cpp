// The saver on X11 with GLX: in a window of its own, full screen, on the root window or in a
// window handed over by a screen-saver daemon. The frame code is the same as everywhere: a 10 ms
// tick measures the elapsed milliseconds and draws one frame.
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "EglContext.h"
#include "PngWriter.h"
#include "X11Options.h"
#include "display/Display.h"
#include "foundation/Random.h"
#include "render/Gl.h"
#include "settings/SaverSettings.h"

namespace {

using tv::x11::Target;
using tv::x11::X11Options;

volatile std::sig_atomic_t stopRequested = 0;
void RequestStop(int) { stopRequested = 1; }

constexpr int kMoveThreshold = 5;  // pixels the pointer may drift before a full-screen saver ends

int Fail(const std::string& message, int code) {
  std::fprintf(stderr, "tressvale: %s\n", message.c_str());
  return code;
}

XVisualInfo* ChooseOwnVisual(Display* display, int screen) {
  int withStencil[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8,
                       GLX_BLUE_SIZE, 8, GLX_DEPTH_SIZE, 16, GLX_STENCIL_SIZE, 1, None};
  if (XVisualInfo* vi = glXChooseVisual(display, screen, withStencil)) return vi;
  int plain[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, None};
  return glXChooseVisual(display, screen, plain);
}

// The visual of a window someone else made; GL must draw with exactly that one.
XVisualInfo* VisualOfWindow(Display* display, Window window, XWindowAttributes& attributes) {
  if (!XGetWindowAttributes(display, window, &attributes)) return nullptr;
  XVisualInfo wanted;
  wanted.visualid = XVisualIDFromVisual(attributes.visual);
  int count = 0;
  XVisualInfo* vi = XGetVisualInfo(display, VisualIDMask, &wanted, &count);
  int usesGl = 0;
  if (vi && (glXGetConfig(display, vi, GLX_USE_GL, &usesGl) != 0 || !usesGl)) {
    XFree(vi);
    return nullptr;
  }
  return vi;
}

bool badWindow = false;
int NoteXError(Display*, XErrorEvent* e) {
  if (e->error_code == BadWindow || e->error_code == BadDrawable) badWindow = true;
  return 0;
}

void GoFullScreen(Display* display, Window window) {
  Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  Atom full = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
  XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&full), 1);
}

void HideCursor(Display* display, Window window) {
  static char empty[1] = {0};
  Pixmap blank = XCreateBitmapFromData(display, window, empty, 1, 1);
  XColor black = {};
  Cursor cursor = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
  XDefineCursor(display, window, cursor);
  XFreeCursor(display, cursor);
  XFreePixmap(display, blank);
}

bool SaveSnapshot(const std::string& path, int width, int height) {
  tv::headless::Image image;
  image.width = width;
  image.height = height;
  glReadBuffer(GL_BACK);
  image.rgba = tv::headless::ReadFramebuffer(width, height);
  std::string error;
  if (!tv::headless::WritePng(path, image, error)) {
    std::fprintf(stderr, "tressvale: %s\n", error.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  X11Options options;
  std::string error;
  if (!tv::x11::ParseX11Options(argc, argv, options, error)) {
    std::fprintf(stderr, "tressvale: %s\n%s", error.c_str(), tv::x11::kX11Usage);
    return 2;
  }

  Display* display = XOpenDisplay(nullptr);
  if (!display) return Fail("cannot open the X display (is DISPLAY set?)", 1);
  XSetErrorHandler(NoteXError);
  const int screen = DefaultScreen(display);
  if (!options.useDefaults) tv::LoadSettings();

  Window window = 0;
  bool ownWindow = false;
  XVisualInfo* visual = nullptr;
  XWindowAttributes attributes = {};
  if (options.target == Target::Root || options.target == Target::ForeignWindow) {
    window = options.target == Target::Root ? RootWindow(display, screen) : options.windowId;
    visual = VisualOfWindow(display, window, attributes);
    XSync(display, False);
    if (badWindow) {
      char id[32];
      std::snprintf(id, sizeof id, "0x%lx", options.windowId);
      return Fail(std::string("there is no window ") + id, 1);
    }
    if (!visual) return Fail("the window's visual cannot draw with OpenGL", 1);
    XSelectInput(display, window, StructureNotifyMask | ExposureMask);
  } else {
    visual = ChooseOwnVisual(display, screen);
    if (!visual) return Fail("no OpenGL visual with a depth buffer on this display", 1);
    const Window root = RootWindow(display, screen);
    XSetWindowAttributes set = {};
    set.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    set.background_pixel = BlackPixel(display, screen);
    set.border_pixel = 0;
    set.event_mask = StructureNotifyMask | ExposureMask | KeyPressMask | ButtonPressMask |
                     PointerMotionMask | FocusChangeMask;
    int width = options.width, height = options.height;
    if (options.target == Target::FullScreen) {
      width = DisplayWidth(display, screen);
      height = DisplayHeight(display, screen);
    }
    window = XCreateWindow(display, root, 0, 0, static_cast<unsigned>(width),
                           static_cast<unsigned>(height), 0, visual->depth, InputOutput,
                           visual->visual, CWColormap | CWBackPixel | CWBorderPixel | CWEventMask,
                           &set);
    ownWindow = true;
    XStoreName(display, window, "Tressvale");
    Atom closeAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &closeAtom, 1);
    if (options.target == Target::FullScreen) {
      GoFullScreen(display, window);
      HideCursor(display, window);
    }
    XMapRaised(display, window);
    XGetWindowAttributes(display, window, &attributes);
  }

  GLXContext context = glXCreateContext(display, visual, nullptr, True);
  if (!context || !glXMakeCurrent(display, window, context)) {
    return Fail("cannot create or activate an OpenGL context on the window", 1);
  }
  int doubleBuffered = 0;
  glXGetConfig(display, visual, GLX_DOUBLEBUFFER, &doubleBuffered);
  XFree(visual);

  std::signal(SIGTERM, RequestStop);
  std::signal(SIGINT, RequestStop);
  std::signal(SIGHUP, RequestStop);

  int width = attributes.width, height = attributes.height;
  tv::ResizeView(width, height);
  tv::InitGLState();
  if (options.seed) tv::SeedRandom(*options.seed);

  long framesDrawn = 0;
  bool snapshotFailed = false;
  tv::SetSwapFunction([&] {
    ++framesDrawn;
    if (framesDrawn == options.frames && !options.snapshot.empty()) {
      snapshotFailed = !SaveSnapshot(options.snapshot, width, height);
    }
    if (doubleBuffered) glXSwapBuffers(display, window);
  });
  tv::StartClock(tv::MillisecondClock());

  const Atom closeAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
  const bool closeOnInput = options.target == Target::FullScreen;
  bool havePointer = false;
  int pointerX = 0, pointerY = 0;
  bool running = true;
  auto nextTick = std::chrono::steady_clock::now();
  while (running && !stopRequested) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      switch (event.type) {
        case ConfigureNotify:
          if (event.xconfigure.width != width || event.xconfigure.height != height) {
            width = event.xconfigure.width;
            height = event.xconfigure.height;
            tv::ResizeView(width, height);
          }
          break;
        case KeyPress: {
          const KeySym key = XLookupKeysym(&event.xkey, 0);
          if (closeOnInput || key == XK_Escape || key == XK_q) running = false;
          break;
        }
        case ButtonPress:
          if (closeOnInput) running = false;
          break;
        case MotionNotify:
          if (!closeOnInput) break;
          if (!havePointer) {
            havePointer = true;
            pointerX = event.xmotion.x;
            pointerY = event.xmotion.y;
          } else if (std::abs(event.xmotion.x - pointerX) > kMoveThreshold ||
                     std::abs(event.xmotion.y - pointerY) > kMoveThreshold) {
            running = false;
          }
          break;
        case FocusOut:
          if (closeOnInput && event.xfocus.mode == NotifyNormal) running = false;
          break;
        case ClientMessage:
          if (static_cast<Atom>(event.xclient.data.l[0]) == closeAtom) running = false;
          break;
        case DestroyNotify:
          if (event.xdestroywindow.window == window) running = false;
          break;
        default:
          break;
      }
    }
    if (!running || badWindow) break;
    tv::OnTimerTick();
    if (options.frames > 0 && framesDrawn >= options.frames) break;
    nextTick += std::chrono::milliseconds(10);
    const auto now = std::chrono::steady_clock::now();
    if (nextTick < now) nextTick = now;  // a slow frame delays the next tick instead of queueing
    std::this_thread::sleep_until(nextTick);
  }

  glXMakeCurrent(display, None, nullptr);
  glXDestroyContext(display, context);
  if (ownWindow && !badWindow) XDestroyWindow(display, window);
  XCloseDisplay(display);
  return snapshotFailed ? 1 : 0;
}
