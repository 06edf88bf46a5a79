#include "core/IniProfile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/TextCodec.h"

namespace vellum {

namespace {

const std::filesystem::path kCompanyDir = "Orrindale";
const std::filesystem::path kFileName = "Vellum.conf";
const char* const kOverrideVariable = "VELLUM_CONFIG";
// QSettings' name for the keys outside any group, and how it writes a group
// that really is called so.
const std::string kTopLevel = "General";
const std::string kEscapedGeneral = "%General";
const std::string kStringPrefix = "@String(";

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

char hexDigit(unsigned v, bool upper)
{
    return static_cast<char>(v < 10 ? '0' + v : (upper ? 'A' : 'a') + v - 10);
}

std::string trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Code points of UTF-8 text; a byte that starts no valid sequence stands for
// itself, as Latin-1.
std::vector<char32_t> codePoints(const std::string& s)
{
    std::vector<char32_t> out;
    std::size_t i = 0;
    while (i < s.size()) {
        const auto lead = static_cast<unsigned char>(s[i]);
        const std::size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        char32_t cp = lead & (0x7F >> (extra == 0 ? 0 : extra + 1));
        bool valid = lead < 0x80 || (lead >= 0xC0 && lead < 0xF8 && i + extra < s.size());
        for (std::size_t k = 1; valid && k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            valid = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        out.push_back(valid ? cp : lead);
        i += valid ? extra + 1 : 1;
    }
    return out;
}

void appendPercent(std::string& out, char32_t unit, bool wide)
{
    out += wide ? "%U" : "%";
    for (int shift = wide ? 12 : 4; shift >= 0; shift -= 4)
        out += hexDigit((unit >> shift) & 0xF, true);
}

// A group or key name as QSettings writes it: '/' becomes '\', and anything
// but letters, digits, '_', '-' and '.' is percent-encoded by UTF-16 unit.
std::string escapeKey(const std::string& key)
{
    std::string out;
    for (const char32_t cp : codePoints(key)) {
        if (cp == '/') {
            out += '\\';
        } else if ((cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z') || (cp >= '0' && cp <= '9') ||
                   cp == '_' || cp == '-' || cp == '.') {
            out += static_cast<char>(cp);
        } else if (cp <= 0xFF) {
            appendPercent(out, cp, false);
        } else if (cp <= 0xFFFF) {
            appendPercent(out, cp, true);
        } else {
            appendPercent(out, 0xD800 + ((cp - 0x10000) >> 10), true);
            appendPercent(out, 0xDC00 + ((cp - 0x10000) & 0x3FF), true);
        }
    }
    return out;
}

std::string unescapeKey(const std::string& key)
{
    std::string out;
    char32_t highSurrogate = 0;
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (key[i] == '\\') {
            out += '/';
            continue;
        }
        const bool wide = key[i] == '%' && i + 1 < key.size() && key[i + 1] == 'U';
        const std::size_t digits = wide ? 4 : 2;
        const std::size_t start = i + (wide ? 2 : 1);
        bool encoded = key[i] == '%' && start + digits <= key.size();
        char32_t unit = 0;
        for (std::size_t k = 0; encoded && k < digits; ++k) {
            encoded = isHexDigit(key[start + k]);
            unit = unit * 16 + (encoded ? hexValue(key[start + k]) : 0);
        }
        if (!encoded) {
            out += key[i];
            continue;
        }
        i = start + digits - 1;
        if (unit >= 0xD800 && unit < 0xDC00) {
            highSurrogate = unit;
            continue;
        }
        if (unit >= 0xDC00 && unit < 0xE000 && highSurrogate != 0)
            unit = 0x10000 + ((highSurrogate - 0xD800) << 10) + (unit - 0xDC00);
        highSurrogate = 0;
        TextCodec::appendUtf8(out, unit);
    }
    return out;
}

std::string sectionHeader(const std::string& section)
{
    if (section.empty())
        return kTopLevel;
    return section == kTopLevel ? kEscapedGeneral : escapeKey(section);
}

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string sectionName(const std::string& header)
{
    if (equalsIgnoringCase(header, kTopLevel))
        return {};
    if (equalsIgnoringCase(header, kEscapedGeneral))
        return header.substr(1);
    return unescapeKey(header);
}

// A string value as QSettings writes it: control characters, quotes and
// backslashes escaped, and the whole quoted when it holds ';', ',' or '='
// or starts or ends with a space. Other bytes, UTF-8 included, stay as they are.
std::string escapeValue(const std::string& value)
{
    std::string text = value;
    if (text.find('\0') != std::string::npos)
        text = kStringPrefix + text + ")";
    else if (!text.empty() && text.front() == '@')
        text.insert(0, 1, '@');

    std::string out;
    bool needsQuotes = false;
    bool escapeNextIfHex = false;
    for (const char ch : text) {
        const auto u = static_cast<unsigned char>(ch);
        if (ch == ';' || ch == ',' || ch == '=')
            needsQuotes = true;
        if (escapeNextIfHex && isHexDigit(ch)) {
            out += "\\x";
            out += hexDigit(u >> 4, false);
            out += hexDigit(u & 0xF, false);
            continue;
        }
        escapeNextIfHex = false;
        switch (ch) {
        case '\0': out += "\\0"; escapeNextIfHex = true; break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"':
        case '\\': out += '\\'; out += ch; break;
        default:
            if (u <= 0x1F) {
                out += "\\x";
                if (u >= 0x10)
                    out += hexDigit(u >> 4, false);
                out += hexDigit(u & 0xF, false);
                escapeNextIfHex = true;
            } else {
                out += ch;
            }
        }
    }
    if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' ')))
        return '"' + out + '"';
    return out;
}

