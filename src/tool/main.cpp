#include "frame/app_paths.h"
#include "tool/tool_main.h"

#include <iostream>

int main(int argc, char *argv[]) {
  return qev::tool::RunTool({argv + 1, argv + argc}, qev::frame::ExecutableFile().parent_path(),
                            std::cout, std::cerr);
}
