// The saver on X11 with GLX: in a window of its own, full screen, in the window a screen-saver
// daemon hands over, or in a settings program's preview. The frame code is the same as everywhere:
// a timer tick (10 ms unless -delay says otherwise) measures the elapsed milliseconds and draws.
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "EglContext.h"
#include "FpsOverlay.h"
#include "HeapRelease.h"
#include "PngWriter.h"
#include "X11Options.h"
#include "display/Display.h"
#include "foundation/Random.h"
#include "settings/SaverSettings.h"

namespace {

using tv::x11::Target;
using tv::x11::X11Options;

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t continued = 0;

constexpr int kMoveThreshold = 4;  // |dx| + |dy| the pointer may drift before full screen ends

void Note(const std::string& message) { std::fprintf(stderr, "tressvale: %s\n", message.c_str()); }

std::string Hex(unsigned long id) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", id);
  return text;
}

// Set by the X error handler when a window we draw into has gone.
Window watched[2] = {0, 0};
bool windowGone = false;
int NoteXError(Display*, XErrorEvent* e) {
  if (e->error_code == BadWindow || e->error_code == BadDrawable ||
      (e->resourceid != 0 && (e->resourceid == watched[0] || e->resourceid == watched[1]))) {
    windowGone = true;
  }
  return 0;
}

// Xlib cannot go on without its server; leave at once rather than touch the dead connection.
int ServerGone(Display*) {
  static const char text[] = "tressvale: the X server went away\n";
  (void)!write(2, text, sizeof text - 1);
  _exit(1);
}

// A failure to start OpenGL: the specific reason, then the general one.
bool GlFailure(const char* reason) {
  Note(reason);
  Note("Error - cannot start OpenGL");
  return false;
}

// Everything taken from the X server, given back in reverse order on every way out.
struct XSession {
  Display* display = nullptr;
  Window target = 0;    // the window we were given, or our own
  Window drawable = 0;  // where GL draws: the target or a child of it with a better visual
  bool ownDrawable = false;
  bool clearTargetOnExit = false;
  Colormap colormap = 0;
  XVisualInfo* visual = nullptr;
  GLXContext context = nullptr;

  ~XSession() {
    if (!display) return;
    if (context) {
      if (!glXMakeCurrent(display, None, nullptr)) {
        Note("SHUTDOWN ERROR: Release Of DC And RC Failed.");
      }
      glXDestroyContext(display, context);
    }
    if (visual) XFree(visual);
    if (ownDrawable && !windowGone) XDestroyWindow(display, drawable);
    if (colormap) XFreeColormap(display, colormap);
    // Leave no frame behind on the root or the daemon's window.
    if (clearTargetOnExit && !windowGone) XClearArea(display, target, 0, 0, 0, 0, False);
    XCloseDisplay(display);
  }
};

// The pixel format: RGBA, double buffered, 16 bits of depth and a stencil bit if there is one.
XVisualInfo* ChooseOwnVisual(Display* display, int screen) {
  int withStencil[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8,
                       GLX_BLUE_SIZE, 8, GLX_DEPTH_SIZE, 16, GLX_STENCIL_SIZE, 1, None};
  if (XVisualInfo* vi = glXChooseVisual(display, screen, withStencil)) return vi;
  int plain[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, None};
  return glXChooseVisual(display, screen, plain);
}

// The window's own visual if GL can draw there with a depth buffer and double buffering.
XVisualInfo* UsableVisualOf(Display* display, const XWindowAttributes& attributes) {
  XVisualInfo wanted;
  wanted.visualid = XVisualIDFromVisual(attributes.visual);
  int count = 0;
  XVisualInfo* vi = XGetVisualInfo(display, VisualIDMask, &wanted, &count);
  if (!vi) return nullptr;
  int usesGl = 0, depth = 0, doubleBuffer = 0;
  const bool ok = glXGetConfig(display, vi, GLX_USE_GL, &usesGl) == 0 && usesGl &&
                  glXGetConfig(display, vi, GLX_DEPTH_SIZE, &depth) == 0 && depth > 0 &&
                  glXGetConfig(display, vi, GLX_DOUBLEBUFFER, &doubleBuffer) == 0 && doubleBuffer;
  if (ok) return vi;
  XFree(vi);
  return nullptr;
}

Window CreateWindow(XSession& s, Window parent, int x, int y, int width, int height, long events,
                    bool overrideRedirect) {
  XSetWindowAttributes set = {};
  s.colormap = XCreateColormap(s.display, parent, s.visual->visual, AllocNone);
  set.colormap = s.colormap;
  set.background_pixel = BlackPixel(s.display, DefaultScreen(s.display));
  set.border_pixel = 0;
  set.event_mask = events;
  set.override_redirect = overrideRedirect;
  s.ownDrawable = true;
  return XCreateWindow(s.display, parent, x, y, static_cast<unsigned>(width),
                       static_cast<unsigned>(height), 0, s.visual->depth, InputOutput,
                       s.visual->visual,
                       CWColormap | CWBackPixel | CWBorderPixel | CWEventMask | CWOverrideRedirect,
                       &set);
}

