// Reads arbitrary bytes as a definitions file the way the start-up load does, and checks that
// writing a file back reaches a fixed point after one round. Then reads the bytes as
// definitions to add, adds those the registry accepts through the program's own write path,
// and checks that reading the file back gives the same definitions and comments.
#include "FuzzFiles.h"
#include "definitions/CalcDefsFile.h"
#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprParserFunc.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

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

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

/// The comment the file gives back for one written: a leading run of blanks and control
/// characters is not kept, a NUL becomes a blank, and a typed escape sequence reads as the
/// line break it stands for.
bool CommentSurvives(std::string_view comment)
{
    return comment.find('\0') == std::string_view::npos &&
           comment.find("\\$") == std::string_view::npos &&
           (comment.empty() || !calc::IsTrimChar(comment.front()));
}

/// A body as the file keeps it: up to a NUL, where expressions end, with line breaks as the
/// blanks expressions take them for, without blanks around it.
std::string StoredBody(std::string_view text)
{
    std::string body(calc::Trim(text.substr(0, text.find('\0'))));
    for (char& c : body)
        if (c == '\r' || c == '\n')
            c = ' ';
    return std::string(calc::Trim(body));
}

/// One definition as the registry holds it.
struct TAdded {
    calc::TDefinitionKind Kind;
    std::string Name, Arguments, Text, Comment;
};

/// Records separated by \x01, fields by \x02: kind ("f" for a function), name, arguments,
/// body, comment.
void CheckWrittenDefinitionsReadBack(const std::string& path, std::string_view data)
{
    using namespace calc;
    TParserDefinitions& definitions = ParserDefinitions();
    definitions.ClearGroups();
    TDefinitionsGroup& group = definitions.AddGroup("Added");
    std::vector<TAdded> added;
    {
        TDefinitionsFile file;
        file.CreateNew(path);
        for (const std::string_view record : Split(data, '\x01')) {
            std::vector<std::string_view> fields = Split(record, '\x02');
            fields.resize(5);
            const TDefinitionKind kind =
                fields[0] == "f" ? TDefinitionKind::dkFunc : TDefinitionKind::dkConst;
            try {
                group.AddDefinition(fields[1], fields[2], kind, fields[3]);
            }
            catch (const std::exception&) {
                continue; // refused, as the edit dialog refuses it
            }
            const int i = group.Count() - 1;
            added.push_back({kind, group.GetName(i), group.GetArgumentsText(i), group.GetText(i),
                             std::string(fields[4])});
            const TAdded& a = added.back();
            try {
                file.AddDefinition(a.Name, a.Arguments, kind, a.Comment, a.Text);
            }
            catch (const EException&) {
                added.pop_back(); // refused: the file cannot hold it
            }
        }
    }
    TDefinitionsFile file;
    file.SetWantComments(true);
    file.Load(path);
    TDefinitionsGroup& read = definitions.AddGroup("Read");
    std::size_t n = 0;
    for (const TDefinitionRec& rec : file) {
        if (n >= added.size())
            std::abort(); // a written definition became two
        const TAdded& a = added[n];
        read.AddDefinitionText(rec.Definition); // what was accepted once is accepted again
        const int i = read.Count() - 1;
        if (i != static_cast<int>(n) || read.GetKind(i) != a.Kind || read.GetName(i) != a.Name ||
            read.GetArgumentsText(i) != a.Arguments ||
            StoredBody(read.GetText(i)) != StoredBody(a.Text)) {
            std::fprintf(stderr, "written [%s(%s)=%s], read [%s(%s)=%s]\n", a.Name.c_str(),
                         a.Arguments.c_str(), a.Text.c_str(), read.GetName(i).c_str(),
                         read.GetArgumentsText(i).c_str(), read.GetText(i).c_str());
            std::abort();
        }
        if (CommentSurvives(a.Comment) && UnescapeComment(rec.Comment) != a.Comment)
            std::abort();
        ++n;
    }
    if (n != added.size())
        std::abort();
    definitions.ClearGroups();
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

    {
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
    }
    CheckWrittenDefinitionsReadBack(path,
                                    std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
