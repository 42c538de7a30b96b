// Text from files and devices made safe to quote in a message or a line of output: what a terminal, a log or a
// reader would take for something else never passes through as it is.
#pragma once

#include <string>
#include <string_view>

namespace ossel {

// `text` with every control byte written as \xHH (two capital hex digits): the C0 controls (line ends and tabs
// too), DEL, each byte of a C1 control in UTF-8 (C2 80 to C2 9F), and each byte that is not part of valid UTF-8
// (a stray continuation byte, a sequence cut short, an overlong form, a surrogate, a code point past U+10FFFF).
// Valid UTF-8 that is no control, the backslash included, is kept byte for byte.
std::string EscapeControls(std::string_view text);

}  // namespace ossel
