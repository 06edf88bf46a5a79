#pragma once
// The escapes of the INI files QSettings writes, which Vellum's settings file
// has used from its first version: written the same way, so a copy of an
// earlier Vellum reads what this one wrote.
//
// Names: "/" is stored as "\", letters, digits, "_", "-" and "." as they are,
// any other character as %XX (U+0000 to U+00FF) or %UXXXX. Values: quoted
// when they hold ",", ";", "=" or blanks at either end; "\" and '"' escaped,
// control characters as \n, \t, \xNN...; a leading "@" doubled, as "@" starts
// a typed value such as @Variant(...).
#include <optional>
#include <string>
#include <string_view>

namespace vellum {

class IniEscapes {
public:
    static std::string escapedName(std::string_view name);
    static std::string unescapedName(std::string_view stored);

    static std::string escapedValue(std::string_view value);
    // A typed value gives its text: @Variant of a number or a string,
    // @String, @ByteArray. Empty for @Invalid() (QSettings' "no value") and
    // for a @Variant of another type.
    static std::optional<std::string> unescapedValue(std::string_view stored);
    // A value read as a number: decimal, or the words true and false.
    static std::optional<int> numberOf(std::string_view value);
};

} // namespace vellum
