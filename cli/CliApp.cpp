#include "CliApp.h"

#include "CliOptions.h"
#include "Console.h"
#include "ConsoleCalculator.h"
#include "HostLocale.h"
#include "Interactive.h"
#include "TextEncoding.h"
#include "core/IniFile.h"
#include "core/Paths.h"
#include "definitions/ExprParserDefinitions.h"
#include "definitions/FileEnum.h"
#include "engine/ExprParserFunc.h"

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace calc::cli {

namespace {

constexpr const char* kCommandLineGroup = "Command line";

/// A failure that ends the program with status 2 after its message.
struct TUsageFailure {
    std::string Message;
};

void ReportUsageFailure(TConsoleOutput& output, const std::string& message, bool hint)
{
    output.Error(std::string(kProgramName) + ": " + message);
    if (hint)
        output.Error("Try 'zembrical-cli --help' for more information.");
}

/// The regional settings: the invariant set for scripts, else the host locale's.
void SetUpRegionalSettings(bool porcelain)
{
    if (porcelain) {
        RegionalSettings() = TRegionalSettings{};
        return;
    }
    std::setlocale(LC_ALL, "");
    RegionalSettings() = RegionalSettingsFromLocale(ReadHostLocaleFields());
    // The core formats numbers with the C library; its decimal point must stay ".". The
    // character type stays the user's, which line editing needs.
    std::setlocale(LC_NUMERIC, "C");
}

void LoadDefinitions(const TCliOptions& options)
{
    TParserDefinitions& definitions = ParserDefinitions();
    RegisterBuiltIns(definitions);
    if (options.DefinitionsDir) {
        std::error_code error;
        if (!std::filesystem::is_directory(*options.DefinitionsDir, error))
            throw TUsageFailure{Format("definitions folder \"%s\" is not a folder",
                                       options.DefinitionsDir->c_str())};
        SetDefinitionsDir(*options.DefinitionsDir);
    }
    LoadDefinitionGroups(definitions);
    if (options.Definitions.empty())
        return;
    TDefinitionsGroup& group = definitions.AddGroup(kCommandLineGroup);
    for (const std::string& text : options.Definitions) {
        try {
            group.AddDefinitionText(text);
        }
        catch (const std::exception& e) {
            throw TUsageFailure{Format("definition \"%s\": %s", Latin1ToUtf8(text).c_str(),
                                       Latin1ToUtf8(e.what()).c_str())};
        }
    }
}

void LoadOptionsFile(const TCliOptions& options, TConsoleCalculator& calculator)
{
    std::string fileName;
    // A script must answer alike on every account: porcelain reads only a file it is given.
    if (options.OptionsSource == TOptionsSource::osNone ||
        (options.Porcelain && options.OptionsSource == TOptionsSource::osDefault))
        return;
    if (options.OptionsSource == TOptionsSource::osFile)
        fileName = options.OptionsFile;
    else
        fileName = DefaultOptionsFileName();
    if (fileName.empty())
        return;
    TIniFile ini;
    bool found = false;
    try {
        found = ini.LoadFromFile(fileName);
    }
    catch (const std::exception& e) {
        throw TUsageFailure{Format("cannot read the options file: %s", e.what())};
    }
    // The user's own file may not exist yet; a file named on the command line must.
    if (!found && options.OptionsSource == TOptionsSource::osFile)
        throw TUsageFailure{
            Format("options file \"%s\" does not exist", options.OptionsFile.c_str())};
    if (found)
        calculator.ApplyOptions(ini);
}

void ApplyCommandLine(const TCliOptions& options, TConsoleCalculator& calculator)
{
    TExpressionParser& parser = calculator.Parser();
    if (options.AngleMode)
        parser.SetAngleMode(*options.AngleMode);
    if (options.DecimalSeparators) {
        const TCharSet separators(*options.DecimalSeparators);
        parser.SetDecimalSeparators(separators);
        // "--decimal=," alone must not leave "," as the argument separator too.
        if (!options.ListSeparator && separators.Contains(parser.ListSeparator()) &&
            !separators.Contains(';'))
            parser.SetListSeparator(';');
    }
    if (options.ListSeparator)
        parser.SetListSeparator(*options.ListSeparator);
}

/// Blanks only; a character 0 is not blank but an error of its own.
bool IsBlank(std::string_view line) noexcept
{
    return std::all_of(line.begin(), line.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 1 && u <= ' ';
    });
}

/// Evaluates one expression and writes its result the way the options ask.
class TBatchPrinter {
public:
    TBatchPrinter(TConsoleCalculator& calculator, TConsoleOutput& output,
                  const TCliOptions& options)
        : FCalculator(calculator), FOutput(output), FOptions(options)
    {
    }

    void Run(std::string_view expression)
    {
        const TEvaluation e = FCalculator.Evaluate(expression);
        FAllOk = FAllOk && e.Ok;
        std::string& out = FOutput.Buffer();
        if (FOptions.Porcelain)
            AppendPorcelain(out, FCalculator.Results(), e);
        else if (!e.Ok)
            FOutput.Error("error: " + Latin1ToUtf8(e.Message));
        else if (FOptions.All) {
            if (FPrinted)
                out.push_back('\n');
            AppendNamedResults(out, FCalculator.Results(), e.Value, false);
        }
        else
            AppendDefaultResult(out, FCalculator.Results(), e.Value);
        FPrinted = FPrinted || e.Ok;
        FOutput.EndItem();
    }

    /// One line of standard input. Porcelain answers every line, a blank one with the error
    /// of an empty expression, so that a script can pair its lines with the answers; the
    /// other modes pass over blank lines as the prompt does.
    void RunLine(std::string_view line)
    {
        if (FOptions.Porcelain || !IsBlank(line))
            Run(line);
    }

    [[nodiscard]] bool AllOk() const noexcept { return FAllOk; }

private:
    TConsoleCalculator& FCalculator;
    TConsoleOutput& FOutput;
    const TCliOptions& FOptions;
    bool FAllOk = true;
    bool FPrinted = false;
};

bool RunStandardInput(TBatchPrinter& printer, TConsoleOutput& output)
{
    TLineReader reader(STDIN_FILENO);
    reader.OnWait = [&output] { output.Flush(); };
    std::string line;
    // Once the answers cannot be written, reading on would only waste the questions.
    while (!output.Failed() && reader.ReadLine(line))
        printer.RunLine(line);
    if (reader.Failed()) {
        output.Error(std::string(kProgramName) +
                     ": cannot read standard input: " + reader.ErrorText());
        return false;
    }
    return printer.AllOk();
}

int Run(const TCliOptions& options, TConsoleOutput& output)
{
    SetUpRegionalSettings(options.Porcelain);
    LoadDefinitions(options);
    TConsoleCalculator calculator;
    LoadOptionsFile(options, calculator);
    ApplyCommandLine(options, calculator);

    bool allOk = true;
    if (!options.Expressions.empty()) {
        TBatchPrinter printer(calculator, output, options);
        for (const std::string& expression : options.Expressions) {
            if (output.Failed())
                break;
            printer.Run(expression);
        }
        allOk = printer.AllOk();
    }
    else if (!options.Porcelain && ::isatty(STDIN_FILENO) != 0)
        allOk = RunInteractive(calculator, output, options.All);
    else {
        TBatchPrinter printer(calculator, output, options);
        allOk = RunStandardInput(printer, output);
    }
    output.Flush();
    return allOk ? kExitOk : kExitFailed;
}

int RunWithOutput(int argc, char** argv, TConsoleOutput& output)
{
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    const TCliParseResult parsed = ParseCommandLine(args);
    if (!parsed.Error.empty()) {
        ReportUsageFailure(output, parsed.Error, true);
        return kExitUsage;
    }
    if (parsed.Options.Help) {
        output.Buffer() += UsageText();
        return kExitOk;
    }
    if (parsed.Options.Version) {
        output.Buffer() += std::string(kProgramName) + " " + ZEMBRICAL_VERSION + "\n";
        return kExitOk;
    }
    try {
        return Run(parsed.Options, output);
    }
    catch (const TUsageFailure& failure) {
        ReportUsageFailure(output, failure.Message, false);
        return kExitUsage;
    }
    catch (const std::exception& e) {
        // Set-up failures (an unreadable definitions folder): evaluation errors never get here.
        ReportUsageFailure(output, Latin1ToUtf8(e.what()), false);
        return kExitUsage;
    }
}

} // namespace

std::string DefaultOptionsFileName()
{
    try {
        return SettingsDirName() + kOptionsFileName;
    }
    catch (const EException&) {
        return {}; // no home folder: there are no user options to read
    }
}

int RunCli(int argc, char** argv)
{
    TConsoleOutput output;
    const int status = RunWithOutput(argc, argv, output);
    output.Flush();
    // As the standard tools do: answers that never arrived fail the whole run.
    return output.Failed() ? kExitOutputFailed : status;
}

} // namespace calc::cli
