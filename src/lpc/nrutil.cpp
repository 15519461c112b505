#include "lpc/nrutil.h"

#include <cstdio>

#include "common/fatal_exit.h"

void nrerror(const char* text) {
  std::fprintf(stderr, "Numerical Recipes run-time error...\n");
  std::fprintf(stderr, "%s\n", text);
  std::fprintf(stderr, "...now exiting to system...\n");
  fatal_exit();
}
