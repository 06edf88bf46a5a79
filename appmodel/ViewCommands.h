#pragma once
// The commands of the main window by number, their tooltips, which of them
// the file list enables, and which have no engine behind them yet.
#include <optional>
#include <string_view>

namespace vellum {

enum Command : int {
    kCmdExitButton = 101,
    kCmdSelectA = 102,
    kCmdSelectB = 103,
    kCmdLoad = 104,
    kCmdCopy = 105,
    kCmdCompare = 106,
    kCmdFormat = 107,
    kCmdLoadNow = 112,
    kCmdCopyNow = 113,
    kCmdCompareNow = 114,
    kCmdFormatNow = 115,
    kCmdHelpTask = 116,
    kCmdHelpContext = 117,
    kCmdTipOfTheDay = 120,
    kCmdInitialize = 32779,
    kCmdOpenImage = 32780,
    kCmdSaveImage = 32781,
    kCmdRefresh = 32791,
    kCmdCopyFile = 32792,
    kCmdMoveFile = 32793,
    kCmdRenameFile = 32794,
    kCmdDeleteFile = 32795,
    kCmdFormatDmf = 32797,
    kCmdDisketteLabel = 32798,
    kCmdSaveOptions = 32805,
    kCmdToggleAll = 32806,
    kCmdResetAll = 32807,
    kCmdCheckAll = 32808,
    kCmdRestoreOptions = 32809,
    kCmdLoadEntire = 32802,
    kCmdForceFormat = 32803,
    kCmdVerifyCopy = 32804,
    kCmdExplore = 32813,
    kCmdImageLabel = 32814,
    kCmdSaveSelected = 32824,
    kCmdSaveAll = 32825,
    kCmdSaveDirectory = 32828,
    kCmdKeepDirs = 32829,
    kCmdJoinSplit = 32831,
    kCmdNewImage = 32840,
    kCmdAddFiles = 32841,
    kCmdRescue = 32842,
    kCmdPrint = 57607,
    kCmdPrintDirect = 57608,
    kCmdPrintPreview = 57609,
    kCmdAbout = 57664,
    kCmdExit = 57665,
    kCmdHelpIndex = 57667,
};

class ViewCommands {
public:
    // Help topics of toolbar buttons are numbered from here.
    static constexpr int kButtonHelpBase = 0x10000;

    // Whether the file list's state lets the command run: the commands that
    // need an image in memory follow the Copy and Compare buttons, which the
    // list enables while it shows an image.
    static bool enabledByList(int command, bool imageShown);
    // The print commands, which print the last compare mismatch held.
    static bool needsMismatch(int command);

    static std::optional<std::string_view> tooltip(int command);
    // The help topic of a toolbar button; 0 for anything else.
    static int buttonHelpTopic(int command);
};

} // namespace vellum
