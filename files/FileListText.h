#pragma once
// The texts and sort order of the file list's five columns, computed from
// listing records so the list control only shows them.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/DirectoryArea.h"

namespace vellum {

class FileListText {
public:
    struct Column {
        std::string_view title;
        int width; // pixels
    };
    static constexpr std::array<Column, 5> kColumns = {{
        {"Name", 175},
        {"Alternate", 100},
        {"Size", 100},
        {"Attributes", 75},
        {"Modified", 100},
    }};

    static constexpr std::string_view kNoFiles = "No Files";
    static constexpr std::string_view kNoFilesFound = "No Files Found";

    // The single row shown when a directory lists nothing: "No Files" while
    // no image is in memory, "No Files Found" otherwise.
    static std::string_view placeholder(bool imageEmpty);
    static bool isPlaceholder(std::string_view nameText);

    // The text of one column of a record's row; empty for an unknown column.
    static std::string columnText(const ListingRecord& record, int column);
    static std::string attributeText(std::uint32_t attributes);
    // Local time as "%d/%0.2d/%0.2d (%d:%0.2d%c)"; empty when it cannot be shown.
    static std::string modifiedText(std::uint64_t fileTime);

    // Ascending order by one column: negative, zero or positive.
    static int compare(const ListingRecord& a, const ListingRecord& b, int column);

private:
    static int compareFolded(std::string_view a, std::string_view b);
};

} // namespace vellum
