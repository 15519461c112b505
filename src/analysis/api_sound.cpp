// Loading as the program loads, through the public API.
#include <vocana/error.h>
#include <vocana/sound.h>

#include <array>

#include "input/data_io.h"

namespace vocana {

Sound load_sound(const std::string& path, bool big_endian_raw) {
  Sound sound;
  int count = 0;
  std::array<char, FORMAT_DESCRIPTION_SIZE> description{};
  std::optional<std::vector<Sample>> samples = getSoundData(
      path.c_str(), big_endian_raw, count, sound.header_rate, description, sound.messages);
  if (!samples) {
    throw Error(ErrorKind::file, sound.messages + "Error: fail to read " + path + ".\n");
  }
  sound.samples = std::move(*samples);
  sound.description = description.data();
  return sound;
}

}  // namespace vocana
