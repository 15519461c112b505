#include "driver/result_file.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <new>

struct ResultFile {
  int fd = -1;
  int first_error = 0;  // errno of the first failed write, 0: none failed
  std::array<char, RESULT_STREAM_BUFFER> buffer;
};

void ResultFileDeleter::operator()(ResultFile* file) const { delete file; }

namespace {

// The stream's write function: all of size bytes, or the count written before
// a failure, whose reason is kept when it is the first.
ssize_t write_all(void* cookie, const char* data, std::size_t size) {
  ResultFile& file = *static_cast<ResultFile*>(cookie);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = write(file.fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      if (file.first_error == 0) file.first_error = error;
      errno = error;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

// The stream's close function: closes the descriptor and frees the memory
// (the C library no longer reads the buffer once it calls this).
int close_file(void* cookie) {
  ResultFile* file = static_cast<ResultFile*>(cookie);
  int error = file->first_error;
  if (close(file->fd) != 0 && error == 0) error = errno;
  delete file;
  if (error == 0) return 0;
  errno = error;
  return -1;
}

}  // namespace

ResultFileMemory allocate_result_file() { return ResultFileMemory(new (std::nothrow) ResultFile); }

std::FILE* open_result_file(ResultFileMemory memory, int fd) {
  memory->fd = fd;
  const cookie_io_functions_t functions = {nullptr, write_all, nullptr, close_file};
  std::FILE* stream = fopencookie(memory.get(), "w", functions);
  if (stream == nullptr) {
    close(fd);
    return nullptr;
  }
  char* buffer = memory.release()->buffer.data();
  std::setvbuf(stream, buffer, _IOFBF, RESULT_STREAM_BUFFER);
  return stream;
}
