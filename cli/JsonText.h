#pragma once
// vlm's --json output: one document on standard output, with field names
// that stay as README documents them. Names from a diskette are given in
// UTF-8 with their bytes on the diskette beside them in hex; times are ISO
// 8601 local times with their offset, as DOS keeps local times.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace vellum {
class CVLMDoc;
class StatusPanel;
struct ListingRecord;
} // namespace vellum

namespace vellum::cli {

using Json = nlohmann::ordered_json;

class JsonText {
public:
    // Bytes as two lower-case hex digits each.
    static std::string hex(std::string_view bytes);
    // A file time as "1998-06-01T12:30:00+02:00"; null when no clock shows it.
    static Json time(std::uint64_t fileTime);
    // Format, label, geometry and areas of the image in memory.
    static Json info(const std::string& path, const std::string& format, const CVLMDoc& doc);
    // One entry of a folder listing, without what it holds.
    static Json entry(const ListingRecord& record);
    // The panel's last operation and its status, as {"operation": "Compare
    // Diskette", "status": "Successful"}.
    static Json outcome(const StatusPanel& panel);
    // Prints the document, bytes that are no UTF-8 replaced.
    static void print(const Json& document);
};

} // namespace vellum::cli
