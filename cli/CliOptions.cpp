#include "CliOptions.h"

#include "TextEncoding.h"

namespace calc::cli {

namespace {

/// Digits, letters and blanks would make expressions ambiguous as separators.
bool IsSeparatorChar(char c) noexcept
{
    return !IsDigit(c) && !IsNameChar(c) && !IsSpaceChar(c) && c != '\0';
}

std::optional<TAngleMode> ParseAngle(std::string_view value)
{
    if (AnsiSameText(value, "deg") || value == "0")
        return TAngleMode::amDeg;
    if (AnsiSameText(value, "rad") || value == "1")
        return TAngleMode::amRad;
    if (AnsiSameText(value, "grad") || value == "2")
        return TAngleMode::amGrad;
    return std::nullopt;
}

/// Converts an option value to the core's 8-bit text; false with the reason in error.
bool ToLatin1(std::string_view option, std::string_view value, std::string& text,
              std::string& error)
{
    TLatin1Result converted = Utf8ToLatin1(value);
    if (!converted.Ok) {
        error = Format("%.*s: %s", static_cast<int>(option.size()), option.data(),
                       converted.ErrorMessage.c_str());
        return false;
    }
    text = std::move(converted.Text);
    return true;
}

class TCommandLineReader {
public:
    explicit TCommandLineReader(const std::vector<std::string_view>& args) : FArgs(args) {}

    TCliParseResult Read()
    {
        while (FIndex < FArgs.size() && FResult.Error.empty())
            ReadOne(FArgs[FIndex++]);
        return std::move(FResult);
    }

private:
    void ReadOne(std::string_view arg)
    {
        if (FOnlyExpressions || arg.size() < 2 || arg[0] != '-')
            FResult.Options.Expressions.emplace_back(arg);
        else if (arg == "--")
            FOnlyExpressions = true;
        else if (arg.starts_with("--"))
            ReadLong(arg);
        else if (IsNameChar(arg[1]))
            ReadShort(arg);
        else
            FResult.Options.Expressions.emplace_back(arg);
    }

    void ReadShort(std::string_view arg)
    {
        if (arg == "-h")
            FResult.Options.Help = true;
        else if (arg.starts_with("-D")) {
            std::string_view value = arg.substr(2);
            if (value.empty() && !NextValue("-D", value))
                return;
            AddDefinition("-D", value);
        }
        else
            Fail(Format("unknown option '%.*s' (put \"--\" before an expression that starts "
                        "with \"-\")",
                        static_cast<int>(arg.size()), arg.data()));
    }

    void ReadLong(std::string_view arg)
    {
        std::string_view name = arg;
        std::string_view value;
        bool hasValue = false;
        if (const std::size_t eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasValue = true;
        }
        TCliOptions& o = FResult.Options;
        if (name == "--help" || name == "--version" || name == "--all" || name == "--porcelain" ||
            name == "--no-options") {
            if (hasValue)
                return Fail(Format("option '%.*s' takes no value", static_cast<int>(name.size()),
                                   name.data()));
            if (name == "--help")
                o.Help = true;
            else if (name == "--version")
                o.Version = true;
            else if (name == "--all")
                o.All = true;
            else if (name == "--porcelain")
                o.Porcelain = true;
            else
                o.OptionsSource = TOptionsSource::osNone;
            return;
        }
        if (name != "--angle" && name != "--decimal" && name != "--list" &&
            name != "--definitions" && name != "--define" && name != "--options")
            return Fail(
                Format("unknown option '%.*s'", static_cast<int>(name.size()), name.data()));
        if (!hasValue && !NextValue(name, value))
            return;
        if (name == "--angle")
            ReadAngle(value);
        else if (name == "--decimal")
            ReadDecimal(value);
        else if (name == "--list")
            ReadList(value);
        else if (name == "--definitions")
            ReadPath(name, value, o.DefinitionsDir.emplace());
        else if (name == "--define")
            AddDefinition(name, value);
        else if (ReadPath(name, value, o.OptionsFile))
            o.OptionsSource = TOptionsSource::osFile;
    }

