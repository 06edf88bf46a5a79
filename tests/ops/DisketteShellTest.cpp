// The diskette shell's command lines.
#include <gtest/gtest.h>

#include "core/StandardFormats.h"
#include "ops/DisketteShell.h"
#include "tests/support/RecordingShell.h"

namespace vellum {
namespace {

const StandardFormat& format(const char* name)
{
    return *formatNamed(name);
}

TEST(DisketteShell, CommandLinesOfEachCommand)
{
    test::RecordingShell shell;
    DisketteShell disk(shell);
    const DisketteShell::Target device{"/dev/fd0", true};
    const DisketteShell::Target image{"/m/a.img", false};
    disk.format(device, format("1.44M"), true, "BACKUP");
    disk.format(image, format("720K"), false, "");
    disk.setLabel(image, "");
    disk.rename(image, "DOCS/A.TXT", "DOCS/B.TXT");
    disk.remove(image, "GAMES", true);
    EXPECT_EQ(shell.lines, (std::vector<std::string>{
                               "fdformat /dev/fd0",
                               "mformat -i /dev/fd0 -f 1440 -v BACKUP ::",
                               "mformat -i /m/a.img -f 720 ::",
                               "mlabel -i /m/a.img -c ::",
                               "mren -i /m/a.img -D a ::/DOCS/A.TXT ::/DOCS/B.TXT",
                               "mdeltree -i /m/a.img ::/GAMES",
                           }));
    EXPECT_EQ(DisketteShell::diskettePath("DOCS/X"), "::/DOCS/X");
}

TEST(DisketteShell, AFailedFdformatStopsBeforeMformat)
{
    test::RecordingShell shell;
    shell.answer = {1, "fdformat: no such device"};
    DisketteShell disk(shell);
    EXPECT_FALSE(disk.format({"/dev/fd0", true}, format("1.44M"), true, "").ok());
    EXPECT_EQ(shell.lines.size(), std::size_t{1});
}

} // namespace
} // namespace vellum
