// The fatal exit of the fuzzing build. libFuzzer takes any exit() for a
// finding, so this definition replaces src/driver/fatal_exit.cpp at link time
// (the fuzz targets define both functions, so the library's member is never
// pulled in) and unwinds to the target's entry instead of ending the process.
#include <cstdio>

#include "driver/fatal_exit.h"
#include "fuzz_support.h"

void fatal_exit() {
  std::fflush(stderr);
  throw FatalExitUnwind{};
}

void fatal_message(const char* message) {
  std::fputs(message, stderr);
  fatal_exit();
}
