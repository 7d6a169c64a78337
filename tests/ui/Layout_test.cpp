#include "UiTestSupport.h"
#include "core/IniFile.h"
#include "ui/Layout.h"

#include <QDir>
#include <QFile>
#include <QProcess>

using namespace calc;
using namespace calc::test;

Q_DECLARE_METATYPE(calc::TLayoutSettings)

namespace {

TWindowPlacement Placement(int left, int top, int right, int bottom, std::uint32_t show)
{
    TWindowPlacement placement;
    placement.ShowCmd = show;
    placement.MinPosition = {-1, -1};
    placement.MaxPosition = {-1, -1};
    placement.NormalPosition = {left, top, right, bottom};
    return placement;
}

void WriteFile(const QString& name, const QByteArray& text)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QRect RectOf(const QByteArray& text)
{
    const QList<QByteArray> parts = text.split(',');
    return parts.size() == 4
               ? QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt())
               : QRect();
}

QByteArray TextOf(const QRect& r)
{
    return QByteArray::number(r.x()) + ',' + QByteArray::number(r.y()) + ',' +
           QByteArray::number(r.width()) + ',' + QByteArray::number(r.height());
}

const char* const kScaledFolder = "ZEMBRICAL_TEST_LAYOUT_FOLDER";
const char* const kScaledExpect = "ZEMBRICAL_TEST_LAYOUT_EXPECT";
const char* const kScaledPlace = "ZEMBRICAL_TEST_LAYOUT_PLACE";

/// Runs windowAtAnotherScale in a process of its own at the scale factor; failures come back
/// as the process's output.
QString RunAtScale(const QString& folder, const QByteArray& scale, const QRect& expect,
                   const QRect& place)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(scale));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QLatin1String(kScaledFolder), folder);
    env.insert(QLatin1String(kScaledExpect), QString::fromLatin1(TextOf(expect)));
    env.insert(QLatin1String(kScaledPlace), QString::fromLatin1(TextOf(place)));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("windowAtAnotherScale")});
    if (!process.waitForFinished(60000))
        return QStringLiteral("the process at scale %1 did not finish").arg(scale);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString::fromLocal8Bit(process.readAll());
    return {};
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TUiEnvironment> FEnv;

    QString LayoutFile() const { return FEnv->Path(QLatin1String(kLayoutFileName)); }

