// Fatal error of the numerical routines.
#pragma once

// nrerror: writes "Numerical Recipes run-time error...\n", text and a line end,
//   then "...now exiting to system...\n" to standard error and ends the
//   process with status 1.
//   text  in  NUL-terminated message
[[noreturn]] void nrerror(const char* text);
