#include "appmodel/ViewCommands.h"

#include <algorithm>
#include <array>
#include <utility>

namespace vellum {

namespace {

constexpr std::array kNeedImage = {
    kCmdCopy, kCmdSaveImage, kCmdCopyNow, kCmdCompareNow, kCmdCopyFile, kCmdMoveFile, kCmdRenameFile,
    kCmdDeleteFile, kCmdImageLabel, kCmdSaveSelected, kCmdSaveAll, kCmdSaveDirectory, kCmdCompare,
    kCmdRefresh, kCmdInitialize, kCmdAddFiles,
};

constexpr std::array kNeedMismatch = {kCmdPrint, kCmdPrintDirect, kCmdPrintPreview};

constexpr std::array<std::pair<int, std::string_view>, 11> kTooltips = {{
    {kCmdExitButton, "Exit VLM"},
    {kCmdOpenImage, "Opens an existing VLM file"},
    {kCmdSaveImage, "Saves the disk image in memory as a file"},
    {kCmdSelectA, "Select Diskette A:"},
    {kCmdSelectB, "Select Diskette B:"},
    {kCmdLoadNow, "Load diskette into memory"},
    {kCmdCopyNow, "Copy diskette image from memory to diskette"},
    {kCmdCompareNow, "Compare diskette image to selected diskette"},
    {kCmdFormatNow, "Format the selected diskette"},
    {kCmdHelpTask, "Display help for current task or command"},
    {kCmdHelpContext, "Display help for clicked on buttons, menus and windows"},
}};

constexpr std::array kHelpButtons = {
    kCmdExitButton, kCmdOpenImage, kCmdSaveImage, kCmdSelectA, kCmdSelectB,
    kCmdLoadNow, kCmdCopyNow, kCmdCompareNow, kCmdFormatNow,
};

template <typename List>
bool contains(const List& list, int command)
{
    return std::find(list.begin(), list.end(), command) != list.end();
}

} // namespace

bool ViewCommands::enabledByList(int command, bool imageShown)
{
    return imageShown || !contains(kNeedImage, command);
}

bool ViewCommands::needsMismatch(int command)
{
    return contains(kNeedMismatch, command);
}

std::optional<std::string_view> ViewCommands::tooltip(int command)
{
    for (const auto& [c, text] : kTooltips)
        if (c == command)
            return text;
    return std::nullopt;
}

int ViewCommands::buttonHelpTopic(int command)
{
    return contains(kHelpButtons, command) ? kButtonHelpBase + command : 0;
}

} // namespace vellum
