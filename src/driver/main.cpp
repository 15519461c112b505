#include <cstdlib>

#include "driver/std_streams.h"
#include "driver/vocana.h"

int main(int argc, char** argv) {
  // Kept alive by std::exit(), which flushes standard output before the
  // buffer in streams could go.
  StandardStreams streams;
  if (!prepare_standard_streams(streams)) return 1;
  std::exit(vocana_main(argc, argv));
}
