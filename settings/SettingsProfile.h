#pragma once
// The user's settings as the INI file Vellum.conf, shared by the desktop
// program and vlm, in the escapes of QSettings' INI files that Vellum used
// before (see IniEscapes). A key outside any section is stored under
// [General], as QSettings stores it.
//
// Every change is written at once, so the other program sees it: under an
// flock on FILE.lock beside the file, the file is read again, the one key
// changed, and the file replaced atomically; two writers lose nothing.
// Only a regular file of at most 1 MB that reads as an INI file is taken;
// anything else is refused with a message naming it, and never replaced.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "core/Profile.h"

namespace vellum {

class SettingsProfile : public Profile {
public:
    static constexpr std::uintmax_t kMostBytes = 1 << 20;

    // Reads the file when it exists; a missing file is an empty profile.
    // Throws Error naming the file when it cannot be read or is no settings file.
    explicit SettingsProfile(const std::filesystem::path& file);
    ~SettingsProfile() override;

    // VELLUM_CONFIG when set, else $XDG_CONFIG_HOME/Orrindale/Vellum.conf,
    // else ~/.config/Orrindale/Vellum.conf.
    static std::filesystem::path defaultPath();

    int readInt(const std::string& section, const std::string& key, int fallback) const override;
    void writeInt(const std::string& section, const std::string& key, int value) override;
    std::string readString(const std::string& section, const std::string& key,
                           const std::string& fallback) const override;
    void writeString(const std::string& section, const std::string& key, const std::string& value) override;
    // Keeps what it holds when the file has turned bad meanwhile: the next
    // write reports it.
    void reload() override;

private:
    class Contents;

    // Throws Error when the file may not be written; see the header comment.
    void write(const std::string& section, const std::string& key, const std::string& stored);

    std::filesystem::path file_;
    std::unique_ptr<Contents> contents_;
};

} // namespace vellum
