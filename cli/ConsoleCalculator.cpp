#include "ConsoleCalculator.h"

#include "TextEncoding.h"
#include "core/IniFile.h"
#include "definitions/NameKinds.h"
#include "results/CalcResultRepresentations.h"

#include <clocale>
#include <cstdio>
#include <locale.h>
#include <utility>

namespace calc::cli {

namespace {

constexpr int kAngleModeCount = 3;

/// Porcelain fields are split at tabs and lines at line ends, so neither may occur inside one.
void AppendField(std::string& out, std::string_view latin1)
{
    for (const char c : latin1) {
        if (c == '\t' || c == '\n' || c == '\r')
            out.push_back(' ');
        else
            AppendLatin1AsUtf8(out, std::string_view(&c, 1));
    }
}

/// A character the core cannot take fails like an engine error at that character.
TEvaluation CharacterFailure(std::size_t pos, const std::string& reason)
{
    TEvaluation e;
    e.Code = ceMessage;
    e.Pos = static_cast<int>(pos);
    e.Message = Format("%d: %s", e.Pos, reason.c_str());
    return e;
}

locale_t CLocale()
{
    static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", nullptr);
    return locale;
}

} // namespace

char DefaultListSeparator(char regionalDecimalSeparator) noexcept
{
    return regionalDecimalSeparator == '.' ? ',' : ';';
}

TConsoleCalculator::TConsoleCalculator()
{
    AddStandardResultFormats(FResults);
}

void TConsoleCalculator::ApplyOptions(const TIniFile& ini)
{
    const int angle =
        ini.ReadInteger("General", "AngleMode", static_cast<int>(FParser.AngleMode()));
    // Only the calculator's own dialogs write this key; a value they never write is ignored.
    if (angle >= 0 && angle < kAngleModeCount)
        FParser.SetAngleMode(static_cast<TAngleMode>(angle));

    const char regional = RegionalSettings().DecimalSeparator;
    const TCharSet separators =
        ini.ReadCharSet("General", "DecimalSeparator", TCharSet(std::string_view(&regional, 1)));
    // An empty set would reject every number with a fraction.
    FParser.SetDecimalSeparators(separators.Empty() ? TCharSet(std::string_view(&regional, 1))
                                                    : separators);
    const std::string list =
        ini.ReadString("General", "ListSeparator", "") + DefaultListSeparator(regional);
    FParser.SetListSeparator(list[0]);

    FResults.BeginUpdate();
    for (int i = 0; i < FResults.Count(); ++i) {
        const std::string text = ini.ReadString("Results", std::to_string(i), "");
        if (!text.empty())
            FResults.Items(i).SetSettingsText(text);
    }
    FResults.SetDefaultIndex(ini.ReadInteger("Results", "Default", -1));
    FResults.EndUpdate();
}

TEvaluation TConsoleCalculator::Evaluate(std::string_view utf8)
{
    TEvaluation e;
    const TLatin1Result text = Utf8ToLatin1(utf8);
    if (!text.Ok)
        return CharacterFailure(text.ErrorPos, text.ErrorMessage);
    // The engine ends the text at a character 0 and would silently drop what follows it.
    if (const std::size_t zero = text.Text.find('\0'); zero != std::string::npos)
        return CharacterFailure(zero, "Character not supported: U+0000");
    FInterrupt.store(false);
    TInterruptLimits limits;
    limits.Flag = &FInterrupt;
    {
        const TInterruptScope scope(std::move(limits));
        e.Ok = FParser.TryEvaluate(text.Text);
    }
    if (e.Ok) {
        e.Value = FParser.Value();
        return e;
    }
    e.Code = FParser.ErrorCode();
    e.Pos = FParser.ErrorPos();
    e.Message = FParser.GetErrorMessage();
    return e;
}

std::string DidYouMeanLine(const TEvaluation& e, const TExpressionParser& parser)
{
    if (e.Ok || (e.Code != ceUnknownConstant && e.Code != ceUnknownFunction))
        return {};
    const std::string name =
        SuggestName(ParserDefinitions(), parser.ErrorArg(), e.Code == ceUnknownFunction);
    return name.empty() ? std::string() : "did you mean \"" + name + "\"?";
}

void AppendDefaultResult(std::string& out, const TResultsManager& results, Extended value)
{
    AppendLatin1AsUtf8(out, results.Items(results.DefaultIndex()).FormatValue(value));
    out.push_back('\n');
}

void AppendNamedResults(std::string& out, const TResultsManager& results, Extended value,
                        bool visibleOnly)
{
    for (const TResultProvider& format : TResultsEnumProvider(results, visibleOnly)) {
        AppendLatin1AsUtf8(out, format.GetName());
        out += ": ";
        AppendLatin1AsUtf8(out, format.FormatValue(value));
        out.push_back('\n');
    }
}

void AppendPorcelain(std::string& out, const TResultsManager& results, const TEvaluation& e)
{
    if (!e.Ok) {
        out += "error\t";
        out += std::to_string(e.Code);
        out.push_back('\t');
        out += std::to_string(e.Pos);
        out.push_back('\t');
        AppendField(out, e.Message);
        out.push_back('\n');
        return;
    }
    out += "ok\t";
    out += FormatValueC(e.Value);
    for (int i = 0; i < results.Count(); ++i) {
        out.push_back('\t');
        AppendField(out, results.Items(i).FormatValue(e.Value));
    }
    out.push_back('\n');
}

std::string FormatValueC(Extended value)
{
    char buffer[64];
    const locale_t previous = ::uselocale(CLocale());
    std::snprintf(buffer, sizeof buffer, "%.21Lg", value);
    ::uselocale(previous);
    return buffer;
}

std::string CaretLine(std::string_view latin1Expression, int pos, int indent)
{
    std::string line(static_cast<std::size_t>(indent > 0 ? indent : 0), ' ');
    const std::size_t end =
        std::min(static_cast<std::size_t>(pos > 0 ? pos : 0), latin1Expression.size());
    for (std::size_t i = 0; i < end; ++i)
        line.push_back(latin1Expression[i] == '\t' ? '\t' : ' ');
    // Past the end of the text the caret still goes one column further per character.
    for (std::size_t i = end; i < static_cast<std::size_t>(pos > 0 ? pos : 0); ++i)
        line.push_back(' ');
    line.push_back('^');
    return line;
}

} // namespace calc::cli
