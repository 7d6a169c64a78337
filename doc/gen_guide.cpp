// Writes the user guide with the list of built-in functions taken from the engine's own
// registry, or checks that a guide still lists exactly those functions.
#include "definitions/BuiltInHelp.h"
#include "definitions/ExprParserDefinitions.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

namespace {

using namespace calc;

constexpr std::string_view kMarker = "<!-- built-in functions -->";

std::string Escaped(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string_view AngleText(TAngleDependence angle)
{
    switch (angle) {
    case TAngleDependence::adArgument:
        return "argument";
    case TAngleDependence::adResult:
        return "result";
    default:
        return "";
    }
}

std::string FunctionTable()
{
    TParserDefinitions definitions;
    RegisterBuiltIns(definitions);
    std::ostringstream out;
    out << "<table class=\"functions\">\n"
        << "<tr><th>Function</th><th>Also</th><th>Angle mode</th><th>Description</th></tr>\n";
    for (const TBuiltInDoc& doc : DescribeBuiltIns(definitions)) {
        const std::string& name = doc.Names.front();
        out << "<tr id=\"fn-" << Escaped(name) << "\"><td><code>" << Escaped(name) << '('
            << Escaped(doc.Arguments) << ")</code></td><td>";
        for (std::size_t i = 1; i < doc.Names.size(); ++i)
            out << (i > 1 ? ", " : "") << "<code>" << Escaped(doc.Names[i]) << "</code>";
        out << "</td><td>" << AngleText(doc.AngleDependence) << "</td><td>"
            << Escaped(doc.Description) << "</td></tr>\n";
    }
    out << "</table>\n";
    return out.str();
}

std::string ReadFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        throw EException(Format("cannot open %s", path));
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        throw EException(Format("cannot read %s", path));
    return text;
}

/// Writes beside the target and renames, so a failed run leaves no half guide behind.
void WriteFile(const std::string& path, const std::string& text)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out)
            throw EException(Format("cannot write %s", temporary.c_str()));
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        throw EException(Format("cannot rename %s", temporary.c_str()));
}

int Generate(const char* templatePath, const char* outputPath)
{
    std::string text = ReadFile(templatePath);
    const std::size_t at = text.find(kMarker);
    if (at == std::string::npos)
        throw EException(Format("%s has no \"%.*s\"", templatePath,
                                static_cast<int>(kMarker.size()), kMarker.data()));
    text.replace(at, kMarker.size(), FunctionTable());
    WriteFile(outputPath, text);
    return EXIT_SUCCESS;
}

int Check(const char* guidePath)
{
    if (ReadFile(guidePath).find(FunctionTable()) != std::string::npos)
        return EXIT_SUCCESS;
    std::fprintf(stderr, "%s does not list the built-in functions of this program\n", guidePath);
    return EXIT_FAILURE;
}

} // namespace

int main(int argc, char* argv[])
{
    try {
        if (argc == 3 && std::string_view(argv[1]) == "--check")
            return Check(argv[2]);
        if (argc == 3)
            return Generate(argv[1], argv[2]);
        std::fprintf(stderr, "usage: gen_guide TEMPLATE OUTPUT | gen_guide --check GUIDE\n");
        return 2;
    }
    catch (const std::exception& e) {
        std::fprintf(stderr, "gen_guide: %s\n", e.what());
        return EXIT_FAILURE;
    }
}
