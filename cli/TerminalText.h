#pragma once
// Text from images, pieces and paths made safe for a terminal: control
// characters (C0, DEL and C1) are shown as visible escapes, so a hostile
// name can neither move the cursor nor forge output lines.
#include <string>
#include <string_view>

namespace vellum::cli {

class TerminalText {
public:
    // "\x1B" for a C0 control or DEL, "\u009B" for a C1 control.
    static std::string escaped(std::string_view text);
};

} // namespace vellum::cli
