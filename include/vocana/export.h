// Marks the functions and types the shared library exports; everything else
// in it is compiled with hidden visibility, so that calls inside the library
// stay direct and inlinable.
#pragma once

#define VOCANA_API __attribute__((visibility("default")))
