// The message lines of the library: formatted with printf conversions, which
// the compiler checks against their arguments, and collected as text or
// thrown as a vocana::Error, never written to a stream.
#pragma once

#include <vocana/error.h>

#include <string>

// append_text: appends the printf-formatted text to out.
//   out     in/out  text so far
//   format  in      printf format, then its arguments
void append_text(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// format_text: the printf-formatted text.
std::string format_text(const char* format, ...) __attribute__((format(printf, 1, 2)));

// throw_error: throws vocana::Error(kind, the printf-formatted text).
[[noreturn]] void throw_error(vocana::ErrorKind kind, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
