#include "driver/run.h"

int main(int argc, char** argv) {
  return tlmaper::RunMapper(argc, argv);
}
