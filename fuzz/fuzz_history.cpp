// The input's head is a history file that two running instances read; the rest is expressions
// the two add. Checks that every expression added comes back the same after a save and a new
// start (TABs and line breaks become blanks), that the instance saving last keeps what the
// other one saved, and that whatever a damaged file holds reads back the same after one round.
#include "FuzzFiles.h"
#include "core/CalcHistory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fuzzer/FuzzedDataProvider.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using calc::fuzz::WriteFile;

using namespace calc;

constexpr int kMaxAdds = 64;
constexpr std::size_t kMaxExpression = 256;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

/// The folder every run rewrites its file in, in memory when the system offers it; removed
/// when the fuzzer ends.
class TFuzzFolder {
public:
    TFuzzFolder()
    {
        FPath = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/fuzz-history-XXXXXX"
                                                : "/tmp/fuzz-history-XXXXXX";
        if (::mkdtemp(FPath.data()) == nullptr)
            std::abort();
    }
    ~TFuzzFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(FPath, error);
    }
    TFuzzFolder(const TFuzzFolder&) = delete;
    TFuzzFolder& operator=(const TFuzzFolder&) = delete;
    [[nodiscard]] std::string File() const { return FPath + "/History.txt"; }

private:
    std::string FPath;
};

const TFuzzFolder& FuzzFolder()
{
    static const TFuzzFolder folder;
    return folder;
}

struct TEntry {
    std::string Expression;
    int ResultIndex = 0;
    std::string ValueText; ///< values compare as the file holds them
    bool operator==(const TEntry&) const = default;
};

std::string Written(std::string expression)
{
    std::replace_if(
        expression.begin(), expression.end(),
        [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return expression;
}

std::vector<TEntry> Entries(const THistoryManager& history)
{
    std::vector<TEntry> entries;
    for (int i = 0; i < history.Count(); ++i)
        entries.push_back({history.Expressions(i), history.ResultIndexes(i),
                           HistoryValueText(history.Values(i))});
    return entries;
}

std::vector<TEntry> WrittenEntries(std::vector<TEntry> entries)
{
    for (TEntry& e : entries)
        e.Expression = Written(std::move(e.Expression));
    return entries;
}

/// The entries a new start reads from the file.
std::vector<TEntry> Reread(const std::string& path)
{
    THistoryManager reader(path);
    reader.SetLoadHistory(true);
    reader.SetFileName({});
    return Entries(reader);
}

/// An Add as the history does it: the same expression in any letter case goes, the new one
/// comes first.
void AddTo(std::vector<TEntry>& model, TEntry entry)
{
    std::erase_if(model,
                  [&](const TEntry& e) { return AnsiSameText(e.Expression, entry.Expression); });
    model.insert(model.begin(), std::move(entry));
}

void CheckLookups(const THistoryManager& history)
{
    for (int i = 0; i < history.Count(); ++i) {
        const int found = history.IndexOf(history.Expressions(i));
        Check(found >= 0 && found <= i);
    }
}

/// Whatever the file held reads back the same once written.
void CheckFixedPoint(const THistoryManager& history)
{
    const std::string once = history.SaveToText();
    THistoryManager again;
    again.LoadFromText(once);
    Check(again.Count() == history.Count());
    Check(again.SaveToText() == once);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string path = FuzzFolder().File();
    const std::string file = input.ConsumeRandomLengthString();
    WriteFile(path, reinterpret_cast<const std::uint8_t*>(file.data()), file.size());

    // Two instances started on the same file.
    THistoryManager first(path);
    THistoryManager second(path);
    int changes = 0;
    first.SetOnChange([&](THistoryManager&) { ++changes; });
    first.SetLoadHistory(true);
    second.SetLoadHistory(true);
    Check(changes == 2);
    CheckLookups(first);
    CheckFixedPoint(first);

    const std::vector<TEntry> loaded = Entries(first);
    std::vector<TEntry> models[2] = {loaded, loaded};
    std::vector<TEntry> added[2];
    bool blanked = false; // an added expression that the file holds otherwise
    for (int n = 0; n < kMaxAdds && input.remaining_bytes() > 0; ++n) {
        const bool toSecond = input.ConsumeBool();
        std::string expression = input.ConsumeRandomLengthString(kMaxExpression);
        const int resultIndex = input.ConsumeIntegral<int>();
        const auto value = static_cast<Extended>(input.ConsumeFloatingPoint<double>());
        blanked = blanked || Written(expression) != expression;
        (toSecond ? second : first).Add(expression, resultIndex, value);
        const TEntry entry{expression, resultIndex, HistoryValueText(value)};
        AddTo(models[toSecond], entry);
        AddTo(added[toSecond], entry);
    }
    Check(Entries(first) == models[0]);
    Check(Entries(second) == models[1]);
    CheckLookups(first);

    // The first one exits: a new start reads every expression it had, as it had them.
    first.SaveHistory();
    Check(Entries(first) == models[0]);
    Check(Reread(path) == WrittenEntries(models[0]));

    // The second one exits: its own additions come first, then those of the first one that it
    // did not add itself, each once.
    second.SaveHistory();
    const std::vector<TEntry> merged = Reread(path);
    const std::vector<TEntry> own = WrittenEntries(added[1]);
    Check(merged.size() >= own.size() && std::equal(own.begin(), own.end(), merged.begin()));
    // An entry the file already held, the same to the last digit, is no news to the second one:
    // it stays where it was.
    const std::vector<TEntry> known = WrittenEntries(loaded);
    auto rest = merged.begin() + static_cast<std::ptrdiff_t>(own.size());
    for (const TEntry& e : WrittenEntries(added[0])) {
        const auto same = [&](const TEntry& m) { return AnsiSameText(m.Expression, e.Expression); };
        if (blanked || std::any_of(own.begin(), own.end(), same) ||
            std::find(known.begin(), known.end(), e) != known.end())
            continue;
        Check(rest != merged.end() && *rest == e);
        ++rest;
        Check(std::none_of(rest, merged.end(), same));
    }
    Check(WrittenEntries(Entries(second)) == merged);

    // Switching off writes once more; a new start reads the same again.
    second.SetLoadHistory(false);
    Check(Reread(path) == merged);
    first.SetFileName({});
    return 0;
}
