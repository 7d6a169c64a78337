#include "core/CalcCore.h"

#include "core/IniFile.h"
#include "core/Paths.h"
#include "core/TextFile.h"
#include "definitions/ExprParserDefinitions.h"
#include "definitions/FileEnum.h"
#include "results/CalcResultRepresentations.h"
#include "results/NumberText.h"

#include <cerrno>
#include <cstdio>
#include <ostream>
#include <sys/stat.h>
#include <utility>

namespace calc {

namespace {

constexpr const char* kGeneral = "General";
constexpr const char* kHistory = "History";
constexpr const char* kResults = "Results";
constexpr const char* kEditor = "Editor";

std::string DefaultOptionsFileName()
{
    return SettingsDir() + kOptionsFileName;
}

std::string DefaultHistoryFileName()
{
    return SettingsDir() + kHistoryFileName;
}

/// Digits, name characters and blanks would change what expressions mean; a hand-edited options
/// file may hold them, the program's own dialogs never write them.
bool IsUsableSeparator(char c) noexcept
{
    return c != '\0' && !IsDigit(c) && !IsNameChar(c) && !IsSpaceChar(c);
}

TCharSet UsableSeparators(const TCharSet& set)
{
    TCharSet result;
    for (const char c : set.Text())
        if (IsUsableSeparator(c))
            result.Include(c);
    return result;
}

} // namespace

char DefaultListSeparator() noexcept
{
    return RegionalSettings().DecimalSeparator == '.' ? ',' : ';';
}

std::string CriticalErrorMessage(const std::string& parserMessage)
{
    // The evaluation was stopped under control, so the program goes on: the message no longer
    // announces that it ends.
    return "Critical error occured.\r\rIt may be caused by OS-error or program error, but "
           "generally occurs on too deep recursive function calling.\r\r" +
           parserMessage;
}

// ---------------------------------------------------------------------------------------------
// Creation and destruction

TCalcManager::TCalcManager(TCalcManagerSetup setup)
    : FHistory(std::make_unique<THistoryManager>(setup.HistoryFileName.empty()
                                                     ? DefaultHistoryFileName()
                                                     : std::move(setup.HistoryFileName)))
{
    AddStandardResultFormats(FResults);
    // A first start already has the default format every later start reads back ("Default=0"
    // is what the first options file holds), so copying the result works from the start.
    FResults.SetDefaultIndex(0);
    FResults.OnChange = [this](TResultsManager&, TResultChange kind) { ResultsChanged(kind); };
    FAutoEvaluate = true;
    // The user's decimal separator is the expressions' one until the options say otherwise.
    FParser.SetDecimalSeparators(TCharSet(std::string(1, RegionalSettings().DecimalSeparator)));
    FParser.SetListSeparator(DefaultListSeparator());
    if (setup.LoadDefinitions)
        LoadDefinitionGroups(ParserDefinitions());
    FFont = std::move(setup.DefaultFont);
    LoadOptions(setup.OptionsFileName.empty() ? DefaultOptionsFileName() : setup.OptionsFileName);
}

TCalcManager::~TCalcManager()
{
    FResults.OnChange = nullptr;
    if (FModified) {
        try {
            SaveOptions();
        }
        catch (const std::exception& e) {
            // Nobody is left to show a box to.
            std::fprintf(stderr, "Zembrical Calculator: %s\n", e.what());
        }
    }
    FHistory.reset(); // writes the history when saving is on
}

// ---------------------------------------------------------------------------------------------
// Events

void TCalcManager::SetOnAngleModeChange(TNotifyEvent handler)
{
    FOnAngleModeChange = std::move(handler);
    if (FOnAngleModeChange)
        FOnAngleModeChange(*this);
}

void TCalcManager::SetOnShowError(TMessageEvent handler)
{
    FOnShowError = std::move(handler);
    if (!FOnShowError)
        return;
    const std::vector<std::string> pending = std::exchange(FPendingErrors, {});
    for (const std::string& message : pending)
        FOnShowError(*this, message);
}

void TCalcManager::ShowError(const std::string& message)
{
    if (FOnShowError)
        FOnShowError(*this, message);
    else
        FPendingErrors.push_back(message);
}

void TCalcManager::ResultsChanged(TResultChange kind)
{
    FModified = true;
    if (OnResultsChange)
        OnResultsChange(*this, kind);
}

void TCalcManager::ReportStatus(int code, int pos, const std::string& message)
{
    if (OnStatus)
        OnStatus(*this, code, pos, message);
    if (OnEvaluated)
        OnEvaluated(*this, code, pos, message);
}

void TCalcManager::SettingsChanged()
{
    FModified = true;
    if (NotifyWindow)
        NotifyWindow(WM_SETTINGSCHANGED);
}

// ---------------------------------------------------------------------------------------------
// The expression

void TCalcManager::SetExpression(std::string text)
{
    if (text == FExpression)
        return;
    FExpression = std::move(text);
    FExpressionPending = true;
    if (FAutoEvaluate && Recalculate())
        FExpressionPending = false;
}

bool TCalcManager::Recalculate(TEvaluationRequest request)
{
    // A poll while an evaluation runs must not start another one on the same parser.
    if (FEvaluating)
        return false;
    FInterrupt.store(false);
    TInterruptLimits limits;
    limits.Flag = &FInterrupt;
    if (request == TEvaluationRequest::erTyping) {
        limits.Budget = kTypingBudget;
    }
    else if (OnEvaluationPoll) {
        limits.Poll = [this] { OnEvaluationPoll(*this); };
        limits.PollInterval = kEvaluationPollInterval;
    }
    bool ok = false;
    {
        const TInterruptScope scope(std::move(limits));
        FEvaluating = true;
        ok = FParser.TryEvaluate(FExpression); // lets nothing out
        FEvaluating = false;
    }
    if (ok) {
        FResults.SetValue(FParser.Value());
        ReportStatus(ceNone, 0, std::string(ErrorText(ceNone)));
        return true;
    }
    const std::string message = FParser.GetErrorMessage();
    if (FParser.ErrorCode() == ceCritical)
        ReportStatus(ceCritical, FParser.ErrorPos(), CriticalErrorMessage(message));
    else
        ReportStatus(FParser.ErrorCode(), FParser.ErrorPos(), message);
    return false;
}

void TCalcManager::Evaluate(bool refresh)
{
    if (!Recalculate(TEvaluationRequest::erCommand) || refresh)
        return;
    const Extended value = FParser.Value();
    FHistory->Add(FExpression, FResults.DefaultIndex(), value);
    if (!FExpressionPending) {
        // Not the decimal format's text: its separators and grouping are the desktop's.
        const std::string text = ValueToExpressionText(value);
        if (!text.empty())
            InsertText(text + "|", true);
    }
    FExpressionPending = false;
}

std::string TCalcManager::ValueToExpressionText(Extended value) const
{
    const std::string separators = DecimalSeparators().Text();
    const auto first = separators.find_first_not_of('\0');
    return ExpressionValueText(value, first == std::string::npos ? '\0' : separators[first]);
}

void TCalcManager::InsertText(const std::string& text, bool replace)
{
    if (!text.empty() && OnInsertText)
        OnInsertText(*this, text, replace, false);
}

void TCalcManager::InsertLiteralText(const std::string& text, bool replace)
{
    if (!text.empty() && OnInsertText)
        OnInsertText(*this, text, replace, true);
}

void TCalcManager::GotoError(int pos)
{
    if (OnGotoError)
        OnGotoError(*this, pos);
}

// ---------------------------------------------------------------------------------------------
// Options

void TCalcManager::SetAutoEvaluate(bool value)
{
    if (value == FAutoEvaluate)
        return;
    FAutoEvaluate = value;
    FModified = true;
    if (FAutoEvaluate)
        Recalculate();
}

void TCalcManager::SetAngleMode(TAngleMode value)
{
    if (value == FParser.AngleMode())
        return;
    FParser.SetAngleMode(value);
    FModified = true;
    if (FOnAngleModeChange)
        FOnAngleModeChange(*this);
    Recalculate();
}

std::string TCalcManager::AngleModeName(int mode)
{
    switch (mode) {
    case 0:
        return "Deg";
    case 1:
        return "Rad";
    case 2:
        return "Grad";
    default:
        return {};
    }
}

void TCalcManager::SetDecimalSeparators(const TCharSet& value)
{
    if (value == FParser.DecimalSeparators())
        return;
    FParser.SetDecimalSeparators(value);
    FModified = true;
}

void TCalcManager::SetListSeparator(char value)
{
    if (value == FParser.ListSeparator())
        return;
    FParser.SetListSeparator(value);
    FModified = true;
}

void TCalcManager::SetGradientTheme(bool value)
{
    if (value == FGradientTheme)
        return;
    FGradientTheme = value;
    SettingsChanged();
}

void TCalcManager::SetEditorAids(const TEditorAids& value)
{
    if (value == FEditorAids)
        return;
    FEditorAids = value;
    SettingsChanged();
}

void TCalcManager::SetFont(const TFontData& font)
{
    if (font == FFont)
        return;
    FFont = font;
    if (!FLoading)
        SettingsChanged();
}

namespace {

std::string JoinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\r") + line;
    return text;
}

/// One box for every failure of a load, each message quoted on its own line.
std::string LoadErrorMessage(const std::vector<std::string>& failures)
{
    std::string message = "Error loading options:\r";
    for (const std::string& failure : failures)
        message += "\r\"" + failure + "\"";
    return message;
}

} // namespace

