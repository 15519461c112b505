#include "driver/std_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <new>

#include "driver/result_file.h"

namespace {

bool is_open(int fd) { return fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

// Occupies the closed descriptor fd (all below it open) with a read end.
bool occupy(int fd) {
  int ends[2];
  if (pipe(ends) != 0) return false;
  // pipe() takes the lowest free numbers: ends[0] is fd. The write end is
  // closed unless it is the next closed standard descriptor, which is then
  // occupied in its own turn.
  if (ends[0] != fd) {
    const bool moved = dup2(ends[0], fd) == fd;
    close(ends[0]);
    if (!moved) {
      close(ends[1]);
      return false;
    }
  }
  close(ends[1]);
  return true;
}

}  // namespace

bool prepare_standard_streams(StandardStreams& streams) {
  for (int fd = 0; fd <= 2; ++fd) {
    if (!is_open(fd) && !occupy(fd)) return false;
  }
  std::signal(SIGXFSZ, SIG_IGN);
  // setvbuf() with a null buffer keeps the C library's own size (the
  // device's block size); a buffer of the caller's own takes effect.
  if (isatty(STDOUT_FILENO) == 0) {
    streams.stdout_buffer.reset(new (std::nothrow) char[RESULT_STREAM_BUFFER]);
    if (streams.stdout_buffer) {
      std::setvbuf(stdout, streams.stdout_buffer.get(), _IOFBF, RESULT_STREAM_BUFFER);
    }
  }
  return true;
}
