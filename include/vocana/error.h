// The one error type of the library. No function of the library ends the
// process or writes to standard output or error: a failure is thrown as an
// Error carrying the exact lines the vocana program prints for it, and a kind
// that lets a caller (a binding) choose its own error without reading text.
#pragma once

#include <vocana/export.h>

#include <stdexcept>
#include <string>

namespace vocana {

enum class ErrorKind {
  file,      // a file cannot be read, or its contents are refused
  settings,  // a setting is out of range, or settings conflict
  analysis,  // the analysis itself failed (the root finder did not converge)
};

// what() is the text: one or more complete lines, each ending in '\n'.
class VOCANA_API Error : public std::runtime_error {
 public:
  Error(ErrorKind kind, const std::string& text) : std::runtime_error(text), kind_(kind) {}
  ErrorKind kind() const noexcept { return kind_; }

 private:
  ErrorKind kind_;
};

}  // namespace vocana
