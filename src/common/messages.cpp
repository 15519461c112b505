#include "common/messages.h"

#include <cstdarg>
#include <cstdio>

namespace {

void append_formatted(std::string& out, const char* format, std::va_list args) {
  std::va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  if (length > 0) {
    const std::size_t old_size = out.size();
    out.resize(old_size + static_cast<std::size_t>(length) + 1);
    std::vsnprintf(out.data() + old_size, static_cast<std::size_t>(length) + 1, format, again);
    out.resize(old_size + static_cast<std::size_t>(length));
  }
  va_end(again);
}

}  // namespace

void append_text(std::string& out, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  append_formatted(out, format, args);
  va_end(args);
}

std::string format_text(const char* format, ...) {
  std::string text;
  std::va_list args;
  va_start(args, format);
  append_formatted(text, format, args);
  va_end(args);
  return text;
}

void throw_error(vocana::ErrorKind kind, const char* format, ...) {
  std::string text;
  std::va_list args;
  va_start(args, format);
  append_formatted(text, format, args);
  va_end(args);
  throw vocana::Error(kind, text);
}
