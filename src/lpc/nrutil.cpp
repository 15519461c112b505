#include "lpc/nrutil.h"

#include "common/messages.h"

void nrerror(const char* text) {
  throw_error(vocana::ErrorKind::analysis,
              "Numerical Recipes run-time error...\n%s\n...now exiting to system...\n", text);
}
