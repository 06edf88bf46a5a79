#include "settings/SettingsProfile.h"

#include <QSettings>
#include <QString>
#include <QVariant>
#include <cstdlib>

#include "core/Error.h"

namespace vellum {

namespace {

const std::filesystem::path kCompanyDir = "Orrindale";
const std::filesystem::path kFileName = "Vellum.conf";
const char* const kOverrideVariable = "VELLUM_CONFIG";

std::filesystem::path fromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::filesystem::path(value) : std::filesystem::path();
}

// Sections are groups; a key outside any section has an empty one.
QString keyOf(const std::string& section, const std::string& key)
{
    const QString name = QString::fromStdString(key);
    return section.empty() ? name : QString::fromStdString(section) + u'/' + name;
}

} // namespace

SettingsProfile::SettingsProfile(const std::filesystem::path& file)
    : file_(file), settings_(std::make_unique<QSettings>(QString::fromStdString(file.string()), QSettings::IniFormat))
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
    const QVariant value = settings_->value(keyOf(section, key));
    if (!value.isValid())
        return fallback;
    // Booleans are written as words.
    const QString text = value.toString().trimmed();
    if (text == u"true")
        return 1;
    if (text == u"false")
        return 0;
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok ? number : fallback;
}

std::string SettingsProfile::readString(const std::string& section, const std::string& key,
                                        const std::string& fallback) const
{
    const QVariant value = settings_->value(keyOf(section, key));
    return value.isValid() ? value.toString().toStdString() : fallback;
}

void SettingsProfile::writeInt(const std::string& section, const std::string& key, int value)
{
    settings_->setValue(keyOf(section, key), value);
    commit();
}

void SettingsProfile::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    settings_->setValue(keyOf(section, key), QString::fromStdString(value));
    commit();
}

void SettingsProfile::reload()
{
    // Nothing is pending, as every change is committed at once: sync only reads.
    settings_->sync();
}

void SettingsProfile::commit()
{
    settings_->sync();
    if (settings_->status() == QSettings::AccessError)
        throw Error("Cannot write the settings file \"" + file_.string() + "\"");
}

} // namespace vellum
