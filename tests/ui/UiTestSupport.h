#pragma once

#include "core/CalcCore.h"
#include "core/Paths.h"
#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprParserFunc.h"
#include "ui/CoreText.h"
#include "ui/ExpressionView.h"
#include "ui/Main.h"
#include "ui/ResultsView.h"
#include "widgets/MessageBoxes.h"
#include "widgets/RightAlignEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

namespace calc::test {

/// Message boxes that record what they were asked and answer at once.
class TRecordingBoxes final : public IMessageBoxes {
public:
    QStringList Errors;
    QStringList RetryErrors;
    QStringList Confirmations;
    QStringList Informations;
    bool ConfirmAnswer = true;
    /// Answers a Retry/Cancel box, true for Retry; none answers Cancel.
    std::function<bool(const QString& text)> RetryAnswer;

    void ShowError(QWidget*, const QString& text) override { Errors << text; }
    bool RetryError(QWidget*, const QString& text) override
    {
        RetryErrors << text;
        return RetryAnswer && RetryAnswer(text);
    }
    bool Confirm(QWidget*, const QString& text) override
    {
        Confirmations << text;
        return ConfirmAnswer;
    }
    void ShowInformation(QWidget*, const QString& caption, const QString& text) override
    {
        Informations << caption + QLatin1Char('\n') + text;
    }
};

/// A fresh settings folder, recording message boxes, invariant regional settings, the
/// built-ins without user definitions, and a calculator manager on top of them. Everything is
/// undone when it goes.
class TUiEnvironment {
public:
    /// options: the text of "Options.ini" to start with; empty for a first start.
    explicit TUiEnvironment(const QByteArray& options = {})
    {
        static const bool registered = [] {
            RegisterBuiltIns(ParserDefinitions());
            return true;
        }();
        (void)registered;
        ParserDefinitions().ClearGroups();
        FSavedRegional = RegionalSettings();
        RegionalSettings() = TRegionalSettings{};
        SetSettingsDirOverride(ToCore(FDir.path()) + "/");
        SetMessageBoxes(&Boxes);
        if (!options.isEmpty()) {
            QFile file(Path(QStringLiteral("Options.ini")));
            if (file.open(QIODevice::WriteOnly))
                file.write(options);
        }
        TCalcManagerSetup setup;
        setup.OptionsFileName = ToCore(Path(QStringLiteral("Options.ini")));
        setup.HistoryFileName = ToCore(Path(QStringLiteral("History.txt")));
        setup.LoadDefinitions = false;
        setup.DefaultFont = FontDataFromQFont(QApplication::font());
        Manager = std::make_unique<TCalcManager>(std::move(setup));
    }
    TUiEnvironment(const TUiEnvironment&) = delete;
    TUiEnvironment& operator=(const TUiEnvironment&) = delete;
    ~TUiEnvironment()
    {
        Manager.reset();
        SetMessageBoxes(nullptr);
        SetSettingsDirOverride({});
        RegionalSettings() = FSavedRegional;
        ParserDefinitions().ClearGroups();
        QGuiApplication::clipboard()->clear();
    }

    [[nodiscard]] QString Path(const QString& name) const { return FDir.filePath(name); }

    TRecordingBoxes Boxes;
    std::unique_ptr<TCalcManager> Manager;

private:
    QTemporaryDir FDir;
    TRegionalSettings FSavedRegional;
};

/// A column of the current test data row, where a declaration does not fit.
template <class T> T Fetch(const char* column)
{
    return *static_cast<T*>(QTest::qData(column, qMetaTypeId<T>()));
}

/// The expression editor of a window or view.
inline QWidget* Editor(const TfrmExpressionView& view)
{
    return view.GetFocusControl();
}

/// The text shown in a window's result box of the given caption, or a null string.
inline QString ResultText(const TfrmResultsView& view, const QString& name)
{
    for (const TResultBox* box : view.Boxes())
        if (box->title() == QLatin1Char(' ') + name + QLatin1Char(' '))
            return box->Field()->text();
    return {};
}

/// A main window shown on the offscreen screen, with its first focus settled.
inline std::unique_ptr<TfrmCalculator> ShowWindow(TCalcManager& manager)
{
    auto window = std::make_unique<TfrmCalculator>(manager);
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        return nullptr;
    QCoreApplication::processEvents();
    return window;
}

/// The pop-up menu a right click on the widget opens (closed again by the caller).
inline QMenu* OpenContextMenu(QWidget* widget, QPoint pos = {5, 5})
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, widget->mapToGlobal(pos));
    QApplication::sendEvent(widget, &event);
    QCoreApplication::processEvents();
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

inline QAction* FindAction(const QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

} // namespace calc::test

/// A test program whose widgets need no display; whatever it writes goes to a folder that is
/// removed at the end.
#define ZEMBRICAL_UI_TEST_MAIN(TestClass)                                                          \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        const QTemporaryDir config;                                                                \
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());                                   \
        qputenv("XDG_DATA_HOME", config.path().toLocal8Bit());                                     \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
