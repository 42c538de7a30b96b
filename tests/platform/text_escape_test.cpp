// Text quoted in messages: every control byte and every byte that is not UTF-8 shows as \xHH, the rest is kept.
#include <gtest/gtest.h>

#include <string>

#include "platform/text_escape.h"

namespace ossel {
namespace {

TEST(EscapeControls, ControlsAndBrokenUtf8ShowAsHexAndTheRestIsKept) {
  struct Case {
    std::string text;
    std::string shown;
  };
  const Case cases[] = {
      {std::string("a\0b", 3), "a\\x00b"},            // a NUL, which would cut a C string
      {"\t\n\r\x1B[2J", "\\x09\\x0A\\x0D\\x1B[2J"},   // line ends, tab and a terminal's escape
      {"x\x7F", "x\\x7F"},                            // DEL
      {"\xC2\x85\xC2\x9B", "\\xC2\\x85\\xC2\\x9B"},   // C1 controls: next line, control sequence introducer
      {"\xC2\xA0\xC2\x7F", "\xC2\xA0\\xC2\\x7F"},     // no-break space kept; a lead byte before DEL is broken
      {"caf\xE9", "caf\\xE9"},                        // Latin-1, not UTF-8
      {"\xE9t\xE9", "\\xE9t\\xE9"},                   // ... at the start and at the end
      {"\x80\xBF", "\\x80\\xBF"},                     // stray continuation bytes
      {"\xC0\xAF\xE0\x80\xAF", "\\xC0\\xAF\\xE0\\x80\\xAF"},  // overlong forms of '/'
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},            // a surrogate
      {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},   // past U+10FFFF
      {"\xE2\x82", "\\xE2\\x82"},                     // a sequence cut short by the end
      {"\xE2\x82x", "\\xE2\\x82x"},                   // ... and by an ASCII byte
      {"Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5 \xEF\xBF\xBF", "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5 \xEF\xBF\xBF"},
      {"C:\\x41 'q' \"d\"", "C:\\x41 'q' \"d\""},     // a backslash as it is
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    EXPECT_EQ(EscapeControls(c.text), c.shown);
  }
}

}  // namespace
}  // namespace ossel