private slots:
    void init() { FEnv = std::make_unique<TUiEnvironment>(); }
    void cleanup() { FEnv.reset(); }

    void missingKeysGiveTheDefaults()
    {
        const TLayoutSettings layout = ReadLayout(TIniFile{}, {1280, 1024});
        QCOMPARE(layout.MenuBar, false);
        QCOMPARE(layout.ToolBar, true);
        QCOMPARE(layout.ToolsHeight, 203);
        QCOMPARE(layout.ToolIndex, -1);
        QCOMPARE(layout.StayOnTop, false);
        QVERIFY(!layout.Placement.has_value());
    }

    void keysAreWrittenInTheirOrder()
    {
        TLayoutSettings layout;
        layout.MenuBar = true;
        layout.ToolBar = false;
        layout.ToolsHeight = 250;
        layout.ToolIndex = 1;
        layout.StayOnTop = true;
        layout.Placement = Placement(10, 20, 494, 300, swShowNormal);
        TIniFile ini;
        WriteLayout(ini, layout, {1280, 1024});
        QCOMPARE(QString::fromStdString(ini.SaveToText()),
                 QStringLiteral("[TfrmCalculator]\r\n"
                                "frmCalculator(1280x1024)=2C0000000000000001000000FFFFFFFFFFFFFFFF"
                                "FFFFFFFFFFFFFFFF0A00000014000000EE0100002C010000\r\n"
                                "Menu=1\r\nToolbar=0\r\nToolsHeight=250\r\nToolIndex=1\r\n"
                                "StayOnTop=1\r\n\r\n"));
    }

    void settingsSurviveTheFile_data()
    {
        QTest::addColumn<TLayoutSettings>("layout");
        TLayoutSettings defaults;
        TLayoutSettings changed;
        changed.MenuBar = true;
        changed.ToolBar = false;
        changed.ToolsHeight = 64;
        changed.ToolIndex = 0;
        changed.StayOnTop = true;
        changed.Placement = Placement(-8, -8, 1288, 1000, swShowMaximized);
        TLayoutSettings negative;
        negative.ToolsHeight = -5;
        negative.ToolIndex = 7;
        QTest::newRow("defaults") << defaults;
        QTest::newRow("everything changed") << changed;
        QTest::newRow("odd values kept as stored") << negative;
    }
    void settingsSurviveTheFile()
    {
        QFETCH(TLayoutSettings, layout);
        SaveLayoutFile(ToCore(LayoutFile()), layout, {1280, 1024});
        QCOMPARE(LoadLayoutFile(ToCore(LayoutFile()), {1280, 1024}), layout);
    }

    void aPlacementBelongsToItsScreenSize()
    {
        TLayoutSettings layout;
        layout.MenuBar = true;
        layout.Placement = Placement(0, 0, 500, 300, swShowNormal);
        SaveLayoutFile(ToCore(LayoutFile()), layout, {1280, 1024});
        const TLayoutSettings other = LoadLayoutFile(ToCore(LayoutFile()), {1920, 1080});
        QVERIFY(!other.Placement.has_value());
        QCOMPARE(other.MenuBar, true);
        // Saving at another size keeps the first size's placement.
        TLayoutSettings second;
        second.Placement = Placement(5, 5, 105, 105, swShowNormal);
        SaveLayoutFile(ToCore(LayoutFile()), second, {1920, 1080});
        QCOMPARE(LoadLayoutFile(ToCore(LayoutFile()), {1280, 1024}).Placement, layout.Placement);
        QCOMPARE(LoadLayoutFile(ToCore(LayoutFile()), {1920, 1080}).Placement, second.Placement);
    }

    void aPlacementOfTheWrongLengthIsIgnored_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("short") << QByteArray("2C00000000");
        QTest::newRow("one byte more")
            << QByteArray("2C0000000000000001000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF0A000000"
                          "14000000EE0100002C01000000");
        QTest::newRow("not hexadecimal") << QByteArray(88, 'Z');
        QTest::newRow("empty") << QByteArray();
    }
    void aPlacementOfTheWrongLengthIsIgnored()
    {
        WriteFile(LayoutFile(), "[TfrmCalculator]\r\nfrmCalculator(800x600)=" +
                                    Fetch<QByteArray>("value") + "\r\nStayOnTop=1\r\n");
        const TLayoutSettings layout = LoadLayoutFile(ToCore(LayoutFile()), {800, 600});
        QVERIFY(!layout.Placement.has_value());
        QCOMPARE(layout.StayOnTop, true);
    }

    void anUnreadableFileGivesTheDefaults()
    {
        QVERIFY(QDir().mkpath(LayoutFile())); // a folder where the file should be
        QCOMPARE(LoadLayoutFile(ToCore(LayoutFile()), {800, 600}), TLayoutSettings{});
    }

    void anUnreadableFileIsNeverOverwritten()
    {
        // Over the size limit: readable bytes, refused as a whole.
        const QByteArray big = "[TfrmCalculator]\r\nMenu=1\r\n;" + QByteArray(1 << 20, 'x');
        WriteFile(LayoutFile(), big);
        QVERIFY_THROWS_EXCEPTION(
            EException, SaveLayoutFile(ToCore(LayoutFile()), TLayoutSettings{}, {800, 600}));
        QFile file(LayoutFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), big);
    }

    void keysAreFoundInAnyLetterCase()
    {
        WriteFile(LayoutFile(), "[tfrmcalculator]\r\nmenu=1\r\nTOOLBAR=0\r\ntoolsheight=$100\r\n");
        const TLayoutSettings layout = LoadLayoutFile(ToCore(LayoutFile()), {800, 600});
        QCOMPARE(layout.MenuBar, true);
        QCOMPARE(layout.ToolBar, false);
        QCOMPARE(layout.ToolsHeight, 256);
    }

    void theWindowRestoresItsLayout()
    {
        QRect geometry;
        {
            auto window = ShowWindow(*FEnv->Manager);
            QVERIFY(window != nullptr);
            window->actnViewMenuBar->trigger();
            window->actnViewToolBar->trigger();
            window->actnStayOnTop->trigger();
            window->setGeometry(QRect(40, 50, 420, 380));
            QCoreApplication::processEvents();
            geometry = window->geometry();
        }
        const TLayoutSettings saved = LoadLayoutFile(ToCore(LayoutFile()), PrimaryScreenSize());
        QCOMPARE(saved.MenuBar, true);
        QCOMPARE(saved.ToolBar, false);
        QCOMPARE(saved.StayOnTop, true);
        QVERIFY(saved.Placement.has_value());
        QCOMPARE(saved.Placement->ShowCmd, swShowNormal);

        auto window = ShowWindow(*FEnv->Manager);
        QVERIFY(window->MenuBarSetting());
        QVERIFY(window->MenuBarShown());
        QVERIFY(window->ToolBar() == nullptr);
        QVERIFY(window->StayOnTop());
        QCOMPARE(window->geometry(), geometry);
    }

    void aTemporaryMenuBarIsNotSavedInTheSize()
    {
        int height = 0;
        {
            auto window = ShowWindow(*FEnv->Manager);
            height = window->height();
            QTest::keyClick(Editor(*window->ExpressionView()), Qt::Key_Alt);
            QVERIFY(window->MenuBarShown());
        }
        const TLayoutSettings saved = LoadLayoutFile(ToCore(LayoutFile()), PrimaryScreenSize());
        QCOMPARE(saved.MenuBar, false);
        const TRect& r = saved.Placement->NormalPosition;
        QCOMPARE(r.Bottom - r.Top, height);
    }

    void toolSettingsAreKeptAsStored()
    {
        WriteFile(LayoutFile(), "[TfrmCalculator]\r\nToolsHeight=250\r\nToolIndex=1\r\n");
        {
            auto window = ShowWindow(*FEnv->Manager);
            QCOMPARE(window->ToolsHeight(), 250);
            QCOMPARE(window->ToolIndex(), 1);
        }
        const TLayoutSettings saved = LoadLayoutFile(ToCore(LayoutFile()), PrimaryScreenSize());
        QCOMPARE(saved.ToolsHeight, 250);
        QCOMPARE(saved.ToolIndex, 1);
    }

    void aMaximizedWindowStoresItsNormalSize()
    {
        QRect normal;
        {
            auto window = ShowWindow(*FEnv->Manager);
            normal = window->geometry();
            window->showMaximized();
            QTRY_VERIFY(window->isMaximized());
            const TWindowPlacement placement = PlacementOfWindow(*window);
            QCOMPARE(placement.ShowCmd, swShowMaximized);
            const TRect& r = placement.NormalPosition;
            QCOMPARE(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), normal);
        }
        auto window = ShowWindow(*FEnv->Manager);
        QTRY_VERIFY(window->isMaximized());
        window->showNormal();
        QTRY_COMPARE(window->geometry(), normal);
    }

    void aWindowNeverStartsMinimized()
    {
        auto window = std::make_unique<TfrmCalculator>(*FEnv->Manager);
        ApplyPlacement(*window, Placement(30, 30, 530, 330, swShowMinimized));
        QCOMPARE(window->windowState(), Qt::WindowNoState);
        TWindowPlacement restoreMaximized = Placement(30, 30, 530, 330, swShowMinimized);
        restoreMaximized.Flags = wpfRestoreToMaximized;
        ApplyPlacement(*window, restoreMaximized);
        QCOMPARE(window->windowState(), Qt::WindowMaximized);
    }

    void theScreenSizeIsInDevicePixels_data()
    {
        QTest::addColumn<QSize>("device");
        QTest::addColumn<double>("ratio");
        QTest::newRow("1600x1000 at 1.5") << QSize(1600, 1000) << 1.5;
        QTest::newRow("800x600 at 1.5") << QSize(800, 600) << 1.5;
        QTest::newRow("1366x768 at 1.5") << QSize(1366, 768) << 1.5;
        QTest::newRow("1920x1080 at 1.25") << QSize(1920, 1080) << 1.25;
        QTest::newRow("2560x1440 at 1.75") << QSize(2560, 1440) << 1.75;
        QTest::newRow("3840x2160 at 2") << QSize(3840, 2160) << 2.0;
        QTest::newRow("1280x1024 at 1") << QSize(1280, 1024) << 1.0;
        QTest::newRow("1024x768 at 0.5") << QSize(1024, 768) << 0.5;
    }
    void theScreenSizeIsInDevicePixels()
    {
        QFETCH(QSize, device);
        QFETCH(double, ratio);
        // What Qt reports: the device size in its own pixels, rounded.
        const QSize logical = device * (1.0 / ratio);
        QCOMPARE(DeviceScreenSize(logical, ratio), device);
    }

    void anOlderPlacementInQtPixelsIsStillFound()
    {
        TIniFile ini;
        WritePlacement(ini, kLayoutSection, "frmCalculator(533x400)",
                       Placement(40, 50, 460, 430, swShowNormal));
        const TLayoutSettings layout = ReadLayout(ini, {800, 600}, 1.5);
        QVERIFY(layout.Placement.has_value());
        QCOMPARE(layout.Placement->NormalPosition, (TRect{60, 75, 690, 645}));
        // A placement stored in device pixels comes first.
        WritePlacement(ini, kLayoutSection, "frmCalculator(800x600)",
                       Placement(10, 10, 710, 510, swShowNormal));
        QCOMPARE(ReadLayout(ini, {800, 600}, 1.5).Placement->NormalPosition,
                 (TRect{10, 10, 710, 510}));
    }

    void aPlacementKeepsItsPlaceOnTheScreenAtAnotherScale()
    {
        if (!qEnvironmentVariableIsEmpty(kScaledFolder) ||
            QGuiApplication::primaryScreen()->devicePixelRatio() != 1.0)
            QSKIP("needs a scale factor of 1");
        const QString folder = FEnv->Path(QString());
        // Placed at 1.5, restored here at 1: the same device pixels.
        QCOMPARE(RunAtScale(folder, "1.5", QRect(), QRect(40, 50, 420, 380)), QString());
        const TLayoutSettings saved = LoadLayoutFile(ToCore(LayoutFile()), PrimaryScreenSize());
        QVERIFY(saved.Placement.has_value());
        {
            auto window = ShowWindow(*FEnv->Manager);
            QVERIFY(window != nullptr);
            QCOMPARE(window->geometry(), QRect(60, 75, 630, 570));
            window->setGeometry(QRect(90, 30, 600, 540));
            QCoreApplication::processEvents();
        }
        // Placed here, restored at 1.5 and at 2.
        QCOMPARE(RunAtScale(folder, "1.5", QRect(60, 20, 400, 360), QRect()), QString());
        QCOMPARE(RunAtScale(folder, "2", QRect(45, 15, 300, 270), QRect()), QString());
    }

    /// The other side of aPlacementKeepsItsPlaceOnTheScreenAtAnotherScale, in its own process.
    void windowAtAnotherScale()
    {
        if (qEnvironmentVariableIsEmpty(kScaledFolder))
            QSKIP("run by aPlacementKeepsItsPlaceOnTheScreenAtAnotherScale");
        SetSettingsDirOverride(ToCore(qEnvironmentVariable(kScaledFolder)));
        auto window = ShowWindow(*FEnv->Manager);
        QVERIFY(window != nullptr);
        const QRect expect = RectOf(qgetenv(kScaledExpect));
        if (expect.isValid())
            QCOMPARE(window->geometry(), expect);
        const QRect place = RectOf(qgetenv(kScaledPlace));
        if (place.isValid()) {
            window->setGeometry(place);
            QCoreApplication::processEvents();
        }
    }

    void aPlacementOffEveryScreenKeepsOnlyTheSize()
    {
        auto window = std::make_unique<TfrmCalculator>(*FEnv->Manager);
        ApplyPlacement(*window, Placement(50000, 50000, 50400, 50300, swShowNormal));
        QCOMPARE(window->size(), QSize(400, 300));
        QVERIFY(window->pos().x() < 50000);
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestLayout)
#include "Layout_test.moc"
