// A result file as a stdio stream of its own: written through a buffer the
// stream owns, it keeps the reason (errno) of its first failed write.
#pragma once

#include <cstdio>
#include <memory>

// Size of the buffer of every result stream [bytes].
inline constexpr int RESULT_STREAM_BUFFER = 1 << 18;

// The memory of one result file stream (descriptor, first error, buffer);
// only result_file.cpp sees inside.
struct ResultFile;
struct ResultFileDeleter {
  void operator()(ResultFile* file) const;
};
using ResultFileMemory = std::unique_ptr<ResultFile, ResultFileDeleter>;

// allocate_result_file: the memory of one result file stream, buffer
//   included, so that it can be had before any file is opened.
// Returns it, or an empty handle when it cannot be allocated. Prints nothing.
ResultFileMemory allocate_result_file();

// open_result_file: a write-only stream over the open descriptor fd, fully
//   buffered through memory's buffer.
//   memory  in  from allocate_result_file(); the stream owns it from now on
//   fd      in  open for writing; the stream owns it from now on
// Returns the stream, or nullptr (fd closed, memory freed) when the C library
// cannot make one. fclose() of the stream flushes it, closes fd and frees the
// memory; it fails when any write failed, with errno set to the reason of the
// first failed write (ENOSPC, EFBIG, EBADF, ...), or when close() fails.
std::FILE* open_result_file(ResultFileMemory memory, int fd);
