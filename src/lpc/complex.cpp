// The complex operations are inline in complex.h; this unit only checks that
// the header stands on its own.
#include "lpc/complex.h"
