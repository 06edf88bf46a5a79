// vlm drive: shows drives A: and B: and what is in them, and changes them:
// media in and out, write protection, a new blank diskette, the device type
// of a virtual drive, or a Linux device in place of the virtual drive.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/JsonText.h"
#include "cli/TerminalText.h"
#include "cli/Verb.h"
#include "core/CVLMDoc.h"
#include "core/Error.h"
#include "drive/DriveBay.h"
#include "drive/DriveScanner.h"
#include "drive/DriveStatus.h"
#include "drive/MediumFaults.h"
#include "drive/PosixSystemCalls.h"
#include "settings/SettingsProfile.h"

namespace vellum::cli {

namespace {

namespace fs = std::filesystem;

const fs::path kDataFolder = fs::path("Orrindale") / "Vellum";

const std::array<std::string_view, 6> kCommands = {"insert", "eject", "protect", "unprotect", "blank", "type"};

bool isCommand(const std::string& word)
{
    return std::find(kCommands.begin(), kCommands.end(), word) != kCommands.end();
}

std::string commandList()
{
    std::string list;
    for (const std::string_view command : kCommands)
        list += (list.empty() ? "" : ", ") + std::string(command);
    return list;
}

bool isDrive(const std::string& word)
{
    try {
        parseDrive(word);
        return true;
    } catch (const UsageError&) {
        return false;
    }
}

std::string mediumText(VirtualDriveBackend& drives, int drive, const VirtualMedium& m)
{
    switch (m.state()) {
    case VirtualMedium::State::Missing: return "the file is gone";
    case VirtualMedium::State::UnknownSize: return groupedNumber(m.size()) + " bytes, which no diskette holds";
    case VirtualMedium::State::Blank:
    case VirtualMedium::State::Formatted: break;
    }
    std::string text = std::string(m.format()->capacity) + " diskette, " +
                       (m.state() == VirtualMedium::State::Blank ? "blank (not formatted)" : "formatted");
    if (!drives.driveType(drive).takes(*m.format()))
        text += "; the drive cannot take it";
    return text;
}

// A rehearsal diskette says so, and a fault file that cannot be followed says why.
void showFaults(const VirtualMedium& m)
{
    const fs::path file = MediumFaults::fileOf(m.path());
    if (!m.format() || !fs::exists(file))
        return;
    std::string text;
    try {
        const std::size_t faults = MediumFaults::read(m.path(), *m.format()).size();
        text = TerminalText::escaped(file.string()) + " (" + std::to_string(faults) +
               (faults == 1 ? " faulty sector)" : " faulty sectors)");
    } catch (const Error& e) {
        text = "refused: " + TerminalText::escaped(e.what());
    }
    std::printf("    fault file: %s\n", text.c_str());
}

void showVirtual(VirtualDriveBackend& drives, int drive)
{
    const DriveType& type = drives.driveType(drive);
    std::printf("%s  virtual %.*s drive (device type %d)\n", DriveSettings::driveName(drive).c_str(),
                static_cast<int>(type.name.size()), type.name.data(), type.dosType);
    const auto m = drives.medium(drive);
    if (!m) {
        std::printf("    no diskette\n");
        return;
    }
    std::printf("    diskette: %s\n", TerminalText::escaped(m->path().string()).c_str());
    std::printf("    %s; %s\n", mediumText(drives, drive, *m).c_str(),
                drives.writeProtected(drive) ? "write-protected" : "writable");
    showFaults(*m);
}

void showDevice(DriveBay& bay, int drive)
{
    std::printf("%s  the device %s\n", DriveSettings::driveName(drive).c_str(),
                bay.device(drive).c_str());
    DriveParameters native;
    const int status = bay.drives().parameters(drive, kDriveDefaultBpb, native);
    const DriveType* type = status == kStatusOk ? driveTypeOf(native.deviceType) : nullptr;
    if (type)
        std::printf("    %.*s drive (device type %d)\n", static_cast<int>(type->name.size()), type->name.data(),
                    type->dosType);
    else
        std::printf("    not available: %s\n", CVLMDoc::statusText(status).c_str());
    bay.drives().releaseDrive(drive);
}

Json typeJson(const DriveType& type)
{
    return {{"name", std::string(type.name)}, {"dosType", type.dosType}};
}

Json faultsJson(const VirtualMedium& m)
{
    const fs::path file = MediumFaults::fileOf(m.path());
    if (!m.format() || !fs::exists(file))
        return nullptr;
    try {
        return {{"file", file.string()}, {"sectors", MediumFaults::read(m.path(), *m.format()).size()}};
    } catch (const Error& e) {
        return {{"file", file.string()}, {"error", e.what()}};
    }
}

Json disketteJson(VirtualDriveBackend& drives, int drive, const VirtualMedium& m)
{
    static constexpr std::array<const char*, 4> kStates = {"missing", "unknownSize", "blank", "formatted"};
    Json diskette = {{"file", m.path().string()}, {"state", kStates.at(static_cast<std::size_t>(m.state()))}};
    const bool known = m.state() == VirtualMedium::State::Blank || m.state() == VirtualMedium::State::Formatted;
    diskette["capacity"] = known ? Json(std::string(m.format()->capacity)) : Json(nullptr);
    diskette["size"] = m.size();
    diskette["fits"] = known && drives.driveType(drive).takes(*m.format());
    diskette["writeProtected"] = drives.writeProtected(drive);
    diskette["faults"] = faultsJson(m);
    return diskette;
}

Json driveJson(DriveBay& bay, int drive)
{
    Json shown = {{"drive", DriveSettings::driveName(drive)}};
    if (bay.device(drive).empty()) {
        VirtualDriveBackend& drives = bay.virtualDrives();
        const auto m = drives.medium(drive);
        shown["device"] = nullptr;
        shown["type"] = typeJson(drives.driveType(drive));
        shown["diskette"] = m ? disketteJson(drives, drive, *m) : Json(nullptr);
        return shown;
    }
    DriveParameters native;
    const int status = bay.drives().parameters(drive, kDriveDefaultBpb, native);
    const DriveType* type = status == kStatusOk ? driveTypeOf(native.deviceType) : nullptr;
    bay.drives().releaseDrive(drive);
    shown["device"] = bay.device(drive);
    shown["type"] = type ? typeJson(*type) : Json(nullptr);
    if (!type)
        shown["error"] = CVLMDoc::statusText(status);
    return shown;
}

// The drives, as text or as one JSON document {"drives": [...]}.
void show(DriveBay& bay, std::initializer_list<int> drives, bool json)
{
    Json shown = Json::array();
    for (const int drive : drives) {
        if (json)
            shown.push_back(driveJson(bay, drive));
        else if (bay.device(drive).empty())
            showVirtual(bay.virtualDrives(), drive);
        else
            showDevice(bay, drive);
    }
    if (json)
        JsonText::print({{"drives", shown}});
}

void requireVirtual(DriveBay& bay, int drive)
{
    if (!bay.device(drive).empty())
        throw Error("Drive " + DriveSettings::driveName(drive) + " is " + bay.device(drive) +
                    "; change its diskette by hand, or make it virtual again with: vlm drive " +
                    DriveSettings::driveName(drive) + " --virtual");
}

fs::path dataFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && fs::path(data).is_absolute())
        return fs::path(data) / kDataFolder;
    const char* home = std::getenv("HOME");
    if (!home)
        throw Error("Cannot find a folder for new diskettes: HOME is not set; name the file with -o");
    return fs::path(home) / ".local" / "share" / kDataFolder;
}

