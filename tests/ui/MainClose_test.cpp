#include "UiTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

using namespace calc;
using namespace calc::test;

namespace {

/// Options that keep the history, so that closing has all three files to write.
const QByteArray kSavingOptions = "[History]\r\nLoadHistory=1\r\n";

/// What standard error receives while it lives.
class TStderrCapture {
public:
    TStderrCapture() : FFile(std::tmpfile()), FSaved(::dup(STDERR_FILENO))
    {
        std::fflush(stderr);
        ::dup2(::fileno(FFile), STDERR_FILENO);
    }
    TStderrCapture(const TStderrCapture&) = delete;
    TStderrCapture& operator=(const TStderrCapture&) = delete;
    ~TStderrCapture()
    {
        Restore();
        std::fclose(FFile);
    }
    QString Text()
    {
        Restore();
        std::rewind(FFile);
        QByteArray text;
        char buffer[4096];
        while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, FFile))
            text.append(buffer, static_cast<qsizetype>(n));
        return QString::fromLocal8Bit(text);
    }

private:
    void Restore()
    {
        if (FSaved < 0)
            return;
        std::fflush(stderr);
        ::dup2(FSaved, STDERR_FILENO);
        ::close(FSaved);
        FSaved = -1;
    }
    std::FILE* FFile;
    int FSaved;
};

/// Swallows the application's quit, so that a test can send one and go on.
class TQuitSwallower : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        return watched == qApp && event->type() == QEvent::Quit;
    }
};

QString FileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

} // namespace

/// Closing the main window writes "Layout.ini", "Options.ini" and "History.txt" and puts a
/// failure to the user, unless the whole session is ending.
class TestMainClose : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TUiEnvironment> FEnv;
    std::unique_ptr<TfrmCalculator> FWindow;

    /// A window with something in every file: a changed option and a history entry.
    void Open()
    {
        FEnv = std::make_unique<TUiEnvironment>(kSavingOptions);
        FWindow = ShowWindow(*FEnv->Manager);
        QVERIFY(FWindow != nullptr);
        QVERIFY(FEnv->Manager->History().LoadHistory());
        FEnv->Manager->SetAngleMode(TAngleMode::amRad);
        FEnv->Manager->SetExpression("6*7");
        FEnv->Manager->Evaluate(false);
        QVERIFY(FEnv->Manager->Modified());
    }
    QString Path(const QString& name) const { return FEnv->Path(name); }
    /// A folder where the file should be: no save can replace it, also not as root.
    void Block(const QString& name) const
    {
        QFile::remove(Path(name));
        QVERIFY(QDir().mkdir(Path(name)));
    }
    void Unblock(const QString& name) const { QVERIFY(QDir(Path(name)).removeRecursively()); }
    /// Window and manager go, as at the end of the program.
    void Finish()
    {
        FWindow.reset();
        FEnv->Manager.reset();
    }

