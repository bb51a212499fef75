#include <exception>

#include "host/Host.h"
#include "host/SaverWindow.h"

namespace tv::host {

namespace {
Platform* platform = nullptr;

bool IsBlank(char c) { return c == ' '; }
const char* SkipSpaces(const char* text) {
  while (IsBlank(*text)) ++text;
  return text;
}
// A handle from the command line, or 0 when it names no window.
Handle ExistingWindow(Handle window) {
  return window != 0 && CurrentPlatform().IsWindow(window) ? window : 0;
}
}  // namespace

Platform& CurrentPlatform() { return *platform; }
void SetPlatform(Platform* p) { platform = p; }

HostState hostState;

const char* SkipProgramName(const char* line) {
  if (*line == '"') {
    ++line;
    while (*line != '\0' && *line != '"') ++line;  // ANSI code page: one byte per step is safe
    if (*line == '"') ++line;
  } else {
    while (static_cast<unsigned char>(*line) > ' ') ++line;
  }
  while (*line != '\0' && static_cast<unsigned char>(*line) <= ' ') ++line;
  return line;
}

Handle ParseWindowHandle(const char* text) {
  uint32_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text)
    value = value * 10u + static_cast<uint32_t>(*text - '0');
  return value;
}

int32_t ShowConfigDialog(Handle parent) {
  if (!RegisterConfigClasses(hostState.instance)) return 0;
  return CurrentPlatform().RunConfigDialog(parent);
}

namespace {

int32_t RunMode(const char* text) {
  Platform& p = CurrentPlatform();
  for (;; ++text) {
    switch (*text) {
      case '\0':
        return ShowConfigDialog(0);
      case ' ':
      case '-':
      case '/':
        continue;
      case 'S':
      case 's':
        return RunSaverWindow(0);
      case 'P':
      case 'p':
      case 'L':
      case 'l': {
        const Handle parent = ExistingWindow(ParseWindowHandle(SkipSpaces(text + 1)));
        return parent ? RunSaverWindow(parent) : -1;
      }
      case 'C':
      case 'c': {
        Handle parent = text[1] == ':' ? ExistingWindow(ParseWindowHandle(text + 2)) : 0;
        if (!parent) parent = p.ForegroundWindow();
        return ShowConfigDialog(parent);
      }
      case 'A':
      case 'a': {
        if (!hostState.is9xFamily) return -1;
        Handle parent = ExistingWindow(ParseWindowHandle(SkipSpaces(text + 1)));
        if (!parent) parent = p.ForegroundWindow();
        ChangeSaverPassword(parent);
        return 0;
      }
      default:
        return -1;
    }
  }
}

}  // namespace

int32_t SaverHostMain(Handle instance, const char* text) {
  Platform& p = CurrentPlatform();
  p.InitCommonControls(kIccTabClasses);
  hostState.instance = instance;
  hostState.is9xFamily = p.Is9xFamily();
  try {
    return RunMode(text);
  } catch (...) {
    // Nothing may leave the system believing a saver still runs.
    SetSaverRunning(false);
    return -1;
  }
}

}  // namespace tv::host