fs::path newBlankPath(const StandardFormat& format)
{
    const fs::path folder = dataFolder();
    makeFolder(folder);
    return VirtualMedium::freeBlankPath(folder, format);
}

// "1.44M" or "1.44m".
const StandardFormat& capacityOf(const std::string& word)
{
    std::string name = word;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (const StandardFormat* f = formatNamed(name))
        return *f;
    throw UsageError("\"" + word + "\" is not a diskette capacity; name " + capacityList());
}

void blank(DriveBay& bay, int drive, const std::string& capacity, const std::optional<std::string>& output)
{
    const StandardFormat& format = capacityOf(capacity);
    const DriveType& type = bay.virtualDrives().driveType(drive);
    if (!type.takes(format))
        throw Error("A " + std::string(format.capacity) + " diskette does not fit drive " +
                    DriveSettings::driveName(drive) + ", a " + std::string(type.name) + " drive");
    const fs::path path = output ? fs::path(*output) : newBlankPath(format);
    VirtualMedium::createBlank(path, format);
    bay.virtualDrives().insert(drive, path);
}

int runCommand(DriveBay& bay, const std::vector<std::string>& words, const std::optional<std::string>& output,
               bool json)
{
    const std::string& command = words[0];
    const int drive = parseDrive(words.at(1));
    const std::size_t expected = (command == "insert" || command == "blank" || command == "type") ? 3 : 2;
    if (words.size() != expected)
        throw UsageError(command + " takes " + (expected == 3 ? "a drive and one more word" : "a drive only"));
    requireVirtual(bay, drive);
    VirtualDriveBackend& drives = bay.virtualDrives();
    if (command == "insert")
        drives.insertImage(drive, words[2], dataFolder());
    else if (command == "eject")
        drives.eject(drive);
    else if (command == "protect" || command == "unprotect") {
        // The tab belongs to a diskette, and goes with it when it leaves the drive.
        if (!drives.medium(drive))
            throw Error("There is no diskette in " + DriveSettings::driveName(drive) + " to " + command);
        drives.setWriteProtected(drive, command == "protect");
    }
    else if (command == "blank")
        blank(bay, drive, words[2], output);
    else
        drives.setDeviceType(drive, static_cast<int>(parseNumber(words[2], 0, 255, "the device type")));
    show(bay, {drive}, json);
    return 0;
}

Json foundJson(const FoundDrive& drive)
{
    const auto text = [](const std::string& s) { return s.empty() ? Json(nullptr) : Json(s); };
    return {{"device", drive.device},
            {"kind", drive.kind == FoundDrive::Kind::Floppy ? "floppy" : "usb"},
            {"type", text(drive.type)},
            {"vendor", text(drive.vendor)},
            {"model", text(drive.model)}};
}