void NameOwnWindow(Display* display, Window window) {
  XStoreName(display, window, "Tressvale");
  XClassHint hint = {const_cast<char*>("tressvale"), const_cast<char*>("Tressvale")};
  XSetClassHint(display, window, &hint);
  const long pid = getpid();
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
  Atom closeAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &closeAtom, 1);
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

// -root draws into the daemon's window when it names one.
Window RootTarget(Display* display, int screen) {
  if (const char* named = std::getenv("XSCREENSAVER_WINDOW")) {
    if (const std::optional<unsigned long> id = tv::x11::ParseWindowId(named)) return *id;
    Note(std::string("XSCREENSAVER_WINDOW='") + named + "' is not a window id; using the root");
  }
  return RootWindow(display, screen);
}

// Makes the window and GL context; false after saying why.
bool OpenDrawing(XSession& s, const X11Options& options, int& width, int& height) {
  Display* display = s.display;
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  if (options.target == Target::Root || options.target == Target::ForeignWindow) {
    s.target = options.target == Target::Root ? RootTarget(display, screen) : options.windowId;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, s.target, &attributes)) {
      Note("there is no window " + Hex(s.target));
      return false;
    }
    width = attributes.width;
    height = attributes.height;
    s.clearTargetOnExit = true;
    XSelectInput(display, s.target, StructureNotifyMask);
    s.visual = UsableVisualOf(display, attributes);
    if (s.visual) {
      s.drawable = s.target;
    } else {
      s.visual = ChooseOwnVisual(display, screen);
      if (!s.visual) return GlFailure("Can't Find A Suitable PixelFormat.");
      s.drawable = CreateWindow(s, s.target, 0, 0, width, height, StructureNotifyMask, True);
      XMapWindow(display, s.drawable);
      Note("window " + Hex(s.target) +
           " has no depth buffer or no double buffering; drawing in a child window that has both");
    }
  } else {
    s.visual = ChooseOwnVisual(display, screen);
    if (!s.visual) return GlFailure("Can't Find A Suitable PixelFormat.");
    const bool full = options.target == Target::FullScreen;
    width = full ? DisplayWidth(display, screen) : options.width;
    height = full ? DisplayHeight(display, screen) : options.height;
    const auto [x, y] = full ? std::make_pair(0, 0)
                             : options.position.value_or(std::make_pair(0, 0));
    s.drawable = s.target =
        CreateWindow(s, root, x, y, width, height,
                     StructureNotifyMask | KeyPressMask | ButtonPressMask | PointerMotionMask |
                         FocusChangeMask,
                     False);
    NameOwnWindow(display, s.drawable);
    if (options.position) {
      XSizeHints hints = {};
      hints.flags = USPosition | USSize;
      XSetWMNormalHints(display, s.drawable, &hints);
    }
    if (full) {
      GoFullScreen(display, s.drawable);
      HideCursor(display, s.drawable);
    }
    XMapRaised(display, s.drawable);
  }
  watched[0] = s.target;
  watched[1] = s.drawable;
  XSync(display, False);
  if (windowGone) return GlFailure("Can't Set The PixelFormat.");
  s.context = glXCreateContext(display, s.visual, nullptr, True);
  if (!s.context) return GlFailure("Can't Create A GL Rendering Context.");
  if (!glXMakeCurrent(display, s.drawable, s.context)) {
    return GlFailure("Can't Activate The GL Rendering Context.");
  }
  return true;
}

bool SaveSnapshot(const std::string& path, int width, int height) {
  tv::headless::Image image;
  image.width = width;
  image.height = height;
  glReadBuffer(GL_BACK);
  image.rgba = tv::headless::ReadFramebuffer(width, height);
  std::string error;
  if (!tv::headless::WritePng(path, image, error)) {
    Note(error);
    return false;
  }
  return true;
}

void OnSignal(int signal) {
  if (signal == SIGCONT) continued = 1;
  else stopRequested = 1;
}

void CatchSignals() {
  struct sigaction action = {};
  action.sa_handler = OnSignal;  // no SA_RESTART: a signal also ends the wait for the next tick
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGCONT}) sigaction(signal, &action, nullptr);
}

