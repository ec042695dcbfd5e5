// The entry point on Linux: the arguments are UTF-8 already.
#include "driver/command_line.h"
#include "driver/tool.h"

int main(int argc, char** argv) {
  return tlmaper::RunMapper(argc, argv);
}
