#include "input/data_io.h"

#include <cstring>
#include <limits>
#include <new>

#include "common/messages.h"
#include "input/sound_file.h"
#include "input/spframe.h"

namespace {

// Writes "<header name> <format name>" into description, or prints the
// overflow line and returns false when it would not fit in 127 characters (or
// in a smaller buffer).
bool set_description(std::span<char> description, const char* header_name, const char* format_name,
                     std::string& messages) {
  const std::size_t capacity =
      description.size() < static_cast<std::size_t>(FORMAT_DESCRIPTION_SIZE)
          ? description.size()
          : static_cast<std::size_t>(FORMAT_DESCRIPTION_SIZE);
  const std::size_t header_length = std::strlen(header_name);
  const std::size_t format_length = std::strlen(format_name);
  if (capacity == 0 || header_length + format_length + 1 > capacity - 1) {
    append_text(messages, "format_string array overflow (%s %s)\n", header_name, format_name);
    return false;
  }
  std::memcpy(description.data(), header_name, header_length);
  description[header_length] = ' ';
  std::memcpy(description.data() + header_length + 1, format_name, format_length);
  description[header_length + 1 + format_length] = '\0';
  return true;
}

void refuse_not_riff_nor_raw(const char* header_name, std::string& messages) {
  append_text(messages, "error: getSoundData(): data format (%s) is not RIFF nor RAW\n",
              header_name);
}

// A RIFF WAVE file of mono 16-bit little-endian PCM, read whole.
std::optional<std::vector<Sample>> load_riff(const char* path, int& count, int& rate,
                                             std::span<char> description, std::string& messages) {
  // Tags other than PCM and WAVE_FORMAT_EXTENSIBLE never reach the library:
  // some of its decoders write to standard error on their own.
  const RiffChunks chunks = walk_riff_chunks(path);
  // The library can loop for ever over the sub-chunks of a broken LIST chunk
  // (a sub-chunk size of 2^31 or more moves it backwards).
  if (chunks.broken_list) {
    messages += "error: getSoundData(): broken LIST chunk in the RIFF header.\n";
    return std::nullopt;
  }
  if (chunks.too_many_chunks) {
    messages += "error: getSoundData(): too many chunks in the RIFF header.\n";
    return std::nullopt;
  }
  if (chunks.has_format && chunks.format_tag != WAVE_FORMAT_PCM &&
      chunks.format_tag != WAVE_FORMAT_EXTENSIBLE) {
    refuse_not_riff_nor_raw(header_type_name(HEADER_TYPE_RIFF), messages);
    return std::nullopt;
  }
  RiffInfo info;
  RiffHandle stream = open_riff(path, info, messages);
  if (!stream) {
    append_text(messages, "cannot open %s.\n", path);
    return std::nullopt;
  }
  if (info.format != DATA_FORMAT_LSHORT) {
    refuse_not_riff_nor_raw(header_type_name(HEADER_TYPE_RIFF), messages);
    return std::nullopt;
  }
  if (!set_description(description, header_type_name(HEADER_TYPE_RIFF),
                       data_format_name(DATA_FORMAT_LSHORT), messages)) {
    return std::nullopt;
  }
  if (info.channels != 1) {
    append_text(messages, "Error: getSoundData(): Cannot handle %d channel data.\n", info.channels);
    return std::nullopt;
  }
  // The library counts only the frames that are really in the file; the data
  // chunk's header may declare more (a cut download) or, in a broken file,
  // anything up to 0xFFFFFFFF bytes.
  const std::int64_t frames = info.frames < 0 ? 0 : info.frames;
  const std::int64_t declared = chunks.has_data ? chunks.data_bytes / 2 : frames;
  if (frames > std::numeric_limits<int>::max()) {
    append_text(messages, "Error: getSoundData(): too many samples in %s.\n", path);
    return std::nullopt;
  }
  std::optional<std::vector<Sample>> samples;
  try {
    samples.emplace(static_cast<std::size_t>(frames));
  } catch (const std::bad_alloc&) {
    append_text(messages, "Error: getdata: cannot allocate enough space for reading \"%s\".\n",
                path);
    return std::nullopt;
  }
  const std::int64_t got = read_riff_samples(*stream, *samples);
  if (got != declared) {
    // Only the whole frames that are there are kept: no zeros stand in for
    // samples the file does not hold.
    messages += "error: getSoundData(): number of read data is not same as in header.\n";
  }
  samples->resize(static_cast<std::size_t>(got));
  count = static_cast<int>(got);
  rate = info.rate;
  return samples;
}

}  // namespace

std::optional<std::vector<Sample>> getSoundData(const char* path, bool big_endian_raw, int& count,
                                                int& rate, std::span<char> description,
                                                std::string& messages) {
  count = 0;
  rate = -1;
  if (!description.empty()) description[0] = '\0';

  HeaderKind kind;
  if (!probe_sound_file(path, !big_endian_raw, kind, messages)) {
    append_text(messages, "cannot open %s.\n", path);
    return std::nullopt;
  }
  if (!big_endian_raw) {
    if (kind.code == HEADER_TYPE_RIFF) return load_riff(path, count, rate, description, messages);
    if (kind.code != HEADER_TYPE_RAW) {
      refuse_not_riff_nor_raw(kind.name, messages);
      return std::nullopt;
    }
  }

  const SampleFormat format = big_endian_raw ? DATA_FORMAT_BSHORT : DATA_FORMAT_LSHORT;
  if (!set_description(description, header_type_name(HEADER_TYPE_RAW), data_format_name(format),
                       messages)) {
    return std::nullopt;
  }
  std::optional<std::vector<Sample>> samples =
      getdata(path, count, big_endian_raw ? 1 : 0, messages);
  if (!samples) {
    messages += "error: getSoundData(): getdata() cannot read data\n";
    return std::nullopt;
  }
  return samples;
}
