#pragma once

#include "core/CalcHistory.h"
#include "core/FontText.h"
#include "core/Paths.h"
#include "engine/EvalInterrupt.h"
#include "engine/ExprParser.h"
#include "results/CalcResultProvider.h"

#include <chrono>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace calc {

class TIniFile;

/// The settings-changed notification the manager sends its notify window: font, toolbar style
/// and layout are to be applied again.
inline constexpr int WM_SETTINGSCHANGED = 1801;

/// A plain 10-point sans-serif font, for hosts that have nothing better to offer.
[[nodiscard]] inline TFontData DefaultUiFont()
{
    TFontData font;
    font.Name = "Sans Serif";
    font.Size = 10;
    return font;
}

/// How an evaluation was asked for, which decides how long it may take.
enum class TEvaluationRequest {
    erTyping,  ///< on its own, while the user types or changes a setting: a short budget
    erCommand, ///< the user's evaluate command: no time limit, but polled and stoppable
};

/// Evaluation on typing gives up after this long, so no keystroke holds the window up longer.
inline constexpr std::chrono::milliseconds kTypingBudget{1000};
/// How often a commanded evaluation calls OnEvaluationPoll.
inline constexpr std::chrono::milliseconds kEvaluationPollInterval{50};

/// Where the manager finds its files; empty texts stand for the usual places.
struct TCalcManagerSetup {
    std::string OptionsFileName;             ///< default: the settings folder + "Options.ini"
    std::string HistoryFileName;             ///< default: the settings folder + "History.txt"
    bool LoadDefinitions = true;             ///< load the definition files at creation
    TFontData DefaultFont = DefaultUiFont(); ///< the host's user-interface font
};

/// Ties the calculator together: the engine, the result formats with the current value, the
/// history, the expression font and the options. One per process.
/// The helps of the expression line beyond the plain editor; each can be switched off.
struct TEditorAids {
    bool Highlighting = true;
    bool ErrorMarks = true;
    bool Suggestions = true;
    bool Completion = true;
    bool SignatureHints = true;
    bool operator==(const TEditorAids&) const = default;
};

class TCalcManager {
public:
    using TResultsChangeEvent = std::function<void(TCalcManager& sender, TResultChange kind)>;
    using TNotifyEvent = std::function<void(TCalcManager& sender)>;
    /// literal: the text goes in as it is; otherwise its first "|" marks where the caret goes.
    using TInsertTextEvent = std::function<void(TCalcManager& sender, const std::string& text,
                                                bool replace, bool literal)>;
    using TGotoErrorEvent = std::function<void(TCalcManager& sender, int pos)>;
    using TStatusEvent =
        std::function<void(TCalcManager& sender, int code, int pos, const std::string& message)>;
    using TMessageEvent = std::function<void(TCalcManager& sender, const std::string& message)>;
    using TWindowMessage = std::function<void(int message)>;

    explicit TCalcManager(TCalcManagerSetup setup = {});
    /// Writes the options when they changed, then the history when saving is on, unless
    /// SkipExitSaves said otherwise; failures go to standard error.
    ~TCalcManager();
    TCalcManager(const TCalcManager&) = delete;
    TCalcManager& operator=(const TCalcManager&) = delete;

    // Events, one listener each.
    TResultsChangeEvent OnResultsChange;
    TInsertTextEvent OnInsertText;
    TGotoErrorEvent OnGotoError;
    TStatusEvent OnStatus;
    /// Told every outcome too, after OnStatus: for the expression line's error mark.
    TStatusEvent OnEvaluated;
    [[nodiscard]] const TNotifyEvent& OnAngleModeChange() const noexcept
    {
        return FOnAngleModeChange;
    }
    /// A new listener is called at once, so that it shows the current mode.
    void SetOnAngleModeChange(TNotifyEvent handler);
    /// Shows an error box (caption "Error"); messages raised before a listener exists (while
    /// the options load at creation) are delivered when one is set.
    [[nodiscard]] const TMessageEvent& OnShowError() const noexcept { return FOnShowError; }
    void SetOnShowError(TMessageEvent handler);
    /// Receives WM_SETTINGSCHANGED, synchronously.
    TWindowMessage NotifyWindow;
    /// Called about every kEvaluationPollInterval while a commanded evaluation runs, so that
    /// the window can repaint and stop it with CancelEvaluation; it must not start another
    /// evaluation.
    TNotifyEvent OnEvaluationPoll;

    [[nodiscard]] TExpressionParser& Parser() noexcept { return FParser; }
    [[nodiscard]] TResultsManager& Results() noexcept { return FResults; }
    [[nodiscard]] const TResultsManager& Results() const noexcept { return FResults; }
    [[nodiscard]] THistoryManager& History() noexcept { return *FHistory; }

