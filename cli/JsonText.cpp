#include "cli/JsonText.h"

#include <cstdio>
#include <ctime>

#include "core/CVLMDoc.h"
#include "core/DirectoryEntry.h"
#include "core/DosTime.h"
#include "core/ImageFile.h"
#include "core/TextCodec.h"
#include "core/VlmFile.h"
#include "files/FileListText.h"
#include "ops/StatusPanel.h"

namespace vellum::cli {

namespace {

std::string trimmed(const std::string& text)
{
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

// "  Last Operation Status:    Successful" as "Successful".
std::string panelValue(const std::string& line)
{
    const std::size_t colon = line.find(':');
    const std::size_t start = colon == std::string::npos ? std::string::npos : line.find_first_not_of(' ', colon + 1);
    return start == std::string::npos ? std::string() : line.substr(start);
}

} // namespace

std::string JsonText::hex(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

Json JsonText::time(std::uint64_t fileTime)
{
    const auto local = fileTime ? DosTime::toLocal(fileTime) : std::nullopt;
    if (!local)
        return nullptr;
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &*local);
    const long offset = local->tm_gmtoff / 60;
    const long minutes = offset < 0 ? -offset : offset;
    char zone[48];
    std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return std::string(stamp) + zone;
}

Json JsonText::info(const std::string& path, const std::string& format, const CVLMDoc& doc)
{
    const DriveGeometry& g = doc.geometry;
    const AreaPointers& a = doc.areas;
    const std::string labelBytes = trimmed(doc.volumeLabelText());
    Json info = {
        {"file", path},
        {"format", format},
        {"mediaCode", g.MediaCode},
        {"label", labelBytes.empty() ? Json(nullptr) : Json(TextCodec::cp850ToUtf8(labelBytes))},
        {"labelBytes", hex(labelBytes)},
        {"tracksLoaded", doc.TracksLoaded},
        {"tracks", g.sectorsPerTrack ? g.totalSectors / g.sectorsPerTrack : 0u},
        {"bytesPerSector", g.bytesPerSector},
        {"sectorsPerTrack", g.sectorsPerTrack},
        {"totalSectors", g.totalSectors},
        {"sectorsPerCluster", g.sectorsPerCluster},
        {"reservedSectors", g.reservedSectors},
        {"fats", g.numberOfFats},
        {"sectorsPerFat", g.sectorsPerFat},
        {"rootEntries", g.rootEntries},
        {"areas",
         {{"bootSector", a.bootSector},
          {"fat1", a.fat1},
          {"fat2", a.fat2},
          {"rootDirectory", a.rootDirectory},
          {"dataArea", a.dataArea}}},
    };
    if (ImageFile::isVlmName(path)) {
        const std::string description = VlmFile::readDescription(path);
        info["description"] = description;
        info["descriptionBytes"] = hex(TextCodec::utf8ToCp1252(description));
    }
    return info;
}

Json JsonText::entry(const ListingRecord& record)
{
    return {
        {"name", trimmed(record.longName)},
        {"shortName", trimmed(TextCodec::shortNameToUtf8(record.shortName))},
        {"shortNameBytes", hex(record.shortName)},
        {"size", record.size},
        {"directory", (record.attributes & dirent::kDirectory) != 0},
        {"attributes", FileListText::attributeText(record.attributes)},
        {"modified", time(record.lastWriteTime)},
    };
}

Json JsonText::outcome(const StatusPanel& panel)
{
    return {{"operation", panelValue(panel.operationLine())}, {"status", panelValue(panel.statusLine())}};
}

void JsonText::print(const Json& document)
{
    std::printf("%s\n", document.dump(2, ' ', false, Json::error_handler_t::replace).c_str());
}

} // namespace vellum::cli
