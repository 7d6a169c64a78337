#include "CliProcess.h"
#include "support/TempFolder.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace calc {
namespace {

/// Output to a file beyond the file-size limit is a failed write, not the end of the process.
TEST(CliFileSizeLimit, WritingPastTheLimitDoesNotKillTheProgram)
{
    const test::TTempFolder home;
    std::filesystem::create_directory(home / "defs");
    const std::string out = home.File("out.txt");
    std::string input;
    for (int i = 0; i < 5000; ++i)
        input += "1+1\n";
    // The shell leaves SIGXFSZ at its default, which ends a process that writes past the limit.
    const test::TProcessResult r = test::RunProcess(
        "/bin/sh",
        {"-c", "trap - XFSZ; ulimit -f 4; \"$0\" --no-options --definitions=\"$1\" >\"$2\"",
         ZEMBRICAL_CLI_PATH, home / "defs", out},
        input, {{"HOME", home.Path()}, {"LC_ALL", "C"}, {"PATH", "/usr/bin:/bin"}});
    EXPECT_NE(r.Status, 128 + SIGXFSZ) << "killed by SIGXFSZ";
    EXPECT_GT(std::filesystem::file_size(out), 0u);
    EXPECT_LE(std::filesystem::file_size(out), 4u * 1024u);
}

} // namespace
} // namespace calc
