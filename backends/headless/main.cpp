// tressvale-render: the saver without a window, writing its frames as PNG files.
#include <iostream>

#include "HeadlessRun.h"
#include "RenderOptions.h"

int main(int argc, char** argv) {
  tv::headless::RenderOptions options;
  std::string error;
  if (!tv::headless::ParseRenderOptions(argc, argv, options, error)) {
    std::cerr << "tressvale-render: " << error << "\n" << tv::headless::kRenderUsage;
    return 2;
  }
  if (options.mode == tv::headless::RenderMode::Help) {
    std::cout << tv::headless::kRenderUsage;
    return 0;
  }
  return tv::headless::RunRender(options, std::cout, std::cerr);
}
