// Opening, sharing and closing the result streams of a run.
#pragma once

#include "driver/result_file.h"
#include "driver/run_settings.h"

// refuse_input_as_result: is any result file the input file itself (same
//   device and inode), by its name or as standard output?
//   slots       in  the seven slots with their file names; a slot goes to
//                   standard output when named "-", or unnamed with the
//                   stream stdout (the formant frequencies by default)
//   input_path  in  the sound file of the run
// Returns true after "Error: result file %s is the input file.\n" on standard
// error for the first such slot by name, or "Error: result file standard
// output is the input file.\n" when a slot goes to standard output and that
// is the input (opened with 1<> or >>); false when none is.
bool refuse_input_as_result(const ResultStreams& slots, const char* input_path);

// open_result_streams: gives every named slot its stream, in slot order.
//   slots       in/out  "-" means standard output; a name equal to an earlier
//                       slot's, or naming the same file (device and inode)
//                       as standard output, standard error or an earlier
//                       slot's file, shares that stream; any other name is
//                       created or opened without truncation, checked, and
//                       only then truncated, and written through a result
//                       file stream (result_file.h)
//   input_path  in      the sound file of the run
// Returns true. The buffers of all the files are allocated before the first
// is opened; a failure returns false after "Error: cannot allocate working
// memory.\n" on standard error. A file that cannot be opened returns false
// after "cannot open %s.\n", a file that turns out to be the input once open
// (its name was changed since refuse_input_as_result()) after "Error: result
// file %s is the input file.\n", untouched; files opened before it stay open
// with what they hold (the run ends with status 1).
bool open_result_streams(ResultStreams& slots, const char* input_path);

// close_result_streams: flushes standard output (and standard error when a
//   slot shares it) and closes every other stream once, in slot order,
//   stopping at the first failure.
// Returns 0, or 1 after "Error: cannot write %s: %s\n" (the name as typed,
// "standard output" or "standard error", then the reason of the stream's
// first failed write) on standard error.
int close_result_streams(ResultStreams& slots);