void TCalcManager::LoadOptions(const std::string& fileName)
{
    FOptionsFileName = fileName;
    FOptionsUnreadable = false;
    std::string text;
    try {
        if (!ReadTextFile(fileName, text, kMaxIniFileSize))
            return; // a first start: the creation defaults stay, nothing is written unless changed
    }
    catch (const EException& e) {
        // The file is left as it is: defaults never replace what could not be read.
        FOptionsUnreadable = true;
        ShowError(LoadErrorMessage({e.what()}));
        return;
    }
    const std::vector<std::string> failures = ApplyOptions(text);
    if (failures.empty())
        return;
    ShowError(LoadErrorMessage(failures));
    // Rewritten with what was read; the original is kept beside it first, and without that
    // copy the original stays.
    try {
        WriteTextFileAtomic(fileName + ".bak", text);
        SaveOptionsToFile(fileName);
    }
    catch (const EException& saveError) {
        ShowError(saveError.what());
    }
}

void TCalcManager::LoadOptionsFromText(std::string_view text)
{
    if (const std::vector<std::string> failures = ApplyOptions(text); !failures.empty())
        throw EException(JoinLines(failures));
}

void TCalcManager::LoadOptionsFromStream(std::istream& stream)
{
    TIniFile ini;
    ini.LoadFromStream(stream);
    if (const std::vector<std::string> failures = ApplyOptions(ini); !failures.empty())
        throw EException(JoinLines(failures));
}

