#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

/// Whether the process has a handler of its own for the signal (Linux: SigCgt in its status).
bool CatchesSignal(qint64 pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:")) {
            bool ok = false;
            const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
            return ok && (mask & (1ULL << (signal - 1))) != 0;
        }
    return false;
}

} // namespace

/// The program as a whole: a logout ends it without waiting on anybody.
class TestAppSignals : public QObject {
    Q_OBJECT

private slots:
    void aLogoutSignalQuitsWithoutAsking_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void aLogoutSignalQuitsWithoutAsking()
    {
        QFETCH(int, signal);
        const QTemporaryDir config;
        const QString settings = config.filePath(QStringLiteral("Zembrical Calculator"));
        // No save can replace a folder, so the layout's save fails at the end.
        QVERIFY(QDir().mkpath(settings + QStringLiteral("/Layout.ini")));

        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(ZEMBRICAL_APP), {});
        QVERIFY(app.waitForStarted());
        QElapsedTimer waited;
        waited.start();
        while (!CatchesSignal(app.processId(), signal) && waited.elapsed() < 30000)
            QTest::qWait(20);
        QVERIFY(CatchesSignal(app.processId(), signal));

        ::kill(static_cast<pid_t>(app.processId()), signal);
        const bool ended = app.waitForFinished(30000);
        if (!ended)
            app.kill(); // waiting on a box nobody will answer
        QVERIFY2(ended, "the program did not end");
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        const QString errors = QString::fromLocal8Bit(app.readAllStandardError());
        QVERIFY2(errors.contains(settings + QStringLiteral("/Layout.ini")), qPrintable(errors));
    }
};

QTEST_GUILESS_MAIN(TestAppSignals)
#include "AppSignals_test.moc"
