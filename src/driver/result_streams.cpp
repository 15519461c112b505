#include "driver/result_streams.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "driver/fatal_exit.h"

namespace {

bool is_stdout_name(const char* name) { return std::strcmp(name, "-") == 0; }

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

bool refuse_input_as_result(const ResultStreams& slots, const char* input_path) {
  struct stat input {};
  if (stat(input_path, &input) != 0) return false;
  for (const ResultStream& slot : slots) {
    if (slot.file_name == nullptr || is_stdout_name(slot.file_name)) continue;
    struct stat result {};
    if (stat(slot.file_name, &result) == 0 && same_file(input, result)) {
      std::fprintf(stderr, "Error: result file %s is the input file.\n", slot.file_name);
      return true;
    }
  }
  return false;
}

void open_result_streams(ResultStreams& slots) {
  struct stat out_stat {};
  const bool have_stdout = fstat(STDOUT_FILENO, &out_stat) == 0;
  // Device and inode of the file opened for each slot.
  struct stat opened[RESULT_STREAM_COUNT] = {};
  bool has_file[RESULT_STREAM_COUNT] = {};

  for (int s = 0; s < RESULT_STREAM_COUNT; ++s) {
    ResultStream& slot = slots[s];
    if (slot.file_name == nullptr) continue;
    if (is_stdout_name(slot.file_name)) {
      slot.stream = stdout;
      continue;
    }
    std::FILE* shared = nullptr;
    for (int e = 0; e < s && shared == nullptr; ++e) {
      if (slots[e].file_name != nullptr && std::strcmp(slots[e].file_name, slot.file_name) == 0)
        shared = slots[e].stream;
    }
    struct stat existing {};
    if (shared == nullptr && stat(slot.file_name, &existing) == 0) {
      if (have_stdout && same_file(existing, out_stat)) shared = stdout;
      for (int e = 0; e < s && shared == nullptr; ++e) {
        if (has_file[e] && same_file(existing, opened[e])) shared = slots[e].stream;
      }
    }
    if (shared != nullptr) {
      slot.stream = shared;
      continue;
    }
    std::FILE* file = std::fopen(slot.file_name, "w");
    if (file == nullptr) {
      std::fprintf(stderr, "cannot open %s.\n", slot.file_name);
      fatal_exit();
    }
    std::setvbuf(file, nullptr, _IOFBF, RESULT_STREAM_BUFFER);
    slot.stream = file;
    has_file[s] = fstat(fileno(file), &opened[s]) == 0;
  }
}

int close_result_streams(ResultStreams& slots) {
  for (int s = 0; s < RESULT_STREAM_COUNT; ++s) {
    std::FILE* stream = slots[s].stream;
    if (stream == nullptr) continue;
    bool closed_before = false;
    for (int e = 0; e < s; ++e) closed_before = closed_before || slots[e].stream == stream;
    if (closed_before) continue;
    const char* name = slots[s].file_name;
    if (stream == stdout) {
      // Standard output may be shared under several names; it is reported
      // as itself.
      name = "standard output";
      errno = 0;
      const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
      if (failed) {
        std::fprintf(stderr, "Error: cannot write %s: %s\n", name,
                     std::strerror(errno != 0 ? errno : EIO));
        return 1;
      }
      continue;
    }
    errno = 0;
    const bool had_error = std::ferror(stream) != 0;
    const bool close_failed = std::fclose(stream) != 0;
    if (had_error || close_failed) {
      std::fprintf(stderr, "Error: cannot write %s: %s\n", name,
                   std::strerror(errno != 0 ? errno : EIO));
      return 1;
    }
  }
  return 0;
}