struct Unescaped {
    std::string text;
    bool isList = false; // an unquoted comma made it a string list
};

char simpleEscape(char c)
{
    switch (c) {
    case 'a': return '\a';
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case 'v': return '\v';
    case '"':
    case '?':
    case '\'':
    case '\\': return c;
    default: return '\0';
    }
}

// Reads the digits of a \x or octal escape starting at i; returns the index after them.
std::size_t numericEscape(const std::string& raw, std::size_t i, int base, std::string& out)
{
    char32_t value = 0;
    while (i < raw.size() && (base == 16 ? isHexDigit(raw[i]) : (raw[i] >= '0' && raw[i] <= '7'))) {
        value = value * base + hexValue(raw[i]);
        ++i;
    }
    TextCodec::appendUtf8(out, value);
    return i;
}

std::size_t escapeSequence(const std::string& raw, std::size_t i, std::string& out)
{
    if (i >= raw.size())
        return i;
    const char c = raw[i];
    if (const char simple = simpleEscape(c)) {
        out += simple;
        return i + 1;
    }
    if (c == 'x')
        return i + 1 < raw.size() && isHexDigit(raw[i + 1]) ? numericEscape(raw, i + 1, 16, out) : i + 1;
    if (c >= '0' && c <= '7')
        return numericEscape(raw, i, 8, out);
    return i + 1; // an unknown escape stands for nothing
}

void chopTrailingSpaces(std::string& s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
}

Unescaped unescapeValue(const std::string& raw)
{
    Unescaped result;
    std::string current;
    bool inQuotes = false;
    bool quoted = false;
    for (std::size_t i = 0; i < raw.size();) {
        const char c = raw[i];
        if (c == '\\') {
            i = escapeSequence(raw, i + 1, current);
        } else if (c == '"') {
            quoted = true;
            inQuotes = !inQuotes;
            ++i;
        } else if (c == ',' && !inQuotes) {
            result.isList = true;
            if (!quoted)
                chopTrailingSpaces(current);
            current.clear();
            quoted = false;
            for (++i; i < raw.size() && (raw[i] == ' ' || raw[i] == '\t'); ++i) {
            }
        } else {
            current += c;
            ++i;
        }
    }
    if (!quoted)
        chopTrailingSpaces(current);
    result.text = result.isList ? std::string() : current;
    return result;
}

std::string plainString(const std::string& raw)
{
    const Unescaped v = unescapeValue(raw);
    const std::string& s = v.text;
    if (s.rfind("@@", 0) == 0)
        return s.substr(1);
    if (s.rfind(kStringPrefix, 0) == 0 && s.back() == ')')
        return s.substr(kStringPrefix.size(), s.size() - kStringPrefix.size() - 1);
    return s;
}

