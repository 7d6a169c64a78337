// Reads arbitrary bytes as a definitions file the way the start-up load does, and checks that
// writing a file back reaches a fixed point after one round.
#include "FuzzFiles.h"
#include "definitions/CalcDefsFile.h"
#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprParserFunc.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

using calc::fuzz::WriteFile;

/// A fresh folder for one run, in memory when the system offers it, since a save flushes the
/// file to disk; removed when the run ends.
class TRunFolder {
public:
    TRunFolder()
    {
        FPath =
            ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/fuzz-udf-XXXXXX" : "/tmp/fuzz-udf-XXXXXX";
        if (::mkdtemp(FPath.data()) == nullptr)
            std::abort();
    }
    ~TRunFolder()
    {
        ::unlink(File().c_str());
        ::rmdir(FPath.c_str());
    }
    TRunFolder(const TRunFolder&) = delete;
    TRunFolder& operator=(const TRunFolder&) = delete;
    [[nodiscard]] std::string File() const { return FPath + "/Fuzz.udf"; }

private:
    std::string FPath;
};

std::string ReadFile(const std::string& path)
{
    std::string content;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            content.append(buffer, got);
        std::fclose(file);
    }
    return content;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace calc;
    static const bool registered = [] {
        RegisterBuiltIns(ParserDefinitions());
        return true;
    }();
    (void)registered;

    const TRunFolder folder;
    const std::string path = folder.File();
    WriteFile(path, data, size);

    TParserDefinitions& definitions = ParserDefinitions();
    definitions.ClearGroups();
    TDefinitionsFile file;
    file.SetWantComments(true);
    file.Load(path);
    TDefinitionsGroup& group = definitions.AddGroup("Fuzz");
    group.SetFileName(path);
    for (const TDefinitionRec& rec : file) {
        // Stored comments hold no line breaks, so escaping them changes nothing.
        if (EscapeComment(rec.Comment) != rec.Comment)
            std::abort();
        try {
            group.AddDefinitionText(rec.Definition);
        }
        catch (const std::exception&) {
            // A line that does not load is skipped, as at start-up.
        }
    }

    // First save normalises line ends and drops what follows a NUL; the second changes nothing.
    file.Save();
    const std::string once = ReadFile(path);
    file.Load(path);
    file.Save();
    if (ReadFile(path) != once)
        std::abort();
    definitions.ClearGroups();
    return 0;
}