int SaveSettingOptions(const X11Options& options) {
  if (!options.useDefaults) tv::LoadSettings();
  tv::x11::ApplySettingOptions(options, tv::saverSettings);
  if (!tv::SaveSettings()) {
    Note("the settings could not be stored");
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  X11Options options;
  std::string error;
  if (!tv::x11::ParseX11Options(argc, argv, options, error)) {
    Note(error);
    std::fputs(tv::x11::kX11Usage, stderr);
    return 2;
  }
  for (const std::string& warning : options.warnings) Note(warning);
  switch (options.action) {
    case tv::x11::Action::Help:
      std::fputs(tv::x11::kX11Usage, stdout);
      return 0;
    case tv::x11::Action::Version:
      std::puts(tv::x11::kX11Version);
      return 0;
    case tv::x11::Action::SaveSettings:
      return SaveSettingOptions(options);
    case tv::x11::Action::Run:
      break;
  }

  XSession session;
  session.display = XOpenDisplay(nullptr);
  if (!session.display) {
    Note("cannot open the X display (is DISPLAY set?)");
    return 1;
  }
  Display* display = session.display;
  XSetErrorHandler(NoteXError);
  XSetIOErrorHandler(ServerGone);
  if (!options.useDefaults) tv::LoadSettings();
  tv::x11::ApplySettingOptions(options, tv::saverSettings);

  int width = 0, height = 0;
  if (!OpenDrawing(session, options, width, height)) return 1;
  CatchSignals();
  tv::ResizeView(width, height);
  tv::InitGLState();
  if (options.seed) tv::SeedRandom(*options.seed);

  std::optional<tv::x11::FpsOverlay> fps;
  if (options.showFps) fps.emplace();
  long framesDrawn = 0;
  bool snapshotFailed = false;
  tv::SetSwapFunction([&] {
    ++framesDrawn;
    if (fps) {
      fps->FrameDrawn();
      fps->Draw(width, height);
    }
    if (framesDrawn == options.frames && !options.snapshot.empty()) {
      snapshotFailed = !SaveSnapshot(options.snapshot, width, height);
    }
    glXSwapBuffers(display, session.drawable);
  });

  // -frames runs on a simulated clock, one timer period per frame, as fast as it can draw.
  const bool simulated = options.frames > 0;
  const uint32_t periodMs = static_cast<uint32_t>(std::max(1l, options.delayUs / 1000));
  uint32_t simulatedNow = 0;
  using SteadyClock = std::chrono::steady_clock;
  const auto period = std::chrono::microseconds(options.delayUs);
  tv::StartClock(simulated ? 0 : tv::MillisecondClock());
  auto nextTick = SteadyClock::now() + period;  // the first frame comes one period after start

  const Atom closeAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
  const bool closeOnInput = options.target == Target::FullScreen;
  int anchorX = 0, anchorY = 0;
  if (closeOnInput) {
    Window rootReturn, childReturn;
    int x, y;
    unsigned mask;
    XQueryPointer(display, DefaultRootWindow(display), &rootReturn, &childReturn, &anchorX,
                  &anchorY, &x, &y, &mask);
  }
  tv::posix::HeapRelease heap;
  bool running = true;
  while (running && !stopRequested && !windowGone) {
    if (continued) {
      // After a stop the scene goes on from where it was instead of jumping ahead.
      continued = 0;
      tv::StartClock(tv::MillisecondClock());
      nextTick = SteadyClock::now() + period;
    }
    while (running && XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      switch (event.type) {
        case ConfigureNotify:
          if (event.xconfigure.window == session.target &&
              (event.xconfigure.width != width || event.xconfigure.height != height)) {
            width = event.xconfigure.width;
            height = event.xconfigure.height;
            if (session.drawable != session.target) {
              XResizeWindow(display, session.drawable, static_cast<unsigned>(width),
                            static_cast<unsigned>(height));
            }
            tv::ResizeView(width, height);
          }
          break;
        case KeyPress: {
          const KeySym key = XLookupKeysym(&event.xkey, 0);
          running = !(closeOnInput || key == XK_Escape || key == XK_q);
          break;
        }
        case ButtonPress:
          running = !closeOnInput;
          break;
        case MotionNotify:
          running = !closeOnInput || std::abs(event.xmotion.x_root - anchorX) +
                                             std::abs(event.xmotion.y_root - anchorY) <=
                                         kMoveThreshold;
          break;
        case FocusOut:
          running = !(closeOnInput && event.xfocus.mode == NotifyNormal);
          break;
        case ClientMessage:
          running = static_cast<Atom>(event.xclient.data.l[0]) != closeAtom;
          break;
        case DestroyNotify:
          if (event.xdestroywindow.window == session.target ||
              event.xdestroywindow.window == session.drawable) {
            windowGone = true;
          }
          break;
        default:
          break;
      }
    }
    if (!running || windowGone) break;
    auto now = SteadyClock::now();
    if (!simulated && now < nextTick) {
      pollfd connection = {ConnectionNumber(display), POLLIN, 0};
      const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextTick - now);
      poll(&connection, 1, static_cast<int>(wait.count()));
      continue;
    }
    if (fps) fps->FrameStarted();
    if (simulated) {
      simulatedNow += periodMs;
      tv::OnTimerTick(simulatedNow);
    } else {
      tv::OnTimerTick();
    }
    if (simulated && framesDrawn >= options.frames) break;
    heap.Tick(simulated ? simulatedNow : tv::MillisecondClock());
    nextTick += period;
    now = SteadyClock::now();
    if (nextTick < now) nextTick = now;  // a slow frame delays the next tick instead of queueing
  }
  return snapshotFailed ? 1 : 0;
}