// The value part of a line: up to an unquoted ';', which starts a comment.
std::string valueText(const std::string& line, std::size_t from)
{
    bool inQuotes = false;
    std::size_t i = from;
    for (; i < line.size(); ++i) {
        if (line[i] == '\\')
            ++i;
        else if (line[i] == '"')
            inQuotes = !inQuotes;
        else if (line[i] == ';' && !inQuotes)
            break;
    }
    return trim(line.substr(from, std::min(i, line.size()) - from));
}

std::map<std::string, std::map<std::string, std::string>> parse(std::istream& in)
{
    std::map<std::string, std::map<std::string, std::string>> sections;
    std::string section;
    std::string line;
    while (std::getline(in, line)) {
        const std::string text = trim(line);
        if (text.empty() || text.front() == ';')
            continue;
        if (text.front() == '[') {
            const auto close = text.find(']');
            section = sectionName(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            continue;
        }
        const auto eq = text.find('=');
        if (eq == std::string::npos)
            continue;
        sections[section][unescapeKey(trim(text.substr(0, eq)))] = valueText(text, eq + 1);
    }
    return sections;
}

std::map<std::string, std::map<std::string, std::string>> load(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::error_code ec;
        if (std::filesystem::exists(file, ec))
            throw Error("Cannot read the settings file \"" + file.string() + "\"");
        return {};
    }
    return parse(in);
}

std::string render(const std::map<std::string, std::map<std::string, std::string>>& sections)
{
    std::ostringstream out;
    bool first = true;
    // The keys outside any group come first, as QSettings writes them.
    auto emit = [&](const std::string& name, const std::map<std::string, std::string>& keys) {
        if (keys.empty())
            return;
        out << (first ? "" : "\n") << '[' << sectionHeader(name) << "]\n";
        for (const auto& [key, raw] : keys)
            out << escapeKey(key) << '=' << raw << '\n';
        first = false;
    };
    if (const auto top = sections.find(""); top != sections.end())
        emit(top->first, top->second);
    for (const auto& [name, keys] : sections)
        if (!name.empty())
            emit(name, keys);
    return out.str();
}

std::filesystem::path fromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::filesystem::path(value) : std::filesystem::path();
}

} // namespace

IniProfile::IniProfile(std::filesystem::path file) : file_(std::move(file)), sections_(load(file_)) {}

std::filesystem::path IniProfile::defaultPath()
{
    if (const auto override = fromEnvironment(kOverrideVariable); !override.empty())
        return override;
    // A relative XDG_CONFIG_HOME is invalid and ignored.
    if (const auto config = fromEnvironment("XDG_CONFIG_HOME"); config.is_absolute())
        return config / kCompanyDir / kFileName;
    const auto home = fromEnvironment("HOME");
    if (home.empty())
        throw Error("Cannot find the settings file: neither HOME nor " + std::string(kOverrideVariable) + " is set");
    return home / ".config" / kCompanyDir / kFileName;
}

const std::string* IniProfile::rawValue(const std::string& section, const std::string& key) const
{
    const auto s = sections_.find(section);
    if (s == sections_.end())
        return nullptr;
    const auto k = s->second.find(key);
    return k == s->second.end() ? nullptr : &k->second;
}

int IniProfile::readInt(const std::string& section, const std::string& key, int fallback) const
{
    const std::string* raw = rawValue(section, key);
    if (!raw)
        return fallback;
    const std::string text = trim(plainString(*raw));
    if (text == "true")
        return 1;
    if (text == "false")
        return 0;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return (ec == std::errc() && end == text.data() + text.size() && !text.empty()) ? value : fallback;
}

std::string IniProfile::readString(const std::string& section, const std::string& key,
                                   const std::string& fallback) const
{
    const std::string* raw = rawValue(section, key);
    return raw ? plainString(*raw) : fallback;
}

void IniProfile::writeInt(const std::string& section, const std::string& key, int value)
{
    store(section, key, std::to_string(value));
}

void IniProfile::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    store(section, key, escapeValue(value));
}

void IniProfile::store(const std::string& section, const std::string& key, std::string raw)
{
    Sections current = load(file_);
    current[section][key] = std::move(raw);
    if (const auto folder = file_.parent_path(); !folder.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec)
            throw Error("Cannot create the settings folder \"" + folder.string() + "\": " + ec.message());
    }
    AtomicFile out(file_);
    out.write(render(current));
    out.commit();
    sections_ = std::move(current);
}

} // namespace vellum
