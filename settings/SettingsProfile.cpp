#include "settings/SettingsProfile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// Debian keeps the template bodies behind SI_IMPLEMENTATION; this is the one user.
#define SI_IMPLEMENTATION
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include "core/AtomicFile.h"
#include "core/BlockFile.h"
#include "core/Error.h"
#include "settings/IniEscapes.h"

namespace vellum {

namespace {

const std::filesystem::path kCompanyDir = "Orrindale";
const std::filesystem::path kFileName = "Vellum.conf";
const char* const kOverrideVariable = "VELLUM_CONFIG";
// QSettings' names for keys outside any section, and for a section named General.
const std::string kTopLevelSection = "General";
const std::string kEscapedGeneral = "%General";

std::filesystem::path fromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::filesystem::path(value) : std::filesystem::path();
}

std::string quotedName(const std::filesystem::path& file)
{
    return "The settings file \"" + file.string() + "\"";
}

// A key as QSettings names it: section and key joined by "/".
std::string fullKey(const std::string& section, const std::string& key)
{
    return section.empty() ? key : section + '/' + key;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string sectionOf(const std::string& stored)
{
    if (stored.empty() || equalsIgnoringCase(stored, kTopLevelSection))
        return {};
    if (equalsIgnoringCase(stored, kEscapedGeneral))
        return stored.substr(1);
    return IniEscapes::unescapedName(stored);
}

std::string storedSection(const std::string& section)
{
    if (section.empty())
        return kTopLevelSection;
    if (equalsIgnoringCase(section, kTopLevelSection))
        return '%' + section;
    return IniEscapes::escapedName(section);
}

// Refuses what no INI writer makes: control bytes, and lines that are
// neither blank, a comment, a [section] nor key=value.
void checkText(const std::filesystem::path& file, const std::string& text)
{
    std::size_t line = 1;
    std::size_t start = 0;
    while (start < text.size()) {
        // A lone CR ends a line too, for SimpleIni as for QSettings.
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        const std::string_view content = std::string_view(text).substr(start, end - start);
        for (const char ch : content) {
            const auto c = static_cast<unsigned char>(ch);
            if (c < 0x20 && c != '\t')
                throw Error(quotedName(file) + " holds binary data (byte " + std::to_string(c) + " on line " +
                            std::to_string(line) + "), not settings.");
        }
        const std::size_t first = content.find_first_not_of(" \t");
        const std::size_t equals = content.find('=');
        // SimpleIni would drop a key line with no name, and take a "[" line
        // without "]" for the section of the lines after it.
        const bool fine = first == std::string_view::npos || content[first] == ';' || content[first] == '#' ||
                          (content[first] == '[' ? content.find(']') != std::string_view::npos
                                                 : equals != std::string_view::npos && equals > first);
        if (!fine)
            throw Error(quotedName(file) + " is no settings file: line " + std::to_string(line) +
                        " is neither [Section] nor Key=Value.");
        line += end < text.size() && text[end] == '\n' ? 1 : 0;
        start = end + 1;
    }
}

// The file's text, empty for a missing file; never waits on a FIFO and
// opens no device.
std::string readText(const std::filesystem::path& file)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return {};
        throw Error(fileErrorText("read the settings file", file));
    }
    const auto check = [&file](const struct stat& s) {
        if (!S_ISREG(s.st_mode))
            throw Error(quotedName(file) + " is " + BlockFile::kindOf(s.st_mode) + ", not a file.");
        if (static_cast<std::uintmax_t>(s.st_size) > SettingsProfile::kMostBytes)
            throw Error(quotedName(file) + " has " + groupedNumber(static_cast<std::size_t>(s.st_size)) +
                        " bytes, more than a settings file holds (" + groupedNumber(SettingsProfile::kMostBytes) +
                        ").");
    };
    check(st);
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw Error(fileErrorText("read the settings file", file));
    std::string text;
    try {
        if (::fstat(fd, &st) != 0)
            throw Error(fileErrorText("read the settings file", file));
        check(st); // it may have been swapped since
        text.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                throw Error(fileErrorText("read the settings file", file));
            if (n == 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        text.resize(done);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    checkText(file, text);
    return text;
}

// An flock on FILE.lock, held while the settings are read again, changed
// and replaced. The lock file stays; it is the same one QSettings locked.
class WriteLock {
public:
    explicit WriteLock(const std::filesystem::path& file)
    {
        std::filesystem::path lock = file;
        lock += ".lock";
        // Someone who removed the lock file meanwhile has made a new one: lock that.
        for (struct stat held {}, now {};;) {
            fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
            if (fd_ < 0)
                throw Error(fileErrorText("lock the settings file beside", lock));
            if (::fstat(fd_, &held) != 0 || !S_ISREG(held.st_mode))
                throw Error("Cannot lock the settings file: \"" + lock.string() + "\" is not a file.");
            while (::flock(fd_, LOCK_EX) != 0)
                if (errno != EINTR)
                    throw Error(fileErrorText("lock", lock));
            if (::stat(lock.c_str(), &now) == 0 && now.st_ino == held.st_ino && now.st_dev == held.st_dev)
                return;
            ::close(fd_);
        }
    }
    ~WriteLock() { ::close(fd_); }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

private:
    int fd_ = -1;
};

} // namespace

// The file as SimpleIni holds it, with each key's stored section and name.
class SettingsProfile::Contents {
public:
    explicit Contents(const std::filesystem::path& file)
    {
        ini_.SetSpaces(false);
        const std::string text = readText(file);
        if (ini_.LoadData(text.data(), text.size()) < 0)
            throw Error(quotedName(file) + " cannot be read: out of memory.");
        CSimpleIniCaseA::TNamesDepend sections;
        ini_.GetAllSections(sections);
        for (const auto& s : sections) {
            CSimpleIniCaseA::TNamesDepend keys;
            ini_.GetAllKeys(s.pItem, keys);
            for (const auto& k : keys)
                stored_[fullKey(sectionOf(s.pItem), IniEscapes::unescapedName(k.pItem))] = {s.pItem, k.pItem};
        }
    }

