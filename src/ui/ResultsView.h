#pragma once

#include "ui/FrameFocus.h"

#include <QGroupBox>
#include <QList>
#include <QWidget>
#include <vector>

class QMenu;
class QVBoxLayout;

namespace calc {

class TCalcManager;
class TResultProvider;
class TRightAlignEdit;
enum class TResultChange;

/// A captioned box showing the current value in one result format.
class TResultBox final : public QGroupBox {
    Q_OBJECT
public:
    TResultBox(TResultProvider& format, const QFont& textFont, QWidget* parent);

    [[nodiscard]] TResultProvider& Format() const noexcept { return FFormat; }
    [[nodiscard]] TRightAlignEdit* Field() const noexcept { return FField; }
    /// Bold caption for the default format.
    void SetDefaultMark(bool value);

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FitToFrame();
    void PlaceField();

    TResultProvider& FFormat;
    TRightAlignEdit* FField;
    int FFieldTop = 0;
};

/// Shows the current value in every visible result format, one box each in display order.
/// The view is always exactly as tall as its boxes, and the window grows and shrinks with it.
class TfrmResultsView : public QWidget, public IFrameFocus {
    Q_OBJECT
public:
    /// The two commands of the main window its pop-up menu offers.
    TfrmResultsView(TCalcManager& manager, QAction* copyResult, QAction* resultFormats,
                    QWidget* parent = nullptr);
    ~TfrmResultsView() override;

    /// The text field of the default format's box; none when no box shows it.
    [[nodiscard]] QWidget* GetFocusControl() const override;
    /// The boxes in display order.
    [[nodiscard]] QList<TResultBox*> Boxes() const;

    /// The manager's settings changed: the boxes are built again in the new font.
    void SettingsChanged() override;
    void RebuildBoxes();
    void RefreshTexts();
    void UpdateDefaultMarks();
    void ApplyAlignment();
    /// Focuses and selects the box's text and makes its format the default.
    void SelectResult(TResultBox* box);

    /// Builds the pop-up menu for a box (or for the view itself when box is none).
    QMenu* CreatePopup(TResultBox* box);

signals:
    /// The default format changed (commands that depend on it are to be refreshed).
    void DefaultChanged();
    /// The view became delta pixels taller (shorter when negative); the window is to follow.
    void HeightChanged(int delta);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void ResultsChanged(TResultChange kind);
    /// Makes the view as tall as its boxes and reports the change.
    void FitHeight(int total);
    [[nodiscard]] TResultBox* BoxAt(QWidget* widget) const;
    void CopyAllResults() const;

    TCalcManager& FManager;
    QAction* FCopyResult;
    QAction* FResultFormats;
    QVBoxLayout* FLayout;
    std::vector<TResultBox*> FBoxes;
    QMenu* FPopup = nullptr;
    bool FConstructing = true;
};

} // namespace calc
