#include "driver/result_streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

bool is_stdout_name(const char* name) { return std::strcmp(name, "-") == 0; }

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool goes_to_stdout(const ResultStream& slot) {
  return slot.file_name == nullptr ? slot.stream == stdout : is_stdout_name(slot.file_name);
}

// Device and inode of the files a slot may share: standard output, standard
// error and the files opened for the earlier slots.
struct KnownFiles {
  struct stat out {};
  struct stat err {};
  bool have_out = false;
  bool have_err = false;
  struct stat opened[RESULT_STREAM_COUNT] = {};
  bool has_file[RESULT_STREAM_COUNT] = {};
};

// The stream already writing to file, or nullptr.
std::FILE* stream_of(const struct stat& file, const KnownFiles& known, const ResultStreams& slots,
                     int slot) {
  if (known.have_out && same_file(file, known.out)) return stdout;
  if (known.have_err && same_file(file, known.err)) return stderr;
  for (int e = 0; e < slot; ++e) {
    if (known.has_file[e] && same_file(file, known.opened[e])) return slots[e].stream;
  }
  return nullptr;
}

// Writes "cannot open NAME." after closing fd (when open); returns false.
bool cannot_open(const char* name, int fd) {
  if (fd >= 0) close(fd);
  std::fprintf(stderr, "cannot open %s.\n", name);
  return false;
}

// Reports a failed stream as "Error: cannot write NAME: REASON"; returns 1.
int report_write_failure(const char* name, int error) {
  std::fprintf(stderr, "Error: cannot write %s: %s\n", name,
               std::strerror(error != 0 ? error : EIO));
  return 1;
}

// Flushes a standard stream shared by result slots; true when every write
// to it succeeded.
bool flush_standard(std::FILE* stream) {
  errno = 0;
  return std::fflush(stream) == 0 && std::ferror(stream) == 0;
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
  struct stat out {};
  if (fstat(STDOUT_FILENO, &out) != 0 || !same_file(input, out)) return false;
  for (const ResultStream& slot : slots) {
    if (goes_to_stdout(slot)) {
      std::fputs("Error: result file standard output is the input file.\n", stderr);
      return true;
    }
  }
  return false;
}

bool open_result_streams(ResultStreams& slots, const char* input_path) {
  ResultFileMemory memory[RESULT_STREAM_COUNT];
  for (int s = 0; s < RESULT_STREAM_COUNT; ++s) {
    if (slots[s].file_name == nullptr || is_stdout_name(slots[s].file_name)) continue;
    memory[s] = allocate_result_file();
    if (!memory[s]) {
      std::fputs("Error: cannot allocate working memory.\n", stderr);
      return false;
    }
  }
  struct stat input {};
  const bool have_input = stat(input_path, &input) == 0;
  KnownFiles known;
  known.have_out = fstat(STDOUT_FILENO, &known.out) == 0;
  known.have_err = fstat(STDERR_FILENO, &known.err) == 0;

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
    if (shared == nullptr && stat(slot.file_name, &existing) == 0)
      shared = stream_of(existing, known, slots, s);
    if (shared != nullptr) {
      slot.stream = shared;
      continue;
    }
    // Opened without truncation: the file is known by its device and inode
    // before any byte of it is lost, whatever happened to its name since.
    const int fd = open(slot.file_name, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    struct stat opened {};
    if (fd < 0 || fstat(fd, &opened) != 0) return cannot_open(slot.file_name, fd);
    if (have_input && same_file(opened, input)) {
      close(fd);
      std::fprintf(stderr, "Error: result file %s is the input file.\n", slot.file_name);
      return false;
    }
    shared = stream_of(opened, known, slots, s);
    if (shared != nullptr) {
      close(fd);
      slot.stream = shared;
      continue;
    }
    // Devices and FIFOs cannot be truncated (nor are they by fopen's "w").
    if (S_ISREG(opened.st_mode) && ftruncate(fd, 0) != 0) return cannot_open(slot.file_name, fd);
    slot.stream = open_result_file(std::move(memory[s]), fd);
    if (slot.stream == nullptr) return cannot_open(slot.file_name, -1);
    known.opened[s] = opened;
    known.has_file[s] = true;
  }
  return true;
}

int close_result_streams(ResultStreams& slots) {
  for (int s = 0; s < RESULT_STREAM_COUNT; ++s) {
    std::FILE* stream = slots[s].stream;
    if (stream == nullptr) continue;
    bool closed_before = false;
    for (int e = 0; e < s; ++e) closed_before = closed_before || slots[e].stream == stream;
    if (closed_before) continue;
    // Standard output and error may be shared under several names; each is
    // reported as itself.
    if (stream == stdout) {
      if (!flush_standard(stdout)) return report_write_failure("standard output", errno);
      continue;
    }
    if (stream == stderr) {
      if (!flush_standard(stderr)) return report_write_failure("standard error", errno);
      continue;
    }
    errno = 0;
    const bool had_error = std::ferror(stream) != 0;
    const bool close_failed = std::fclose(stream) != 0;
    if (had_error || close_failed) return report_write_failure(slots[s].file_name, errno);
  }
  return 0;
}
