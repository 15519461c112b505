// The one way a fatal condition ends the process.
#pragma once

// fatal_exit: ends the process with status 1 after flushing standard error.
//   Every open stdio stream (result files included) is flushed by exit(), so
//   the lines written before the fault stay in the result files.
//   The fuzzing build links another definition that unwinds to the target's
//   entry instead of exiting.
[[noreturn]] void fatal_exit();

// fatal_message: writes message (verbatim, no line end added) to standard
//   error, then fatal_exit().
[[noreturn]] void fatal_message(const char* message);
