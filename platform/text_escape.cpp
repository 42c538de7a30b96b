#include "platform/text_escape.h"

#include <cstdint>

namespace ossel {

namespace {

// The length of the valid UTF-8 sequence that starts at `at`, 0 when none does. `at` holds a byte of 0x80 or above.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(at);
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong below U+0800
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong below U+10000
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  return length;
}

void AppendHex(std::string& out, char c) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  const auto value = static_cast<std::uint8_t>(c);
  out += "\\x";
  out += kDigits[value >> 4];
  out += kDigits[value & 0x0F];
}

}  // namespace

std::string EscapeControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<std::uint8_t>(text[i]);
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7F)
        AppendHex(out, text[i]);
      else
        out += text[i];
      ++i;
      continue;
    }
    const std::size_t length = SequenceLength(text, i);
    const bool c1 = length == 2 && c == 0xC2 && static_cast<std::uint8_t>(text[i + 1]) <= 0x9F;
    if (length == 0) {
      AppendHex(out, text[i]);
      ++i;
    } else if (c1) {
      AppendHex(out, text[i]);
      AppendHex(out, text[i + 1]);
      i += 2;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

}  // namespace ossel
