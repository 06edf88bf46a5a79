#pragma once
// The user's settings as the INI file that QSettings("Orrindale", "Vellum")
// keeps on Linux, so vlm and the application read and write the same values.
// Values are kept as the file holds them, so keys this program never touches
// (lists, variants of the application) survive every rewrite unchanged.
#include <filesystem>
#include <map>
#include <string>

#include "core/Profile.h"

namespace vellum {

class IniProfile : public Profile {
public:
    // Reads the file when it exists; a missing file is an empty profile.
    explicit IniProfile(std::filesystem::path file);

    // VELLUM_CONFIG when set, else $XDG_CONFIG_HOME/Orrindale/Vellum.conf,
    // else ~/.config/Orrindale/Vellum.conf.
    static std::filesystem::path defaultPath();

    const std::filesystem::path& path() const { return file_; }

    int readInt(const std::string& section, const std::string& key, int fallback) const override;
    void writeInt(const std::string& section, const std::string& key, int value) override;
    std::string readString(const std::string& section, const std::string& key,
                           const std::string& fallback) const override;
    void writeString(const std::string& section, const std::string& key, const std::string& value) override;

private:
    // Section name -> key -> the value's text as written in the file.
    using Sections = std::map<std::string, std::map<std::string, std::string>>;

    const std::string* rawValue(const std::string& section, const std::string& key) const;
    // Merges the value into what the file holds now, so a change made by
    // another process in the meantime is kept, and writes the file.
    void store(const std::string& section, const std::string& key, std::string raw);

    std::filesystem::path file_;
    Sections sections_;
};

} // namespace vellum
