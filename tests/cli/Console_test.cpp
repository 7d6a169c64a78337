#include "Console.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace calc::cli {
namespace {

/// A file in memory holding the bytes, read from its start.
class TMemoryFile {
public:
    explicit TMemoryFile(std::string_view bytes) : FFd(::memfd_create("lines", MFD_CLOEXEC))
    {
        if (FFd < 0)
            throw std::runtime_error("memfd_create failed");
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(FFd, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                throw std::runtime_error("write failed");
            done += static_cast<std::size_t>(n);
        }
        ::lseek(FFd, 0, SEEK_SET);
    }
    ~TMemoryFile() { ::close(FFd); }
    TMemoryFile(const TMemoryFile&) = delete;
    TMemoryFile& operator=(const TMemoryFile&) = delete;

    [[nodiscard]] int Fd() const noexcept { return FFd; }

private:
    int FFd;
};

std::vector<std::string> ReadAllLines(TLineReader& reader)
{
    std::vector<std::string> lines;
    for (std::string line; reader.ReadLine(line);)
        lines.push_back(line);
    return lines;
}

struct LineCase {
    std::string_view name;
    std::string_view input;
    std::vector<std::string> lines;
};

const LineCase kLineCases[] = {
    {"EmptyInput", "", {}},
    {"LastLineWithoutLineEnd", "1\n2", {"1", "2"}},
    {"LastLineEndedHasNoExtraLine", "1\n2\n", {"1", "2"}},
    {"BlankLinesAreLines", "\n\n1\n\n", {"", "", "1", ""}},
    {"CarriageReturnBeforeLineEndIsDropped", "1\r\n\r\n2\r", {"1", "", "2"}},
    {"CarriageReturnInsideALineStays", "1\r+2\n", {"1\r+2"}},
    {"CharacterZeroStaysInItsLine",
     std::string_view("1\0+5\n\0\n", 7),
     {std::string("1\0+5", 4), std::string(1, '\0')}},
};

class LineReaderLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineReaderLines, SplitsAtLineEnds)
{
    const TMemoryFile file(GetParam().input);
    TLineReader reader(file.Fd());
    EXPECT_EQ(ReadAllLines(reader), GetParam().lines);
    EXPECT_FALSE(reader.Failed());
}

INSTANTIATE_TEST_SUITE_P(LineEnds, LineReaderLines, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A line longer than one read must not be searched again from its start after every read:
// that made a 200 MB line take over half a minute.
TEST(LineReaderSearch, LooksAtEveryByteOnce)
{
    const std::string longLine(3'000'000, '1');
    const std::string input = "2+2\n" + longLine + "\r\n\n" + longLine + "\n7";
    const TMemoryFile file(input);
    TLineReader reader(file.Fd());
    EXPECT_EQ(ReadAllLines(reader), (std::vector<std::string>{"2+2", longLine, "", longLine, "7"}));
    EXPECT_EQ(reader.BytesSearched(), input.size());
}

TEST(LineReaderWaiting, CallsOnWaitBeforeEveryRead)
{
    const TMemoryFile file("1\n2\n");
    TLineReader reader(file.Fd());
    int waits = 0;
    reader.OnWait = [&waits] { ++waits; };
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(waits, 1);
    ASSERT_TRUE(reader.ReadLine(line)); // still in the buffer: no read
    EXPECT_EQ(waits, 1);
    EXPECT_FALSE(reader.ReadLine(line));
    EXPECT_EQ(waits, 2);
}

} // namespace
} // namespace calc::cli