    void ReadAngle(std::string_view value)
    {
        FResult.Options.AngleMode = ParseAngle(value);
        if (!FResult.Options.AngleMode)
            Fail(Format("invalid angle mode '%.*s' (use deg, rad or grad)",
                        static_cast<int>(value.size()), value.data()));
    }

    void ReadDecimal(std::string_view value)
    {
        std::string chars;
        if (!ToLatin1("--decimal", value, chars, FResult.Error))
            return;
        if (chars.empty())
            return Fail("--decimal needs at least one character");
        for (const char c : chars)
            if (!IsSeparatorChar(c))
                return Fail(Format("--decimal: '%s' cannot be a decimal separator",
                                   Latin1ToUtf8(std::string(1, c)).c_str()));
        FResult.Options.DecimalSeparators = std::move(chars);
    }

    void ReadList(std::string_view value)
    {
        std::string chars;
        if (!ToLatin1("--list", value, chars, FResult.Error))
            return;
        if (chars.size() != 1)
            return Fail("--list needs exactly one character");
        if (!IsSeparatorChar(chars[0]))
            return Fail(
                Format("--list: '%s' cannot be a list separator", Latin1ToUtf8(chars).c_str()));
        FResult.Options.ListSeparator = chars[0];
    }

    bool ReadPath(std::string_view name, std::string_view value, std::string& path)
    {
        if (value.empty()) {
            Fail(Format("%.*s needs a path", static_cast<int>(name.size()), name.data()));
            return false;
        }
        path = value;
        return true;
    }

    void AddDefinition(std::string_view option, std::string_view value)
    {
        std::string text;
        if (ToLatin1(option, value, text, FResult.Error))
            FResult.Options.Definitions.push_back(std::move(text));
    }

    bool NextValue(std::string_view option, std::string_view& value)
    {
        if (FIndex >= FArgs.size()) {
            Fail(Format("option '%.*s' needs a value", static_cast<int>(option.size()),
                        option.data()));
            return false;
        }
        value = FArgs[FIndex++];
        return true;
    }

    void Fail(std::string message) { FResult.Error = std::move(message); }

    const std::vector<std::string_view>& FArgs;
    std::size_t FIndex = 0;
    bool FOnlyExpressions = false;
    TCliParseResult FResult;
};

} // namespace

TCliParseResult ParseCommandLine(const std::vector<std::string_view>& args)
{
    return TCommandLineReader(args).Read();
}

std::string UsageText()
{
    return "Usage: zembrical-cli [OPTIONS] [EXPRESSION ...]\n"
           "Evaluates each EXPRESSION; without one, reads one expression per line from\n"
           "standard input, with an interactive prompt when that is a terminal.\n"
           "\n"
           "Options:\n"
           "  --angle=deg|rad|grad  angle mode of the trigonometric functions\n"
           "  --decimal=CHARS       characters accepted as decimal separator (e.g. \".,\")\n"
           "  --list=CHAR           argument separator of function calls\n"
           "  --definitions=DIR     folder of the definition files (*.udf)\n"
           "                        (default: \"Definitions\" beside the program when\n"
           "                        it exists, else the user's folder\n"
           "                        ~/.local/share/Zembrical Calculator/Definitions)\n"
           "  -D, --define=TEXT     add a definition, name=body or name(args)=body;\n"
           "                        may be repeated\n"
           "  --options=FILE        read the settings from FILE instead of the user's\n"
           "                        Options.ini (never read with --porcelain)\n"
           "  --no-options          read no settings file\n"
           "  --all                 show every result format, not only the visible ones\n"
           "  --porcelain           for scripts, one tab-separated line per expression\n"
           "                        or input line (a blank line fails): ok, the value,\n"
           "                        the texts of the eleven formats; or error, the code,\n"
           "                        the position, the message; reads the settings\n"
           "                        only from a file named by --options\n"
           "  -h, --help            show this text and exit\n"
           "      --version         show the version and exit\n"
           "\n"
           "Put \"--\" before an expression that starts with \"-\" and a letter (-- -pi).\n"
           "At the interactive prompt, Ctrl-C stops a calculation that takes too long.\n"
           "Exit status: 0 when every expression was evaluated, 1 when one failed,\n"
           "2 for a usage error, a failing definition or output that cannot be written.\n";
}

} // namespace calc::cli