int scan(bool json)
{
    PosixSystemCalls system;
    const std::vector<FoundDrive> found = DriveScanner(system).scan();
    if (json) {
        Json list = Json::array();
        for (const FoundDrive& drive : found)
            list.push_back(foundJson(drive));
        JsonText::print({{"found", list}});
        return 0;
    }
    if (found.empty())
        std::printf("No diskette drive found.\n");
    for (const FoundDrive& drive : found) {
        const std::string what = drive.kind == FoundDrive::Kind::Floppy
                                     ? "floppy drive, " + (drive.type.empty() ? "type unknown" : drive.type)
                                     : "USB diskette drive, " + drive.vendor + " " + drive.model;
        std::printf("%s  %s\n", drive.device.c_str(), TerminalText::escaped(what).c_str());
    }
    return 0;
}

int runDrive(CliArgs& args)
{
    const auto device = args.option("--device");
    const bool makeVirtual = args.flag("--virtual");
    const auto output = args.option("-o");
    const bool json = args.flag("--json");
    const bool scanning = args.flag("--scan");
    const std::vector<std::string> words = args.positionals(0, 3);
    if (scanning && (device || makeVirtual || output || !words.empty()))
        throw UsageError("--scan goes alone, or with --json");
    if (scanning)
        return scan(json);
    SettingsProfile profile(SettingsProfile::defaultPath());
    DriveBay bay(profile);

    if (!words.empty() && isCommand(words[0])) {
        if (device || makeVirtual)
            throw UsageError("--device and --virtual go with a drive alone: vlm drive A: --device /dev/fd0");
        if (words.size() < 2)
            throw UsageError(words[0] + " needs a drive");
        return runCommand(bay, words, output, json);
    }
    if (output)
        throw UsageError("-o goes with blank only");
    if (words.size() > 1 && !isDrive(words[0]))
        throw UsageError("unknown command \"" + words[0] + "\"; the commands are " + commandList());
    if (words.size() > 1)
        throw UsageError("unexpected argument " + words[1]);
    if ((device || makeVirtual) && words.empty())
        throw UsageError("name the drive: vlm drive A: --device /dev/fd0");
    if (device && makeVirtual)
        throw UsageError("--device and --virtual exclude each other");
    if (words.empty()) {
        show(bay, {0, 1}, json);
        return 0;
    }
    const int drive = parseDrive(words[0]);
    if (device)
        bay.useDevice(drive, *device);
    else if (makeVirtual)
        bay.useVirtual(drive);
    show(bay, {drive}, json);
    return 0;
}

} // namespace

extern const Verb kDriveVerb{
    "drive",
    "drive [A:|B:] [--device DEVICE | --virtual] [--json]   or   vlm drive COMMAND A: [WORD]   or   vlm drive --scan",
    "Show or change diskette drives A: and B: and the diskettes in them.",
    "With no more words, shows both drives: the device type, the diskette file in a virtual\n"
    "drive, what that diskette is and whether it is write-protected, and its fault file\n"
    "FILE.faults when it has one (bad, weak and slow sectors to rehearse a rescue). The commands:\n"
    "  insert A: FILE       put a raw diskette image (360K, 720K, 1.2M, 1.44M, 1.68M or 2.88M)\n"
    "                       into the drive; an archive image (ImageDisk, Teledisk, CopyQM, or\n"
    "                       packed by gzip, xz or zip) goes in write-protected, as the raw image\n"
    "                       it holds, FILE.img in ~/.local/share/Orrindale/Vellum\n"
    "  eject A:             take the diskette out\n"
    "  protect A:           set the diskette's write-protect tab; unprotect A: clears it\n"
    "  blank A: CAPACITY    make a new, unformatted diskette of that capacity and put it in;\n"
    "                       -o FILE names its file, else it goes to ~/.local/share/Orrindale/Vellum\n"
    "  type A: N            give the virtual drive DOS device type N: 0 (360 KB), 1 (1.2 MB),\n"
    "                       2 (720 KB), 7 (1.44 MB) or 9 (2.88 MB)\n"
    "  A: --device /dev/fd0 use a real drive for A: through the Linux floppy driver, or a USB\n"
    "                       diskette drive (/dev/sdX), which tells its diskette and formats\n"
    "                       720K, 1.44M and, where it lists it, 1.2M; another block device is\n"
    "                       read and written by sector only\n"
    "  A: --virtual         make A: a virtual drive again\n"
    "The setup lives in the settings file the application shares (VELLUM_CONFIG names another).\n"
    "--scan lists the diskette drives of this machine: each /dev/fdN with its drive type and\n"
    "each USB diskette drive with its vendor and model.\n"
    "--json shows the drives as one JSON document, {\"drives\": [...]}, or with --scan\n"
    "{\"found\": [{\"device\", \"kind\", \"type\", \"vendor\", \"model\"}]}.\n",
    runDrive};

} // namespace vellum::cli
