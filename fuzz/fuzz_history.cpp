// Reads arbitrary bytes as a history file by switching history saving on, as at start-up,
// checks that every entry is reachable by index and by expression, and that the written file
// reaches a fixed point after one round.
#include "FuzzFiles.h"
#include "core/CalcHistory.h"

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

using calc::fuzz::WriteFile;

using namespace calc;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

/// The one file every run rewrites; in memory when the system offers it.
const std::string& FuzzFolder()
{
    static const std::string path = [] {
        std::string pattern = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/fuzz-history-XXXXXX"
                                                              : "/tmp/fuzz-history-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        return pattern;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = FuzzFolder() + "/History.txt";
    WriteFile(path, data, size);

    THistoryManager history(path);
    int changes = 0;
    history.SetOnChange([&](THistoryManager&) { ++changes; });
    history.SetLoadHistory(true);
    Check(changes == 2);

    for (int i = 0; i < history.Count(); ++i) {
        const int found = history.IndexOf(history.Expressions(i));
        Check(found >= 0 && found <= i);
        (void)history.Values(i);
        (void)history.ResultIndexes(i);
    }

    const std::string once = history.SaveToText();
    THistoryManager again;
    again.LoadFromText(once);
    Check(again.Count() == history.Count());
    Check(again.SaveToText() == once);

    // Adding an entry that is there moves it to the top and leaves no duplicate of it.
    if (history.Count() > 0) {
        const std::string last = history.Expressions(history.Count() - 1);
        history.Add(last, 0, 1);
        Check(history.IndexOf(last) == 0);
        for (int i = 1; i < history.Count(); ++i)
            Check(!AnsiSameText(history.Expressions(i), last));
    }

    // Switching off writes the file; reading it back gives the same text.
    history.SetLoadHistory(false);
    THistoryManager reread(path);
    reread.SetLoadHistory(true);
    Check(reread.SaveToText() == history.SaveToText());
    reread.SetFileName({});
    return 0;
}
