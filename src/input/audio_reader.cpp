#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vocana/audio.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "common/messages.h"

namespace vocana {

namespace {

// Frames read per call of sf_readf_double.
constexpr sf_count_t READ_BLOCK_FRAMES = 8192;

// Closes the libsndfile handle on every path out of read_audio.
struct SndfileCloser {
  SNDFILE* file;
  ~SndfileCloser() {
    if (file != nullptr) sf_close(file);
  }
};

// The text libsndfile gives for a failed open, without its trailing period.
std::string open_reason(const char* text) {
  std::string reason = text == nullptr ? "unknown error" : text;
  while (!reason.empty() && (reason.back() == '.' || reason.back() == '\n')) reason.pop_back();
  return reason;
}

// Standard input held in memory: a pipe cannot seek, and libsndfile's
// readers of several formats (FLAC among them) do.
struct MemoryFile {
  std::string bytes;
  sf_count_t at = 0;
  SF_VIRTUAL_IO io{};  // the functions below, for sf_open_virtual
};

sf_count_t memory_length(void* user) {
  return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size());
}

sf_count_t memory_seek(sf_count_t offset, int whence, void* user) {
  auto* m = static_cast<MemoryFile*>(user);
  const auto size = static_cast<sf_count_t>(m->bytes.size());
  const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->at : size;
  m->at = std::clamp<sf_count_t>(base + offset, 0, size);
  return m->at;
}

sf_count_t memory_read(void* to, sf_count_t count, void* user) {
  auto* m = static_cast<MemoryFile*>(user);
  const sf_count_t n =
      std::clamp<sf_count_t>(static_cast<sf_count_t>(m->bytes.size()) - m->at, 0, count);
  std::memcpy(to, m->bytes.data() + m->at, static_cast<std::size_t>(n));
  m->at += n;
  return n;
}

sf_count_t memory_write(const void*, sf_count_t, void*) { return 0; }

sf_count_t memory_tell(void* user) { return static_cast<MemoryFile*>(user)->at; }

// Opens standard input: directly when it can seek (a file), else from memory.
SNDFILE* open_standard_input(SF_INFO& info, MemoryFile& memory) {
  if (lseek(STDIN_FILENO, 0, SEEK_CUR) >= 0) return sf_open_fd(STDIN_FILENO, SFM_READ, &info, 0);
  char block[65536];
  for (;;) {
    const ssize_t got = ::read(STDIN_FILENO, block, sizeof block);
    if (got > 0) {
      memory.bytes.append(block, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  if (memory.bytes.empty()) throw_error(ErrorKind::file, "-: standard input is empty\n");
  memory.io = {memory_length, memory_seek, memory_read, memory_write, memory_tell};
  return sf_open_virtual(&memory.io, SFM_READ, &info, &memory);
}

// Opens path (or standard input for "-", through memory) for reading, or throws.
SNDFILE* open_sound(const std::string& path, SF_INFO& info, MemoryFile& memory) {
  if (path == "-") {
    SNDFILE* file = open_standard_input(info, memory);
    if (file == nullptr) {
      throw_error(ErrorKind::file,
                  "-: standard input is not a sound file that can be read (%s); "
                  "convert it with sox, e.g. sox IN -t wav - | ...\n",
                  open_reason(sf_strerror(nullptr)).c_str());
    }
    return file;
  }
  // The system's reason for a file that cannot be opened at all, before
  // libsndfile's more general one.
  const int probe = ::open(path.c_str(), O_RDONLY);
  if (probe < 0) {
    throw_error(ErrorKind::file, "%s: cannot open the file (%s)\n", path.c_str(),
                std::strerror(errno));
  }
  struct stat st {};
  const bool empty = fstat(probe, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
  ::close(probe);
  if (empty) throw_error(ErrorKind::file, "%s: the file is empty\n", path.c_str());
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    throw_error(ErrorKind::file,
                "%s: not a sound file that can be read (%s); convert it with sox, "
                "e.g. sox '%s' out.wav\n",
                path.c_str(), open_reason(sf_strerror(nullptr)).c_str(), path.c_str());
  }
  return file;
}

}  // namespace

Audio read_audio(const std::string& path, int channel) {
  SF_INFO info{};
  MemoryFile memory;  // outlives the handle
  SndfileCloser handle{open_sound(path, info, memory)};
  const int channels = info.channels;
  if (channel < 0 || channel > channels) {
    throw_error(ErrorKind::settings, "%s: there is no channel %d; the file has %d channel%s\n",
                path.c_str(), channel, channels, channels == 1 ? "" : "s");
  }
  sf_command(handle.file, SFC_SET_NORM_DOUBLE, nullptr, SF_TRUE);

  Audio audio;
  audio.rate = info.samplerate;
  audio.channels = channels;
  // A pipe reports no frame count; a file's count reserves the array once.
  if (info.frames > 0 && info.frames < SF_COUNT_MAX) {
    audio.samples.reserve(static_cast<std::size_t>(info.frames));
  }
  std::vector<double> block(static_cast<std::size_t>(READ_BLOCK_FRAMES) * channels);
  for (;;) {
    const sf_count_t got = sf_readf_double(handle.file, block.data(), READ_BLOCK_FRAMES);
    if (got <= 0) break;
    for (sf_count_t f = 0; f < got; ++f) {
      const double* frame = block.data() + f * channels;
      if (channel > 0) {
        audio.samples.push_back(frame[channel - 1]);
      } else {
        double sum = 0.0;
        for (int c = 0; c < channels; ++c) sum += frame[c];
        audio.samples.push_back(sum / channels);
      }
    }
  }
  if (sf_error(handle.file) != SF_ERR_NO_ERROR) {
    throw_error(ErrorKind::file, "%s: reading failed part-way (%s)\n", path.c_str(),
                open_reason(sf_strerror(handle.file)).c_str());
  }
  if (audio.samples.empty()) {
    throw_error(ErrorKind::file, "%s: the file holds no samples\n", path.c_str());
  }
  return audio;
}

}  // namespace vocana
