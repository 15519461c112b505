// Fuzz target: the sound loader on arbitrary file contents, read once as it
// comes (RIFF WAVE or raw little-endian) and once with the big-endian raw flag.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "input/data_io.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

// The raw sample k of bytes, in the given byte order.
Sample raw_sample(const unsigned char* bytes, std::size_t k, bool big_endian) {
  const unsigned lo = bytes[2 * k + (big_endian ? 1 : 0)];
  const unsigned hi = bytes[2 * k + (big_endian ? 0 : 1)];
  return static_cast<Sample>(static_cast<std::uint16_t>(lo | hi << 8));
}

void load_once(const std::string& path, const unsigned char* data, std::size_t size,
               bool big_endian_raw) {
  int count = 0;
  int rate = -1;
  std::array<char, FORMAT_DESCRIPTION_SIZE> description{};
  std::optional<std::vector<Sample>> samples;
  std::string messages;
  samples = getSoundData(path.c_str(), big_endian_raw, count, rate, description, messages);
  check(std::memchr(description.data(), '\0', description.size()) != nullptr);
  if (!samples) {
    check(count == 0 && rate == -1);
    return;
  }
  check(count >= 0 && static_cast<std::size_t>(count) == samples->size());
  if (rate != -1) {  // RIFF WAVE input: never more samples than the file has bytes
    check(!big_endian_raw && static_cast<std::size_t>(count) * 2 <= size);
    check(std::strcmp(description.data(), "RIFF little endian short (16 bits)") == 0);
    return;
  }
  // Raw input: every pair of bytes is one sample, in the requested order.
  check(size % 2 == 0 && static_cast<std::size_t>(count) == size / 2);
  for (std::size_t k = 0; k < samples->size(); ++k)
    check((*samples)[k] == raw_sample(data, k, big_endian_raw));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = private_folder() + "/input";
  write_whole_file(path, data, size);
  load_once(path, data, size, false);
  load_once(path, data, size, true);
  return 0;
}
