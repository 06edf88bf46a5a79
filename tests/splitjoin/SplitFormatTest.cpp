#include <gtest/gtest.h>

#include <cstdio>

#include "core/Error.h"
#include "splitjoin/SplitHeader.h"
#include "splitjoin/SplitSettings.h"
#include "tests/support/ScriptedPrompter.h"
#include "tests/support/TempDir.h"

namespace vellum {
namespace {

std::string hex(std::span<const std::uint8_t> bytes)
{
    std::string out;
    char two[3];
    for (const std::uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        out += two;
    }
    return out;
}

TEST(SplitHeader, EncodesSignaturePathSizeNumberAndCount)
{
    const SplitHeader h{"/data/my.dir/README", 0x00123456, 2, 3};
    const auto bytes = h.encode();
    ASSERT_EQ(bytes.size(), 268u);
    EXPECT_EQ(hex(std::span(bytes).first(26)), "1a53504c49542f646174612f6d792e6469722f524541444d4500");
    EXPECT_EQ(std::count(bytes.begin() + 25, bytes.begin() + 262, 0), 262 - 25);
    EXPECT_EQ(hex(std::span(bytes).subspan(262)), "563412000203");
    EXPECT_TRUE(SplitHeader::hasSignature(bytes));
}

TEST(SplitHeader, PathFieldIsCutAt256BytesAndReadUpToItsFirstZero)
{
    const std::string exact(256, 'p');
    SplitHeader h{exact + "overflow", 7, 1, 1};
    auto bytes = h.encode();
    EXPECT_EQ(bytes[6 + 255], 'p');
    EXPECT_EQ(bytes[262], 7); // the size follows with no terminator between
    EXPECT_EQ(SplitHeader::decode(bytes).sourcePath, exact);

    h.sourcePath = "C:\\DATA\\REPORT.DOC";
    bytes = h.encode();
    const SplitHeader back = SplitHeader::decode(bytes);
    EXPECT_EQ(back.sourcePath, "C:\\DATA\\REPORT.DOC");
    EXPECT_EQ(back.sourceSize, 7u);

    bytes[0] = 0x1B;
    EXPECT_FALSE(SplitHeader::hasSignature(bytes));
    bytes[0] = 0x1A;
    bytes[5] = 'X';
    EXPECT_FALSE(SplitHeader::hasSignature(bytes));
}

TEST(SplitSettings, PayloadsLeaveRoomForTheHeaderOnAnEmptyDiskette)
{
    EXPECT_EQ(SplitSettings::PiecePayload(kSize144), 1'457'396u);
    EXPECT_EQ(SplitSettings::PiecePayload(kSize12), 1'213'684u);
    EXPECT_EQ(SplitSettings::PiecePayload(kSize720), 729'844u);
    EXPECT_EQ(SplitSettings::PiecePayload(kSize360), 362'228u);
    EXPECT_THROW(SplitSettings::PiecePayload(kSizeCustom), Error);
}

TEST(SplitSettings, SizeListStepsDownByHundredKUnderEachRadio)
{
    const struct {
        std::uint8_t type;
        std::size_t count;
        const char* top;
    } cases[] = {{kSize144, 14, "1410K"}, {kSize12, 12, "1210K"}, {kSize720, 7, "710K"}, {kSize360, 3, "310K"}};
    for (const auto& c : cases) {
        const auto list = SplitSettings::sizeList(c.type);
        ASSERT_EQ(list.size(), c.count) << c.top;
        EXPECT_EQ(list.front(), c.top);
        EXPECT_EQ(list.back(), "110K");
    }
    EXPECT_EQ(SplitSettings::sizeList(kSize360)[1], "210K");
}

TEST(SplitSettings, ListEntryBecomesTheCustomSizeAndDisablesSmallerDiskettes)
{
    SplitSettings s;
    using Enabled = std::array<bool, 4>; // 1.44M, 1.2M, 720K, 360K
    EXPECT_EQ(s.chooseListEntry("710K"), (Enabled{true, true, true, false}));
    EXPECT_EQ(s.m_nCustomSize, 727'040u);
    EXPECT_EQ(s.m_nSizeType, kSizeCustom);
    EXPECT_EQ(s.payload(), 727'040u);

    EXPECT_EQ(s.chooseListEntry("1210K"), (Enabled{true, false, false, false}));
    EXPECT_EQ(s.chooseListEntry("1110K"), (Enabled{true, true, false, false}));
    EXPECT_EQ(s.chooseListEntry("310K"), (Enabled{true, true, true, true}));

    s.chooseRadio(kSize720);
    EXPECT_EQ(s.payload(), 729'844u);
    EXPECT_EQ(s.chooseListEntry("K"), (Enabled{true, true, true, true}));
    EXPECT_EQ(s.m_nSizeType, kSize720); // an entry without a number changes nothing
}

TEST(SplitSettings, PieceNamesDropTheFileNamesLastExtensionOnly)
{
    EXPECT_EQ(SplitSettings::pieceName("README", 1), "README.001");
    EXPECT_EQ(SplitSettings::pieceName("/data/my.dir/README", 1), "README.001");
    EXPECT_EQ(SplitSettings::pieceName("/data/REPORT.DOC", 12), "REPORT.012");
    EXPECT_EQ(SplitSettings::pieceName("backup.tar.gz", 255), "backup.tar.255");
}

TEST(SplitSettings, RecomputeCountsPiecesOrTellsTheFileError)
{
    test::TempDir dir;
    test::ScriptedPrompter prompter;
    SplitSettings s;
    s.recompute(prompter); // no source yet: nothing to read, nothing told
    EXPECT_FALSE(s.canSplit());

    const auto big = dir / "big";
    test::writeFile(big, {});
    std::filesystem::resize_file(big, 2 * 1'457'396 + 1);
    s.m_strSource = big.string();
    s.recompute(prompter);
    EXPECT_EQ(s.sizeText(), "2914793");
    EXPECT_EQ(s.countText(), "3");

    std::filesystem::resize_file(big, 2 * 1'457'396);
    s.recompute(prompter);
    EXPECT_EQ(s.m_nPieces, 2u);
    std::filesystem::resize_file(big, 0);
    s.recompute(prompter);
    EXPECT_EQ(s.m_nPieces, 0u);

    s.m_strSource = (dir / "gone").string();
    s.m_nPieces = 9;
    prompter.expect("Cannot read the size of \"" + s.m_strSource + "\": No such file or directory.", Buttons::Ok,
                    Icon::Exclamation, Answer::Ok);
    s.recompute(prompter);
    EXPECT_EQ(s.m_nPieces, 0u);
    EXPECT_EQ(s.sizeText(), "0");
}

} // namespace
} // namespace vellum