    std::optional<std::string> value(const std::string& section, const std::string& key) const
    {
        const auto it = stored_.find(fullKey(section, key));
        if (it == stored_.end())
            return std::nullopt;
        return IniEscapes::unescapedValue(ini_.GetValue(it->second.first.c_str(), it->second.second.c_str(), ""));
    }

    void set(const std::string& section, const std::string& key, const std::string& stored)
    {
        const std::string name = fullKey(section, key);
        auto it = stored_.find(name);
        if (it == stored_.end())
            it = stored_.emplace(name, std::pair(storedSection(section), IniEscapes::escapedName(key))).first;
        ini_.SetValue(it->second.first.c_str(), it->second.second.c_str(), stored.c_str());
    }

    std::string text() const
    {
        std::string out;
        ini_.Save(out);
        return out;
    }

private:
    CSimpleIniCaseA ini_;
    std::map<std::string, std::pair<std::string, std::string>> stored_;
};

SettingsProfile::SettingsProfile(const std::filesystem::path& file)
    : file_(file), contents_(std::make_unique<Contents>(file))
{
}

SettingsProfile::~SettingsProfile() = default;

std::filesystem::path SettingsProfile::defaultPath()
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

int SettingsProfile::readInt(const std::string& section, const std::string& key, int fallback) const
{
    const auto value = contents_->value(section, key);
    return value ? IniEscapes::numberOf(*value).value_or(fallback) : fallback;
}

std::string SettingsProfile::readString(const std::string& section, const std::string& key,
                                        const std::string& fallback) const
{
    return contents_->value(section, key).value_or(fallback);
}

void SettingsProfile::writeInt(const std::string& section, const std::string& key, int value)
{
    write(section, key, std::to_string(value));
}

void SettingsProfile::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    write(section, key, IniEscapes::escapedValue(value));
}

void SettingsProfile::reload()
{
    try {
        contents_ = std::make_unique<Contents>(file_);
    } catch (const Error&) {
        // Reading goes on with what was read before; writing refuses the file.
    }
}

void SettingsProfile::write(const std::string& section, const std::string& key, const std::string& stored)
{
    std::error_code ec;
    if (file_.has_parent_path())
        std::filesystem::create_directories(file_.parent_path(), ec);
    const WriteLock lock(file_);
    auto now = std::make_unique<Contents>(file_);
    now->set(section, key, stored);
    AtomicFile out(file_);
    out.write(now->text());
    out.commit();
    contents_ = std::move(now);
}

} // namespace vellum
