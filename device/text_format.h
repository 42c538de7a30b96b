// Small text builders shared by the drive and disc information readers.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

namespace ossel {

// printf-style formatting into an owned string.
[[gnu::format(printf, 1, 2)]] inline std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (size > 0) {
    text.resize(static_cast<std::size_t>(size) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(size));
  }
  va_end(args);
  return text;
}

// A fixed-width character field as "%.Ns" shows it: at most `width` bytes, ended sooner by a NUL, blanks kept.
inline std::string FieldText(const void* field, std::size_t width) {
  const char* text = static_cast<const char*>(field);
  const void* end = std::memchr(text, 0, width);
  return std::string(text, end ? static_cast<const char*>(end) - text : width);
}

}  // namespace ossel
