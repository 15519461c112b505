#include "driver/fatal_exit.h"

#include <cstdio>
#include <cstdlib>

void fatal_exit() {
  std::fflush(stderr);
  std::exit(1);
}

void fatal_message(const char* message) {
  std::fputs(message, stderr);
  fatal_exit();
}
