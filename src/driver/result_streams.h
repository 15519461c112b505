// Opening, sharing and closing the result streams of a run.
#pragma once

#include "driver/run_settings.h"

// Size of the buffer of every result stream [bytes].
inline constexpr int RESULT_STREAM_BUFFER = 1 << 18;

// refuse_input_as_result: is any named result file the input file itself
//   (same device and inode)?
//   slots       in  the seven slots with their file names
//   input_path  in  the sound file of the run
// Returns true after "Error: result file %s is the input file.\n" on standard
// error for the first such slot; false when none is.
bool refuse_input_as_result(const ResultStreams& slots, const char* input_path);

// open_result_streams: gives every named slot its stream, in slot order.
//   slots  in/out  "-" means standard output; a name equal to an earlier
//                  slot's, or naming the same file (device and inode) as an
//                  earlier slot's file or as standard output, shares that
//                  stream; any other name is created or truncated
// A file that cannot be opened ends the process (status 1) after "cannot open
// %s.\n"; files opened before it stay as they are.
void open_result_streams(ResultStreams& slots);

// close_result_streams: flushes standard output and closes every other
//   stream once, in slot order, stopping at the first failure.
// Returns 0, or 1 after "Error: cannot write %s: %s\n" (the name as typed, or
// "standard output") on standard error.
int close_result_streams(ResultStreams& slots);
