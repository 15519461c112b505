// Fixed-point number text for the tables: the bytes printf("%.*f") writes,
// produced without printf for the values the tables hold.
#pragma once

#include <string>

// append_fixed: appends x with the given number of decimals, byte for byte
// what snprintf(..., "%.*f", decimals, x) writes.
//   out       in/out  text so far
//   x         in      any double (NaN and infinities go through snprintf)
//   decimals  in      [0..9]
// Values with |x| 10^decimals of 1e12 or more, and those whose scaled
// fraction lies within 1e-3 of one half (where the decimal rounding of the
// exact binary value decides), are written by snprintf itself; otherwise the
// scaled value rounded to the nearest integer is that rounding (its error,
// below 1.2e-4, cannot carry it across a half). Allocates only as out grows.
void append_fixed(std::string& out, double x, int decimals);
