#include "UiTestSupport.h"
#include "core/IniFile.h"
#include "ui/Layout.h"
#include "ui/ToolsArea.h"

#include <QListWidget>
#include <QScreen>
#include <QSplitter>
#include <QTabBar>
#include <QVBoxLayout>

using namespace calc;
using namespace calc::test;

namespace {

/// A tool view with a list to focus, counting the settings changes it was told of.
class TProbeView final : public QWidget, public IFrameFocus {
public:
    explicit TProbeView(const QString& name, QWidget* parent) : QWidget(parent)
    {
        setObjectName(name);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        FList = new QListWidget(this);
        FList->addItems({QStringLiteral("one"), QStringLiteral("two")});
        layout->addWidget(FList);
    }
    [[nodiscard]] QWidget* GetFocusControl() const override { return FList; }
    void SettingsChanged() override { ++SettingsChanges; }

    int SettingsChanges = 0;

private:
    QListWidget* FList;
};

TFrameActn::TFrameFactory Probe(const QString& name)
{
    return [name](QWidget* parent) { return new TProbeView(name, parent); };
}

} // namespace

class TestToolsArea : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TUiEnvironment> FEnv;
    std::unique_ptr<TfrmCalculator> FWindow;

    TfrmCalculator& Open(bool probes = true)
    {
        if (!FEnv)
            FEnv = std::make_unique<TUiEnvironment>();
        FWindow = std::make_unique<TfrmCalculator>(*FEnv->Manager);
        if (probes)
            UseProbes();
        FWindow->show();
        FWindow->activateWindow();
        if (!QTest::qWaitForWindowActive(FWindow.get()))
            qWarning("the window did not become active");
        Idle();
        return *FWindow;
    }
    /// The window's tool views stand in for whatever views the program has.
    void UseProbes()
    {
        FWindow->actnHistory->SetFrameFactory(Probe(QStringLiteral("HistoryProbe")));
        FWindow->actnDefinitions->SetFrameFactory(Probe(QStringLiteral("DefinitionsProbe")));
        FWindow->ToolsArea()->SetFrameActions(FWindow->FrameActions());
    }
    /// Closes the window as the user would, which saves the layout.
    void CloseWindow()
    {
        FWindow->close();
        FWindow.reset();
    }
    static void Idle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    TToolsArea& Area() { return *FWindow->ToolsArea(); }
    QWidget* Line() { return Editor(*FWindow->ExpressionView()); }
    QWidget* ToolView() { return Area().ToolView(); }
    int MainHeight() { return FWindow->MainPanel()->height(); }
    int ToolsPanelHeight() { return Area().ToolsPanel()->height(); }

    /// Presses and releases a key where the user's keys go, each at its own moment.
    static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget();
        QVERIFY(target != nullptr);
        QTest::keyPress(target, key, modifiers);
        target = QApplication::focusWidget();
        QVERIFY(target != nullptr);
        QTest::keyRelease(target, key, modifiers);
        Idle();
    }
    [[nodiscard]] QString FocusedView() const
    {
        QWidget* focused = QApplication::focusWidget();
        for (QWidget* w = focused; w != nullptr; w = w->parentWidget())
            if (dynamic_cast<IFrameFocus*>(w) != nullptr)
                return w->objectName();
        return {};
    }
    [[nodiscard]] QString LayoutFile() const { return FEnv->Path(QStringLiteral("Layout.ini")); }
    void WriteLayout(const QByteArray& text) const
    {
        QFile file(LayoutFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

private slots:
    void cleanup()
    {
        FWindow.reset();
        FEnv.reset();
    }

    void theToolCommandOpensAndClosesItsView()
    {
        Open();
        Key(Qt::Key_H, Qt::ControlModifier);
        QVERIFY(Area().ToolsVisible());
        QCOMPARE(FocusedView(), QStringLiteral("HistoryProbe"));
        QVERIFY(FWindow->actnHistory->isChecked());
        QCOMPARE(Area().TabRow()->currentIndex(), 0);
        QCOMPARE(FWindow->ToolIndex(), 0);

        Key(Qt::Key_H, Qt::ControlModifier);
        QVERIFY(!Area().ToolsVisible());
        QVERIFY(!FWindow->actnHistory->isChecked());
        QCOMPARE(QApplication::focusWidget(), Line());
        QCOMPARE(FWindow->ToolIndex(), -1);

        Key(Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(FocusedView(), QStringLiteral("DefinitionsProbe"));
        QCOMPARE(Area().TabRow()->currentIndex(), 1);
        QVERIFY(FWindow->actnDefinitions->isChecked());
        QVERIFY(!FWindow->actnHistory->isChecked());
    }

    void anotherToolReplacesTheViewAndKeepsTheHeights()
    {
        Open();
        FWindow->actnHistory->trigger();
        Idle();
        const int window = FWindow->height();
        const int main = MainHeight();
        const int tools = ToolsPanelHeight();
        FWindow->actnDefinitions->trigger();
        Idle();
        QCOMPARE(ToolView()->objectName(), QStringLiteral("DefinitionsProbe"));
        QCOMPARE(FWindow->findChildren<QWidget*>(QStringLiteral("HistoryProbe")).size(), 0);
        QCOMPARE(FWindow->findChildren<QWidget*>(QStringLiteral("DefinitionsProbe")).size(), 1);
        QCOMPARE(FWindow->height(), window);
        QCOMPARE(MainHeight(), main);
        QCOMPARE(ToolsPanelHeight(), tools);
        QVERIFY(FWindow->updatesEnabled());
    }

    void openingGrowsTheWindowByTheToolsHeight()
    {
        Open();
        const int window = FWindow->height();
        const int main = MainHeight();
        FWindow->actnHistory->trigger();
        Idle();
        QCOMPARE(FWindow->height(), window + Area().ToolsHeight());
        QCOMPARE(MainHeight(), main);
        QCOMPARE(ToolsPanelHeight() + Area().Splitter()->handleWidth(), Area().ToolsHeight());
        FWindow->actnHistory->trigger();
        Idle();
        QCOMPARE(FWindow->height(), window);
        QCOMPARE(MainHeight(), main);
    }

    void aResizedToolsAreaIsRemembered()
    {
        Open();
        FWindow->actnHistory->trigger();
        Idle();
        const int window = FWindow->height();
        FWindow->resize(FWindow->width(), window + 40);
        Idle();
        FWindow->actnHistory->trigger();
        Idle();
        QCOMPARE(Area().ToolsHeight(), 203 + 40);
        QCOMPARE(FWindow->height(), window - 203);
    }

    void aMaximizedWindowKeepsItsSize()
    {
        Open();
        FWindow->showMaximized();
        Idle();
        QVERIFY(FWindow->isMaximized());
        const QSize size = FWindow->size();
        const int main = MainHeight();
        FWindow->actnHistory->trigger();
        Idle();
        QCOMPARE(FWindow->size(), size);
        QCOMPARE(MainHeight(), main - Area().ToolsHeight());
        FWindow->actnHistory->trigger();
        Idle();
        QCOMPARE(FWindow->size(), size);
        QCOMPARE(MainHeight(), main);
    }

    void altDownAndUpMoveTheBorderWithinTheMinimums()
    {
        Open();
        const int window = FWindow->height();
        const int main = MainHeight();
        Key(Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(MainHeight(), main);
        QCOMPARE(FWindow->height(), window);

        FWindow->actnHistory->trigger();
        Idle();
        const int tools = ToolsPanelHeight();
        Key(Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(MainHeight(), main + 8);
        QCOMPARE(ToolsPanelHeight(), tools - 8);
        for (int i = 0; i < 40; ++i)
            Key(Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(ToolsPanelHeight(), TToolsArea::kMinToolsPanel);
        QCOMPARE(FWindow->height(), window + Area().Splitter()->handleWidth() + tools);

        for (int i = 0; i < 60; ++i)
            Key(Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(MainHeight(), FWindow->MainPanel()->minimumSizeHint().height());
        QVERIFY(FWindow->ExpressionView()->height() >= FWindow->ExpressionView()->minimumHeight());
    }

    void theLayoutKeepsTheOpenToolAndItsHeight()
    {
        Open(false);
        const int window = FWindow->height();
        FWindow->actnHistory->trigger();
        Idle();
        FWindow->resize(FWindow->width(), FWindow->height() + 250 - Area().ToolsHeight());
        Idle();
        CloseWindow();

        const TLayoutSettings saved = LoadLayoutFile(ToCore(LayoutFile()), PrimaryScreenSize());
        QCOMPARE(saved.ToolIndex, 0);
        QCOMPARE(saved.ToolsHeight, 250);
        QVERIFY(saved.Placement.has_value());
        const TRect& r = saved.Placement->NormalPosition;
        QCOMPARE(r.Bottom - r.Top, window);

        Open(false);
        QVERIFY(Area().ToolsVisible());
        QCOMPARE(ToolView()->objectName(), QStringLiteral("HistoryView"));
        QCOMPARE(Area().TabRow()->currentIndex(), 0);
        QCOMPARE(Area().ToolsHeight(), 250);
        QCOMPARE(FWindow->height(), window + 250);
    }

    void aStoredToolWithoutAViewIsKeptButNotOpened()
    {
        FEnv = std::make_unique<TUiEnvironment>();
        WriteLayout("[TfrmCalculator]\r\nToolIndex=1\r\n");
        Open(false);
        QVERIFY(!Area().ToolsVisible());
        CloseWindow();
        QCOMPARE(LoadLayoutFile(ToCore(LayoutFile()), PrimaryScreenSize()).ToolIndex, 1);
    }

    void aStoredToolIndexOutOfRangeOpensNothing_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("-2") << -2;
        QTest::newRow("2") << 2;
        QTest::newRow("99") << 99;
    }
    void aStoredToolIndexOutOfRangeOpensNothing()
    {
        QFETCH(int, index);
        FEnv = std::make_unique<TUiEnvironment>();
        WriteLayout("[TfrmCalculator]\r\nToolIndex=" + QByteArray::number(index) + "\r\n");
        Open();
        QVERIFY(!Area().ToolsVisible());
        CloseWindow();
        QCOMPARE(LoadLayoutFile(ToCore(LayoutFile()), PrimaryScreenSize()).ToolIndex, -1);
    }

    void aStoredToolsHeightIsLimited_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("kept");
        QTest::newRow("usual") << 250 << true;
        QTest::newRow("zero") << 0 << false;
        QTest::newRow("negative") << -500 << false;
        QTest::newRow("larger than the screen") << 100000 << false;
    }
    void aStoredToolsHeightIsLimited()
    {
        QFETCH(int, stored);
        QFETCH(bool, kept);
        FEnv = std::make_unique<TUiEnvironment>();
        WriteLayout("[TfrmCalculator]\r\nToolsHeight=" + QByteArray::number(stored) + "\r\n");
        Open();
        FWindow->actnHistory->trigger();
        Idle();
        const int height = Area().ToolsHeight();
        if (kept)
            QCOMPARE(height, stored);
        QVERIFY(height >= Area().MinToolsHeight());
        QVERIFY(height <= QGuiApplication::primaryScreen()->availableGeometry().height());
        QVERIFY(ToolsPanelHeight() >= TToolsArea::kMinToolsPanel);
    }

    void aMaximizedWindowStoresItsSizeWithoutTheTools()
    {
        Open();
        const int window = FWindow->height();
        FWindow->actnHistory->trigger();
        Idle();
        FWindow->showMaximized();
        Idle();
        CloseWindow();
        const TLayoutSettings saved = LoadLayoutFile(ToCore(LayoutFile()), PrimaryScreenSize());
        QVERIFY(saved.Placement.has_value());
        const TRect& r = saved.Placement->NormalPosition;
        QCOMPARE(r.Bottom - r.Top, window);
        QCOMPARE(saved.ToolIndex, 0);
    }

    void clickingATabOpensItsTool()
    {
        Open();
        FWindow->actnHistory->trigger();
        Idle();
        QTabBar* tabs = Area().TabRow();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        Idle();
        QCOMPARE(ToolView()->objectName(), QStringLiteral("DefinitionsProbe"));
        QVERIFY(FWindow->actnDefinitions->isChecked());
        QCOMPARE(FocusedView(), QStringLiteral("DefinitionsProbe"));
    }

    void aMiddleClickOnATab_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("open");
        QTest::newRow("open tool closes") << 0 << false;
        QTest::newRow("other tool opens") << 1 << true;
    }
    void aMiddleClickOnATab()
    {
        QFETCH(int, tab);
        QFETCH(bool, open);
        Open();
        const int window = FWindow->height();
        FWindow->actnHistory->trigger();
        Idle();
        QTabBar* tabs = Area().TabRow();
        QTest::mousePress(tabs, Qt::MiddleButton, {}, tabs->tabRect(tab).center());
        // The row may be gone by now; the release goes wherever the mouse is.
        if (Area().TabRow() == tabs)
            QTest::mouseRelease(tabs, Qt::MiddleButton, {}, tabs->tabRect(tab).center());
        Idle();
        QCOMPARE(Area().ToolsVisible(), open);
        if (open)
            QCOMPARE(Area().CurrentToolIndex(), tab);
        else {
            QCOMPARE(FWindow->height(), window);
            QCOMPARE(QApplication::focusWidget(), Line());
        }
    }

    void ctrlTabWalksTheViews()
    {
        Open();
        FWindow->actnHistory->trigger();
        Idle();
        QCOMPARE(FocusedView(), QStringLiteral("HistoryProbe"));
        Key(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(FocusedView(), QStringLiteral("ExpressionView"));
        Key(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(FocusedView(), QStringLiteral("ResultsView"));
        // The result box taking the focus by this key does not change the default format.
        const TResultProvider* before = FEnv->Manager->Results().Default();
        Key(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(FocusedView(), QStringLiteral("HistoryProbe"));
        Key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(FocusedView(), QStringLiteral("ResultsView"));
        Key(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(FocusedView(), QStringLiteral("ExpressionView"));
        QCOMPARE(FEnv->Manager->Results().Default(), before);
        // Users let go of Ctrl before Tab as often as not: the press alone counts.
        QTest::keyPress(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Tab);
        Idle();
        QCOMPARE(FocusedView(), QStringLiteral("ResultsView"));
    }

    void ctrlTabPassesOverAViewWithNothingToFocus()
    {
        Open();
        for (TResultProvider& format : FEnv->Manager->Results().AllResults())
            format.SetVisible(false);
        Idle();
        QVERIFY(FWindow->ResultsView()->GetFocusControl() == nullptr);
        FWindow->actnHistory->trigger();
        Idle();
        Key(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(FocusedView(), QStringLiteral("ExpressionView"));
        Key(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(FocusedView(), QStringLiteral("HistoryProbe"));
    }

    void theResultsGrowTheMainPanelAndKeepTheTools()
    {
        Open();
        FWindow->actnHistory->trigger();
        Idle();
        const int window = FWindow->height();
        const int main = MainHeight();
        const int tools = ToolsPanelHeight();
        const int box = FWindow->ResultsView()->Boxes().first()->height() + 7;
        // Roman is not shown at first.
        for (TResultProvider& format : FEnv->Manager->Results().AllResults())
            if (FromCore(format.GetName()) == QLatin1String("Roman"))
                format.SetVisible(true);
        Idle();
        const int delta = box;
        QCOMPARE(MainHeight(), main + delta);
        QCOMPARE(ToolsPanelHeight(), tools);
        QCOMPARE(FWindow->height(), window + delta);
    }

    void settingsChangesReachTheToolView()
    {
        Open();
        FWindow->actnHistory->trigger();
        Idle();
        auto* view = dynamic_cast<TProbeView*>(ToolView());
        QVERIFY(view != nullptr);
        TFontData font = FEnv->Manager->Font();
        font.Size += 2;
        FEnv->Manager->SetFont(font);
        Idle();
        QCOMPARE(view->SettingsChanges, 1);
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestToolsArea)
#include "ToolsArea_test.moc"
