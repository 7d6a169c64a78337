#pragma once

#include <QPointer>
#include <QStringList>
#include <QToolBar>

class QMenu;
class QToolButton;

namespace calc {

/// A one-row toolbar of captioned buttons, drawn in a gradient or in the style's own look.
/// Buttons that do not fit are hidden behind a chevron at the right end, whose drop-down menu
/// lists them in order; a button with a drop-down list appears there as a sub-menu.
class TAdvToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit TAdvToolBar(const QString& title, QWidget* parent = nullptr);

    [[nodiscard]] bool Gradient() const noexcept { return FGradient; }
    void SetGradient(bool value);
    /// A line along the top edge, separating the bar from a menu bar above it.
    [[nodiscard]] bool TopEdge() const noexcept { return FTopEdge; }
    void SetTopEdge(bool value);

    /// A button bound to the action (a check button when the action is checkable).
    QToolButton* AddButton(QAction* action);
    /// A button that runs the action, with an arrow part that drops the menu down.
    QToolButton* AddSplitButton(QAction* action, QMenu* menu);
    /// A button whose whole face drops the menu down; the action gives caption and state.
    QToolButton* AddDropDownButton(QAction* action, QMenu* menu);

    /// Keeps the button as wide as its widest caption, so that the buttons after it stay put
    /// when its caption changes.
    void FitCaptions(QToolButton* button, const QStringList& captions);

    /// The button at the right end that shows while some buttons do not fit.
    [[nodiscard]] QToolButton* Chevron() const noexcept { return FChevron; }
    [[nodiscard]] QMenu* ChevronMenu() const noexcept { return FChevronMenu; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool FGradient = false;
    bool FTopEdge = false;
    QToolButton* FChevron = nullptr;
    QMenu* FChevronMenu = nullptr;

    void FillChevronMenu();
    void RefitCaptions();

    QList<QPair<QPointer<QToolButton>, QStringList>> FFitted;
};

/// Adds an item to the menu that stands for source: same caption, shortcut text, enabled and
/// checked state, and choosing it triggers source. Its own font can mark it as the default.
QAction* AddProxyItem(QMenu* menu, QAction* source, bool isDefault = false);
/// Draws a menu item in bold as the default entry of its menu, or plain.
void SetDefaultItem(QAction* item, bool isDefault);
[[nodiscard]] bool IsDefaultItem(const QAction* item);

} // namespace calc
