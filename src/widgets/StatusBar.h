#pragma once

#include <QStatusBar>

namespace calc {

class TStatusPanel;

/// One owner-drawn panel across the bar with the last status: bold, red for an error, cut with
/// an ellipsis when too long and readable in full in its tooltip. While the mouse rests on an
/// item with a long hint, the bar shows that hint instead.
class TStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr);

    /// Shows a new status and leaves the hint display.
    void SetStatus(bool isError, int pos, const QString& text);
    [[nodiscard]] bool IsError() const noexcept { return FIsError; }
    [[nodiscard]] int ErrorPos() const noexcept { return FErrorPos; }
    [[nodiscard]] const QString& StatusText() const noexcept { return FText; }
    /// The color the status text is drawn in.
    [[nodiscard]] QColor TextColor() const;

    /// A long hint that is empty or equals the status tooltip brings the status panel back.
    void ShowHint(const QString& hint);
    /// Whether the bar shows a hint instead of the status panel.
    [[nodiscard]] bool ShowsHint() const { return !currentMessage().isEmpty(); }

signals:
    /// The user double-clicked the bar while it showed an error.
    void ErrorDoubleClicked(int pos);

private:
    friend class TStatusPanel;
    void PanelDoubleClicked();

    TStatusPanel* FPanel;
    bool FIsError = false;
    int FErrorPos = 0;
    QString FText;
};

/// The red of error texts, readable on light and on dark backgrounds.
[[nodiscard]] QColor ErrorTextColor(const QPalette& palette);

} // namespace calc
