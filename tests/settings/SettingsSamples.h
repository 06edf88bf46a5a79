#pragma once
// Settings files earlier Vellum versions wrote through QSettings, in
// tests/data, with the values they hold.
#include <string>
#include <variant>
#include <vector>

namespace vellum::test {

struct StoredSetting {
    std::string section;
    std::string key;
    std::variant<int, std::string> value;
};

struct SettingsSample {
    std::string file;
    std::vector<StoredSetting> settings;
};

inline const std::vector<SettingsSample>& settingsSamples()
{
    using S = std::string;
    static const std::vector<SettingsSample> samples = {
        {"Vellum-0.1.conf",
         {
             {"Options", "LoadEntireDiskette", 1},
             {"Options", "VerifyCopy", 1},
             {"Options", "ForceFormat", 0},
             {"Options", "NumberCopies", 12},
             {"Tip", "FilePos", 1234},
             {"Tip", "TimeStamp", S("Tue Dec  8 05:24:34 2026")},
             {"DriveA", "DeviceType", 7},
             {"DriveA", "Medium", S("/home/u/My Disks/Gr\xc3\xb6\xc3\x9f" "e, \"old\" \\copy;v=1 #2.img")},
             {"DriveA", "WriteProtected", 1},
             {"DriveA", "Device", S()},
             {"DriveB", "Medium", S(" leading and trailing ")},
             {"DriveB", "Device", S("/dev/fd1")},
             {"Odd", "Controls", S("tab\there\nnew line\x01" "end")},
             {"Odd", "At", S("@sign")},
             {"Odd", "Comma", S("a,b, c")},
             {"Odd", "Unicode", S("\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x92\xbe \xce\xb1")},
             {"Odd", "Key With Spaces", S("x")},
             {"Odd", "Folder/Key", -42},
             {"General", "Key", 3},
             {"My Group", "Key", 4},
             {"", "TopLevel", 5},
         }},
        // Written by QSettings of Qt 6.4 from these values.
        {"Vellum-qsettings.conf",
         {
             {"", "Top", 5},
             {"DriveA", "Medium", S(" /srv/Disketten, \"alt\"; v=1 \\ Gr\xc3\xb6\xc3\x9f" "e #2.img ")},
             {"General", "Key", 3},
             {"Odd", "At", S("@sign")},
             {"Odd", "Bool", 1},
             {"Odd", "Ctl", S("x\x01" "9\ty")},
             {"Odd", "Long", -5},
             {"Odd", "Nul", S("a\0b", 3)},
             {"Odd", "Short", 7},
             {"Options", "NumberCopies", 12},
             {"\xc3\x9cn\xc3\xaf", "K\xc3\xa9y \xe6\x97\xa5", 1},
         }},
    };
    return samples;
}

} // namespace vellum::test