std::vector<std::string> TCalcManager::ApplyOptions(std::string_view text)
{
    TIniFile ini;
    ini.LoadFromText(text);
    return ApplyOptions(ini);
}

namespace {

/// Runs one step of a load; a failure is noted and costs no other step.
template <class Step> void TryStep(std::vector<std::string>& failures, Step&& step)
{
    try {
        step();
    }
    catch (const EException& e) {
        failures.emplace_back(e.what());
    }
}

} // namespace

std::vector<std::string> TCalcManager::ApplyOptions(const TIniFile& ini)
{
    FLoading = true;
    FResults.BeginUpdate();
    // Always undone, also when a key fails.
    struct TFinally {
        TCalcManager& Manager;
        ~TFinally()
        {
            Manager.FResults.EndUpdate();
            Manager.FLoading = false;
        }
    };
    std::vector<std::string> failures;
    {
        const TFinally finally{*this};
        ApplyGeneralOptions(ini, failures);
        // A history file that cannot be read keeps the option on; the history leaves that
        // file alone for the session.
        TryStep(failures,
                [&] { FHistory->SetLoadHistory(ini.ReadBool(kHistory, "LoadHistory", true)); });
        for (int i = 0; i < FResults.Count(); ++i)
            TryStep(failures, [&] {
                const std::string settings = ini.ReadString(kResults, std::to_string(i), "");
                if (!settings.empty())
                    FResults.Items(i).SetSettingsText(settings);
            });
        FResults.SetDefaultIndex(ini.ReadInteger(kResults, "Default", -1));
        TryStep(failures, [&] {
            FResults.SetRightAlign(ini.ReadBool(kResults, "RightAlign", FResults.RightAlign()));
        });
    }
    SettingsChanged();
    // What failed still differs from the file, so it is written again.
    FModified = !failures.empty();
    return failures;
}

