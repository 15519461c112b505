// Start-up of the program: the standard descriptors and the signals that
// must not end a run. Never part of the analysis library, which leaves
// descriptors and signals to the program that hosts it.
#pragma once

#include <memory>

// What the start-up gives the program; it must live until exit() has flushed
// standard output (main() ends with std::exit(), so main's locals do).
struct StandardStreams {
  std::unique_ptr<char[]> stdout_buffer;  // the buffer of standard output, or empty
};

// prepare_standard_streams: makes the process safe to write results.
//   streams  out  owns the buffer given to standard output
// 1. Descriptors 0, 1 and 2, where closed, are each given the read end of a
//    pipe whose write end is closed: reading gives end of file, every write
//    fails with EBADF, and no result file can take the number of a standard
//    stream.
// 2. SIGXFSZ is ignored: a write beyond the file size limit fails with EFBIG
//    and is reported as any failed write.
// 3. Standard output, unless it is a terminal, gets a full buffer of
//    RESULT_STREAM_BUFFER bytes (kept as it is when that cannot be allocated).
// Returns false when a closed descriptor cannot be occupied (pipe() failed);
// prints nothing.
bool prepare_standard_streams(StandardStreams& streams);
