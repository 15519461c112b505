// Fast formatting of the numbers of result lines, byte for byte what
// printf gives for the same conversion (glibc: exact decimal value of the
// double, rounded half to even). Values outside the exact integer fast path
// (non-finite, very large or very small) are handed to snprintf itself.
//
// Every function writes at `out` without a terminating NUL and returns the
// position after the last character written. The caller's buffer must hold
// FORMAT_MAX_CHARS characters per call.
#pragma once

// Room one conversion may need, including snprintf's worst case for "%f" of
// the largest double (309 integer digits).
inline constexpr int FORMAT_MAX_CHARS = 330;

// put_long: "%<width>ld".
//   width  in  minimum field width, padded with blanks on the left
char* put_long(char* out, long value, int width);

// put_fixed: "%<width>.<decimals>f".
//   decimals  in  digits after the point [0..6]
//   width     in  minimum field width, padded with blanks on the left
char* put_fixed(char* out, double value, int decimals, int width);

// put_exponent: "%+e" (sign always, one digit, six decimals, exponent of at
// least two digits).
char* put_exponent(char* out, double value);
