#include "input/sound_file.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/messages.h"

struct RiffStream {
  SNDFILE* file;
  int channels;
};

void RiffStreamCloser::operator()(RiffStream* stream) const {
  if (stream != nullptr) {
    sf_close(stream->file);
    delete stream;
  }
}

namespace {

// Leading bytes classify_header() looks at.
constexpr std::size_t HEADER_PROBE_BYTES = 12;

using FileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FileHandle open_for_reading(const char* path) { return {std::fopen(path, "rb"), &std::fclose}; }

bool id_at(std::span<const unsigned char> bytes, std::size_t offset, const char* id) {
  return offset + 4 <= bytes.size() && std::memcmp(bytes.data() + offset, id, 4) == 0;
}

std::uint32_t little_endian_32(const unsigned char* b) {
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

// The chunk walk reads the file through one window of this many bytes, so
// that a run of small chunks costs one read per window, not one per header.
constexpr std::size_t WALK_WINDOW_BYTES = 1 << 12;

// A read-only view of a file through a window of its bytes.
struct WalkWindow {
  int fd = -1;
  std::int64_t file_size = 0;  // [bytes]
  std::int64_t start = 0;      // file offset of data[0]
  std::size_t length = 0;      // valid bytes in data
  unsigned char data[WALK_WINDOW_BYTES];
};

// Copies exactly bytes.size() (<= WALK_WINDOW_BYTES) bytes at offset out of
// the window, moving the window there first when they are not all in it;
// false when they are not all in the file or cannot be read.
bool read_at(WalkWindow& window, std::int64_t offset, std::span<unsigned char> bytes) {
  const auto count = static_cast<std::int64_t>(bytes.size());
  if (offset < 0 || offset + count > window.file_size) return false;
  const std::int64_t window_end = window.start + static_cast<std::int64_t>(window.length);
  if (offset < window.start || offset + count > window_end) {
    window.start = offset;
    window.length = 0;
    while (window.length < sizeof window.data) {
      const auto at = static_cast<off_t>(offset + static_cast<std::int64_t>(window.length));
      const ssize_t got =
          pread(window.fd, window.data + window.length, sizeof window.data - window.length, at);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      window.length += static_cast<std::size_t>(got);
    }
    if (count > static_cast<std::int64_t>(window.length)) return false;
  }
  std::memcpy(bytes.data(), window.data + (offset - window.start), bytes.size());
  return true;
}

// Is every byte of the chunk id printable ASCII, as the sound file library
// requires of the chunks it goes on past?
bool printable_id(const unsigned char* id) {
  for (int i = 0; i < 4; ++i) {
    if (id[i] < 0x20 || id[i] > 0x7E) return false;
  }
  return true;
}

// Does the LIST chunk whose body starts at body and holds size bytes lie in
// the file, and each of its sub-chunks in it? Every sub-chunk counts towards
// chunks.
bool list_fits(WalkWindow& window, std::int64_t body, std::int64_t size, int& chunks) {
  const std::int64_t end = body + size;
  if (end > window.file_size) return false;
  std::int64_t offset = body + 4;  // after the list type
  while (offset + 8 <= end && chunks <= MAX_RIFF_CHUNKS) {
    unsigned char header[8];
    if (!read_at(window, offset, header)) return false;
    ++chunks;
    const std::int64_t sub_size = little_endian_32(header + 4);
    if (offset + 8 + sub_size > end) return false;
    offset += 8 + sub_size + (sub_size & 1);
  }
  return true;
}

void add_system_error(int error, std::string& messages) {
  append_text(messages, "%s\n", std::strerror(error));
}

}  // namespace

const char* header_type_name(HeaderType code) {
  switch (code) {
    case HEADER_TYPE_RIFF:
      return "RIFF";
    case HEADER_TYPE_RAW:
      return "raw (no header)";
    default:
      return "unknown";
  }
}

const char* data_format_name(SampleFormat code) {
  switch (code) {
    case DATA_FORMAT_LSHORT:
      return "little endian short (16 bits)";
    case DATA_FORMAT_BSHORT:
      return "big endian short (16 bits)";
    default:
      return "unknown";
  }
}

HeaderKind classify_header(std::span<const unsigned char> head) {
  struct Magic {
    const char* id;
    const char* name;
  };
  static constexpr Magic refused[] = {{"RIFX", "RIFF"}, {"RF64", "RF64"}, {".snd", "Sun/Next"},
                                      {"caff", "CAFF"}, {"fLaC", "FLAC"}, {"OggS", "Ogg"},
                                      {"NIST", "NIST"}};
  if (id_at(head, 0, "RIFF")) {
    if (id_at(head, 8, "WAVE")) return {HEADER_TYPE_RIFF, "RIFF"};
    return {HEADER_TYPE_REFUSED, "RIFF"};
  }
  if (id_at(head, 0, "FORM") && (id_at(head, 8, "AIFF") || id_at(head, 8, "AIFC"))) {
    return {HEADER_TYPE_REFUSED, "AIFF"};
  }
  for (const Magic& magic : refused) {
    if (id_at(head, 0, magic.id)) return {HEADER_TYPE_REFUSED, magic.name};
  }
  return {HEADER_TYPE_RAW, header_type_name(HEADER_TYPE_RAW)};
}

bool probe_sound_file(const char* path, bool classify, HeaderKind& kind, std::string& messages) {
  kind = {HEADER_TYPE_RAW, header_type_name(HEADER_TYPE_RAW)};
  struct stat status;
  if (stat(path, &status) != 0) {
    add_system_error(errno, messages);
    return false;
  }
  if (S_ISDIR(status.st_mode)) {
    add_system_error(EISDIR, messages);
    return false;
  }
  if (!S_ISREG(status.st_mode)) return true;  // FIFO, device, socket: never opened

  FileHandle file = open_for_reading(path);
  if (!file) {
    add_system_error(errno, messages);
    return false;
  }
  if (!classify) return true;
  unsigned char head[HEADER_PROBE_BYTES];
  std::size_t got = std::fread(head, 1, sizeof head, file.get());
  if (std::ferror(file.get())) {
    add_system_error(errno != 0 ? errno : EIO, messages);
    return false;
  }
  kind = classify_header(std::span<const unsigned char>(head, got));
  return true;
}

RiffChunks walk_riff_chunks(const char* path) {
  RiffChunks found;
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return found;
  struct stat status;
  if (fstat(fd, &status) != 0) {
    close(fd);
    return found;
  }
  WalkWindow window;
  window.fd = fd;
  window.file_size = status.st_size;

  // Offsets are 64-bit: a chunk at most 0xFFFFFFFF + 1 bytes long cannot make
  // them wrap, and every step moves on by at least the 8 bytes of a header.
  // The walk goes as far as the library's parser does: past "data" to the end
  // of the file, stopping at an id that is not four printable characters.
  int chunks = 0;
  std::int64_t offset = 12;
  while (offset + 8 <= window.file_size) {
    unsigned char header[8];
    if (!read_at(window, offset, header) || !printable_id(header)) break;
    if (++chunks > MAX_RIFF_CHUNKS) break;
    const std::int64_t size = little_endian_32(header + 4);
    const std::int64_t body = offset + 8;
    std::span<const unsigned char> id(header, 4);
    if (id_at(id, 0, "fmt ") && !found.has_format && size >= 2 && body + 2 <= window.file_size) {
      unsigned char tag[2];
      if (!read_at(window, body, tag)) break;
      found.has_format = true;
      found.format_tag = tag[0] | tag[1] << 8;
    } else if (id_at(id, 0, "data") && !found.has_data) {
      found.has_data = true;
      found.data_bytes = size;
    } else if (id_at(id, 0, "LIST") && !list_fits(window, body, size, chunks)) {
      found.broken_list = true;
      break;
    }
    offset = body + size + (size & 1);
  }
  found.too_many_chunks = !found.broken_list && chunks > MAX_RIFF_CHUNKS;
  close(fd);
  return found;
}

RiffHandle open_riff(const char* path, RiffInfo& info, std::string& messages) {
  SF_INFO sf_info;
  std::memset(&sf_info, 0, sizeof sf_info);
  SNDFILE* file = sf_open(path, SFM_READ, &sf_info);
  if (file == nullptr) {
    append_text(messages, "%s\n", sf_strerror(nullptr));
    return RiffHandle();
  }
  RiffHandle stream(new RiffStream{file, sf_info.channels});

  const int container = sf_info.format & SF_FORMAT_TYPEMASK;
  const int encoding = sf_info.format & SF_FORMAT_SUBMASK;
  const int endian = sf_info.format & SF_FORMAT_ENDMASK;
  const bool little = endian == SF_ENDIAN_FILE || endian == SF_ENDIAN_LITTLE;
  info.format = (container == SF_FORMAT_WAV || container == SF_FORMAT_WAVEX) &&
                        encoding == SF_FORMAT_PCM_16 && little
                    ? DATA_FORMAT_LSHORT
                    : DATA_FORMAT_OTHER;
  info.channels = sf_info.channels;
  info.frames = sf_info.frames;
  info.rate = sf_info.samplerate;
  return stream;
}

std::int64_t read_riff_samples(RiffStream& stream, std::span<Sample> samples) {
  if (stream.channels != 1) return 0;
  static_assert(sizeof(Sample) == sizeof(short));
  sf_count_t got = sf_readf_short(stream.file, reinterpret_cast<short*>(samples.data()),
                                  static_cast<sf_count_t>(samples.size()));
  return got < 0 ? 0 : got;
}
