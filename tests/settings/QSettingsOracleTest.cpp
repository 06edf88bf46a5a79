// QSettings, which wrote Vellum.conf before, as the oracle of the settings
// codec: it reads the committed samples as the codec does, reads what the
// codec writes (so an earlier Vellum still reads the file), and what it
// writes today reads the same in the codec.
#include <gtest/gtest.h>

#include <QSettings>
#include <QString>
#include <filesystem>

#include "settings/SettingsProfile.h"
#include "tests/settings/SettingsSamples.h"
#include "tests/support/TempDir.h"

namespace vellum {
namespace {

QString qtKey(const test::StoredSetting& s)
{
    const QString key = QString::fromStdString(s.key);
    return s.section.empty() ? key : QString::fromStdString(s.section) + u'/' + key;
}

QString qtString(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void expectQtReads(const std::filesystem::path& file, const std::vector<test::StoredSetting>& settings)
{
    const QSettings qt(QString::fromStdString(file.string()), QSettings::IniFormat);
    ASSERT_EQ(qt.status(), QSettings::NoError);
    for (const test::StoredSetting& s : settings) {
        SCOPED_TRACE(s.section + "/" + s.key);
        const QVariant value = qt.value(qtKey(s));
        if (const int* n = std::get_if<int>(&s.value))
            EXPECT_EQ(value.toString() == u"true" ? 1 : value.toInt(), *n); // as Vellum read booleans
        else
            EXPECT_EQ(value.toString(), qtString(std::get<std::string>(s.value)));
    }
}

TEST(QSettingsOracle, ReadsTheSamplesAsTheCodecDoes)
{
    for (const test::SettingsSample& sample : test::settingsSamples()) {
        SCOPED_TRACE(sample.file);
        expectQtReads(std::filesystem::path(VELLUM_TEST_DATA) / sample.file, sample.settings);
    }
}

TEST(QSettingsOracle, WhatEachWritesTheOtherReads)
{
    for (const test::SettingsSample& sample : test::settingsSamples()) {
        SCOPED_TRACE(sample.file);
        test::TempDir dir;
        const auto ours = dir / "ours.conf";
        const auto theirs = dir / "theirs.conf";
        SettingsProfile profile(ours);
        {
            QSettings qt(QString::fromStdString(theirs.string()), QSettings::IniFormat);
            for (const test::StoredSetting& s : sample.settings) {
                if (const int* n = std::get_if<int>(&s.value)) {
                    profile.writeInt(s.section, s.key, *n);
                    qt.setValue(qtKey(s), *n);
                } else {
                    profile.writeString(s.section, s.key, std::get<std::string>(s.value));
                    qt.setValue(qtKey(s), qtString(std::get<std::string>(s.value)));
                }
            }
        }
        expectQtReads(ours, sample.settings);
        const SettingsProfile back(theirs);
        for (const test::StoredSetting& s : sample.settings) {
            SCOPED_TRACE(s.section + "/" + s.key);
            if (const int* n = std::get_if<int>(&s.value))
                EXPECT_EQ(back.readInt(s.section, s.key, 999), *n);
            else
                EXPECT_EQ(back.readString(s.section, s.key, "fallback"), std::get<std::string>(s.value));
        }
    }
}

} // namespace
} // namespace vellum
