#pragma once

#include "core/CalcCore.h"
#include "core/Paths.h"
#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprParserFunc.h"
#include "ui/CoreText.h"
#include "ui/ExpressionView.h"
#include "ui/Main.h"
#include "ui/ResultsView.h"
#include "widgets/ListCtrl.h"
#include "widgets/MessageBoxes.h"
#include "widgets/RightAlignEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
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

namespace calc::test {

/// The expression line above a tool view, in one window, as the main window has them.
template <class TView> class TToolHost final : public QWidget {
public:
    /// args: what the view takes between the manager and its parent.
    template <class... TArgs> TToolHost(QSize size, TCalcManager& manager, TArgs... args)
    {
        auto* layout = new QVBoxLayout(this);
        Expression = new TfrmExpressionView(manager, this);
        View = new TView(manager, args..., this);
        layout->addWidget(Expression);
        layout->addWidget(View, 1);
        resize(size);
    }

    [[nodiscard]] TListCtrl& List() const { return *View->List(); }
    [[nodiscard]] QLineEdit* Line() const
    {
        return qobject_cast<QLineEdit*>(Expression->GetFocusControl());
    }

    TfrmExpressionView* Expression;
    TView* View;
};

/// The texts of a column as the list shows them, top to bottom.
inline QStringList ColumnTexts(const TListCtrl& list, int column = 0)
{
    QStringList texts;
    for (int row = 0; row < list.model()->rowCount(); ++row)
        texts << list.model()->index(row, column).data().toString();
    return texts;
}

/// Runs one test object's tests.
template <class TTest> int ExecTest(int argc, char* argv[])
{
    TTest test;
    return QTest::qExec(&test, argc, argv);
}

/// Runs each test object's tests in turn; non-zero when any failed.
template <class... TTests> int ExecTests(int argc, char* argv[])
{
    int status = 0;
    ((status |= ExecTest<TTests>(argc, argv)), ...); // the comma keeps them in order
    return status;
}

} // namespace calc::test

/// A test program whose widgets need no display, running the given test classes in turn;
/// whatever it writes goes to a folder that is removed at the end.
#define ZEMBRICAL_UI_TEST_MAIN(...)                                                                \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        const QTemporaryDir config;                                                                \
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());                                   \
        qputenv("XDG_DATA_HOME", config.path().toLocal8Bit());                                     \
        QApplication app(argc, argv);                                                              \
        return calc::test::ExecTests<__VA_ARGS__>(argc, argv);                                     \
    }