    // The expression.
    [[nodiscard]] const std::string& Expression() const noexcept { return FExpression; }
    void SetExpression(std::string text);
    [[nodiscard]] bool ExpressionPending() const noexcept { return FExpressionPending; }
    /// Evaluates the current expression and reports the outcome; true on success. Does nothing
    /// and answers false while an evaluation is already running.
    bool Recalculate(TEvaluationRequest request = TEvaluationRequest::erTyping);
    /// Stops the evaluation in progress with "Calculation interrupted"; safe from another
    /// thread.
    void CancelEvaluation() noexcept { FInterrupt.store(true); }
    [[nodiscard]] bool Evaluating() const noexcept { return FEvaluating; }
    /// The user's evaluate command: Refresh only re-evaluates; otherwise a success is recorded
    /// in the history, and a result already on screen replaces the expression.
    void Evaluate(bool refresh);
    /// Puts text into the expression line; its first "|" marks where the caret goes, as in the
    /// program's own templates ("sin(|)").
    void InsertText(const std::string& text, bool replace);
    /// Puts text into the expression line exactly as it is: what the user typed once (a history
    /// entry) may hold "|" as an operator.
    void InsertLiteralText(const std::string& text, bool replace);
    /// The value as text to write into the expression: it reads back as the same value under
    /// the calculator's separators, whatever the desktop's; empty for a value without a literal.
    [[nodiscard]] std::string ValueToExpressionText(Extended value) const;
    void GotoError(int pos);

    // Options.
    [[nodiscard]] bool AutoEvaluate() const noexcept { return FAutoEvaluate; }
    void SetAutoEvaluate(bool value);
    [[nodiscard]] TAngleMode AngleMode() const noexcept { return FParser.AngleMode(); }
    void SetAngleMode(TAngleMode value);
    [[nodiscard]] static std::string AngleModeName(int mode);
    [[nodiscard]] std::string AngleModeName() const
    {
        return AngleModeName(static_cast<int>(AngleMode()));
    }
    [[nodiscard]] const TCharSet& DecimalSeparators() const noexcept
    {
        return FParser.DecimalSeparators();
    }
    void SetDecimalSeparators(const TCharSet& value);
    [[nodiscard]] char ListSeparator() const noexcept { return FParser.ListSeparator(); }
    void SetListSeparator(char value);
    [[nodiscard]] bool GradientTheme() const noexcept { return FGradientTheme; }
    void SetGradientTheme(bool value);
    [[nodiscard]] const TEditorAids& EditorAids() const noexcept { return FEditorAids; }
    void SetEditorAids(const TEditorAids& value);
    [[nodiscard]] const TFontData& Font() const noexcept { return FFont; }
    void SetFont(const TFontData& font);

    [[nodiscard]] bool Modified() const noexcept { return FModified; }
    void SetModified(bool value) noexcept { FModified = value; }
    /// Marks the options changed and tells the notify window to apply them.
    void SettingsChanged();

    [[nodiscard]] const std::string& OptionsFileName() const noexcept { return FOptionsFileName; }
    /// Reads the options file when it exists. Every key that can be read is applied; the
    /// failures are shown in one error box, the original is kept as "Options.ini.bak" and the
    /// file is written again with what was read. A file that cannot be read at all is reported
    /// and left alone: the options are not saved over it this session.
    void LoadOptions(const std::string& fileName);
    /// Reads options: every key that can be read is applied, then the failures, if any, are
    /// raised together as one EException (one message per line).
    void LoadOptionsFromStream(std::istream& stream);
    void LoadOptionsFromText(std::string_view text);
    void SaveOptions();
    /// The saves the destructor would make, for a caller that can put a failure to the user:
    /// the options when they changed, then the history when saving is on. A failed save
    /// raises EException and stays due.
    void SaveChangedOptions();
    void SaveHistory();
    /// Leaves the destructor nothing to write: the caller made those saves or gave them up.
    /// Options changed later are still written; the history no longer is.
    void SkipExitSaves();
    void SaveOptionsToFile(const std::string& fileName);
    void SaveOptionsToStream(std::ostream& stream) const;
    [[nodiscard]] std::string SaveOptionsToText() const;

private:
    [[nodiscard]] TIniFile BuildOptions() const;
    /// Applies every key it can; answers the messages of those that failed.
    std::vector<std::string> ApplyOptions(std::string_view text);
    std::vector<std::string> ApplyOptions(const TIniFile& ini);
    void ApplyGeneralOptions(const TIniFile& ini, std::vector<std::string>& failures);
    void ResultsChanged(TResultChange kind);
    void ReportStatus(int code, int pos, const std::string& message);
    void ShowError(const std::string& message);

    TExpressionParser FParser;
    std::unique_ptr<THistoryManager> FHistory;
    TResultsManager FResults;
    std::string FExpression;
    bool FExpressionPending = false;
    bool FEvaluating = false;
    TInterruptFlag FInterrupt{false};
    bool FLoading = false;
    bool FAutoEvaluate = false;
    bool FGradientTheme = false;
    TEditorAids FEditorAids;
    bool FModified = false;
    std::string FOptionsFileName;
    bool FOptionsUnreadable = false; ///< the options file exists but could not be read
    TFontData FFont;
    TNotifyEvent FOnAngleModeChange;
    TMessageEvent FOnShowError;
    std::vector<std::string> FPendingErrors;
};

/// The system's decimal separator decides the list separator the options default to.
[[nodiscard]] char DefaultListSeparator() noexcept;

/// The status message of a critical failure, followed by the parser's own message.
[[nodiscard]] std::string CriticalErrorMessage(const std::string& parserMessage);

} // namespace calc
