#pragma once
// The user's settings as the INI file of QSettings("Orrindale", "Vellum"),
// shared by the desktop program and vlm. Every change is written at once, so
// the other program sees it; QSettings merges it with what the file holds by
// then and replaces the file atomically.
#include <filesystem>
#include <memory>
#include <string>

#include "core/Profile.h"

class QSettings;

namespace vellum {

class SettingsProfile : public Profile {
public:
    // Reads the file when it exists; a missing file is an empty profile.
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
    void reload() override;

private:
    void commit();

    std::filesystem::path file_;
    std::unique_ptr<QSettings> settings_;
};

} // namespace vellum
