// Failure of the numerical routines.
#pragma once

// nrerror: throws vocana::Error (kind analysis) whose text is the three lines
//   "Numerical Recipes run-time error...\n", text and a line end, and
//   "...now exiting to system...\n".
//   text  in  NUL-terminated message
[[noreturn]] void nrerror(const char* text);
