// tressvale-render: the saver without a window, writing its frames as PNG files.
#include <iostream>
#include <string_view>

#include "HeadlessRun.h"
#include "RenderOptions.h"
#include "Version.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::cout << "tressvale-render " TRESSVALE_VERSION "\n";
    return 0;
  }
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