private slots:
    void initTestCase()
    {
        // Each test closes its own window; the program would end there, the test goes on.
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void cleanup()
    {
        FWindow.reset();
        FEnv.reset();
    }

    void closingWritesTheFilesAndLeavesNothingForLater()
    {
        Open();
        FWindow->close();
        QVERIFY(!FWindow->isVisible());
        QVERIFY(FEnv->Boxes.RetryErrors.isEmpty());
        QVERIFY(FileText(Path(QStringLiteral("Layout.ini")))
                    .contains(QLatin1String("[TfrmCalculator]")));
        QVERIFY(
            FileText(Path(QStringLiteral("Options.ini"))).contains(QLatin1String("AngleMode=1")));
        QVERIFY(FileText(Path(QStringLiteral("History.txt"))).startsWith(QLatin1String("6*7\t")));
        QVERIFY(!FEnv->Manager->Modified());
        // Written once: what goes at the end of the program does not write them again.
        for (const char* name : {"Layout.ini", "Options.ini", "History.txt"})
            QVERIFY(QFile::remove(Path(QLatin1String(name))));
        Finish();
        for (const char* name : {"Layout.ini", "Options.ini", "History.txt"})
            QVERIFY2(!QFileInfo::exists(Path(QLatin1String(name))), name);
    }

    void aFailedSaveAsksAndRetryWritesTheFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("content");
        QTest::newRow("layout") << "Layout.ini"
                                << "[TfrmCalculator]";
        QTest::newRow("options") << "Options.ini"
                                 << "AngleMode=1";
        QTest::newRow("history") << "History.txt"
                                 << "6*7\t";
    }
    void aFailedSaveAsksAndRetryWritesTheFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, content);
        Open();
        Block(name);
        FEnv->Boxes.RetryAnswer = [&](const QString&) {
            if (FEnv->Boxes.RetryErrors.size() == 1)
                Unblock(name); // the user makes room, then retries
            return true;
        };
        FWindow->close();
        QVERIFY(!FWindow->isVisible());
        QCOMPARE(FEnv->Boxes.RetryErrors.size(), 1);
        const QString text = FEnv->Boxes.RetryErrors.first();
        QVERIFY2(text.startsWith(QStringLiteral("Couldn't save %1:\r\r").arg(name)),
                 qPrintable(text));
        QVERIFY2(text.contains(Path(name)), qPrintable(text));
        // The history refuses before it writes, the others when the rename meets the folder.
        QVERIFY2(text.contains(QLatin1String("Is a directory")) ||
                     text.contains(QLatin1String("Not a regular file")),
                 qPrintable(text));
        QVERIFY(FileText(Path(name)).contains(content));
    }

    void cancelGivesUpEachFileAndClosingGoesOn()
    {
        Open();
        const QStringList names = {QStringLiteral("Layout.ini"), QStringLiteral("Options.ini"),
                                   QStringLiteral("History.txt")};
        for (const QString& name : names)
            Block(name);
        FWindow->close();
        QVERIFY(!FWindow->isVisible());
        const QStringList& asked = FEnv->Boxes.RetryErrors;
        QCOMPARE(asked.size(), 3);
        for (int i = 0; i < names.size(); ++i)
            QVERIFY2(asked[i].startsWith(QLatin1String("Couldn't save ") + names[i]),
                     qPrintable(asked[i]));
        // Given up means given up: the end of the program does not try again behind the
        // user's back, even where it now could.
        for (const QString& name : names)
            Unblock(name);
        TStderrCapture errors;
        Finish();
        QCOMPARE(errors.Text(), QString());
        for (const QString& name : names)
            QVERIFY2(!QFileInfo::exists(Path(name)), qPrintable(name));
    }

    void aQuitReportsFailuresOnStandardError()
    {
        TQuitSwallower swallower;
        qApp->installEventFilter(&swallower); // before the window's, so the window sees it first
        Open();
        for (const char* name : {"Layout.ini", "Options.ini", "History.txt"})
            Block(QLatin1String(name));
        TStderrCapture errors;
        QEvent quit(QEvent::Quit); // what SIGTERM, SIGHUP and the session manager send
        QCoreApplication::sendEvent(qApp, &quit);
        FWindow->close();
        Finish();
        const QString text = errors.Text();
        qApp->removeEventFilter(&swallower);
        QVERIFY(FEnv->Boxes.RetryErrors.isEmpty());
        for (const char* name : {"Layout.ini", "Options.ini", "History.txt"})
            QVERIFY2(text.contains(Path(QLatin1String(name))), qPrintable(text));
    }

    void aQuitWhileTheBoxIsOpenTriesOnceMore()
    {
        TQuitSwallower swallower;
        qApp->installEventFilter(&swallower);
        Open();
        Block(QStringLiteral("Options.ini"));
        Block(QStringLiteral("History.txt"));
        FEnv->Boxes.RetryAnswer = [&](const QString&) {
            Unblock(QStringLiteral("Options.ini"));
            QEvent quit(QEvent::Quit); // the logout closes the box: Cancel
            QCoreApplication::sendEvent(qApp, &quit);
            return false;
        };
        TStderrCapture errors;
        FWindow->close();
        const QString text = errors.Text();
        qApp->removeEventFilter(&swallower);
        QCOMPARE(FEnv->Boxes.RetryErrors.size(), 1);
        QVERIFY(
            FileText(Path(QStringLiteral("Options.ini"))).contains(QLatin1String("AngleMode=1")));
        QVERIFY2(text.contains(Path(QStringLiteral("History.txt"))), qPrintable(text));
    }

    void theBoxOffersRetryAndCancel_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("button");
        QTest::addColumn<bool>("retry");
        QTest::newRow("retry") << QMessageBox::Retry << true;
        QTest::newRow("cancel") << QMessageBox::Cancel << false;
    }
    void theBoxOffersRetryAndCancel()
    {
        QFETCH(QMessageBox::StandardButton, button);
        QFETCH(bool, retry);
        QString caption;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            caption = box->windowTitle();
            text = box->text();
            buttons = box->standardButtons();
            icon = box->icon();
            box->button(button)->click();
        });
        QCOMPARE(RetryErrorBox(nullptr, QStringLiteral("Couldn't save A:\r\rB")), retry);
        QCOMPARE(caption, QStringLiteral("Error"));
        QCOMPARE(text, QStringLiteral("Couldn't save A:\n\nB"));
        QCOMPARE(buttons, QMessageBox::Retry | QMessageBox::Cancel);
        QCOMPARE(icon, QMessageBox::Critical);
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestMainClose)
#include "MainClose_test.moc"