void TCalcManager::ApplyGeneralOptions(const TIniFile& ini, std::vector<std::string>& failures)
{
    TryStep(failures, [&] {
        TFontData font = FFont;
        try {
            ReadFont(ini, kGeneral, "ExpressionFont", font);
        }
        catch (const EException&) {
            SetFont(font); // the fields read before a bad one are applied all the same
            throw;
        }
        SetFont(font);
    });
    TryStep(failures,
            [&] { SetAutoEvaluate(ini.ReadBool(kGeneral, "AutoEvaluate", FAutoEvaluate)); });
    TryStep(failures, [&] {
        const int mode = ini.ReadInteger(kGeneral, "AngleMode", static_cast<int>(AngleMode()));
        // Only the three modes exist; anything else in a hand-edited file is ignored.
        if (mode >= 0 && mode <= 2)
            SetAngleMode(static_cast<TAngleMode>(mode));
    });
    const TCharSet decimals = UsableSeparators(
        ini.ReadCharSet(kGeneral, "DecimalSeparator",
                        TCharSet(std::string(1, RegionalSettings().DecimalSeparator))));
    if (!decimals.Empty())
        FParser.SetDecimalSeparators(decimals);
    const std::string list = ini.ReadString(kGeneral, "ListSeparator", "");
    FParser.SetListSeparator(!list.empty() && IsUsableSeparator(list[0]) ? list[0]
                                                                         : DefaultListSeparator());
    TryStep(failures, [&] { SetGradientTheme(ini.ReadBool(kGeneral, "GradientTheme", true)); });
    // Each switch on its own, so that a bad value leaves the others as written.
    TEditorAids aids;
    TryStep(failures, [&] { aids.Highlighting = ini.ReadBool(kEditor, "Highlighting", true); });
    TryStep(failures, [&] { aids.ErrorMarks = ini.ReadBool(kEditor, "ErrorMarks", true); });
    TryStep(failures, [&] { aids.Suggestions = ini.ReadBool(kEditor, "Suggestions", true); });
    TryStep(failures, [&] { aids.Completion = ini.ReadBool(kEditor, "Completion", true); });
    TryStep(failures, [&] { aids.SignatureHints = ini.ReadBool(kEditor, "SignatureHints", true); });
    SetEditorAids(aids);
}

void TCalcManager::SaveOptions()
{
    if (FOptionsFileName.empty())
        throw EException("Couldn't save options: filename is empty");
    SaveOptionsToFile(FOptionsFileName);
}

void TCalcManager::SaveChangedOptions()
{
    if (!FModified)
        return;
    SaveOptions();
    FModified = false;
}

void TCalcManager::SaveHistory()
{
    FHistory->SaveHistory();
}

void TCalcManager::SkipExitSaves()
{
    FModified = false;
    // Without a file name the history writes nothing when it goes.
    FHistory->SetFileName({});
}

void TCalcManager::SaveOptionsToFile(const std::string& fileName)
{
    // The options never overwrite a file they could not read; one that is gone since may be
    // written again.
    if (FOptionsUnreadable && fileName == FOptionsFileName) {
        struct stat st {};
        if (::lstat(fileName.c_str(), &st) == 0 || errno != ENOENT)
            throw EException(Format("Couldn't save options: \"%s\" could not be read, so it is "
                                    "left as it is",
                                    fileName.c_str()));
    }
    BuildOptions().SaveToFile(fileName);
    FOptionsFileName = fileName;
    FOptionsUnreadable = false;
}

std::string TCalcManager::SaveOptionsToText() const
{
    return BuildOptions().SaveToText();
}

TIniFile TCalcManager::BuildOptions() const
{
    TIniFile ini;
    WriteFont(ini, kGeneral, "ExpressionFont", FFont);
    ini.WriteBool(kGeneral, "AutoEvaluate", FAutoEvaluate);
    ini.WriteInteger(kGeneral, "AngleMode", static_cast<int>(AngleMode()));
    ini.WriteCharSet(kGeneral, "DecimalSeparator", DecimalSeparators());
    ini.WriteString(kGeneral, "ListSeparator", std::string(1, ListSeparator()));
    ini.WriteBool(kGeneral, "GradientTheme", FGradientTheme);
    ini.WriteBool(kHistory, "LoadHistory", FHistory->LoadHistory());
    for (int i = 0; i < FResults.Count(); ++i)
        ini.WriteString(kResults, std::to_string(i), FResults.Items(i).SettingsText());
    ini.WriteInteger(kResults, "Default", FResults.DefaultIndex());
    ini.WriteBool(kResults, "RightAlign", FResults.RightAlign());
    // Only the switches turned off are written: with all on, the file is as it always was.
    const std::pair<const char*, bool> aids[] = {{"Highlighting", FEditorAids.Highlighting},
                                                 {"ErrorMarks", FEditorAids.ErrorMarks},
                                                 {"Suggestions", FEditorAids.Suggestions},
                                                 {"Completion", FEditorAids.Completion},
                                                 {"SignatureHints", FEditorAids.SignatureHints}};
    for (const auto& [key, on] : aids)
        if (!on)
            ini.WriteBool(kEditor, key, false);
    return ini;
}

void TCalcManager::SaveOptionsToStream(std::ostream& stream) const
{
    const std::string text = SaveOptionsToText();
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!stream)
        throw EException("Couldn't save options: the stream refused the text");
}

} // namespace calc
