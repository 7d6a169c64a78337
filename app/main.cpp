#include "ui/Main.h"

#include "core/CalcCore.h"
#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprParserFunc.h"
#include "ui/AppIdentity.h"
#include "ui/CoreText.h"
#include "ui/HostRegional.h"
#include "ui/Translations.h"
#include "widgets/MessageBoxes.h"

#include <QAction>
#include <QApplication>
#include <QLocale>
#include <QPointer>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

/// Ends the program once the window has been painted for the first time (start-up timing).
class TQuitAfterShow final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return false;
    }
};

int gSignalPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(gSignalPipe[0], &byte, 1);
}

/// Turns SIGTERM, SIGHUP and SIGINT into an orderly quit, so that a logout or shutdown still
/// writes the options, the layout and the history. The quit reaches the application before the
/// windows close, as the session manager's does, so no window asks anything of a user who may
/// be gone.
void QuitOnTerminationSignals(QObject* parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(gSignalPipe[1], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(gSignalPipe[1], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signal, &action, nullptr);
}

bool EnvironmentFlag(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

/// What the installed-tree check needs to see of a started window: the icon sizes it has, the
/// language of the window's texts and the caption of the help command.
void DescribeWindow(const QWidget& window)
{
    QStringList sizes;
    for (const QSize& size : window.windowIcon().availableSizes())
        sizes << QString::number(size.width());
    QString help;
    for (const QAction* action : window.actions())
        if (action->shortcut() == QKeySequence(Qt::Key_F1))
            help = action->text();
    std::printf("window-icon: %s\nlanguage: %s\nhelp: %s\n", qPrintable(sizes.join(u' ')),
                qPrintable(calc::LoadedLanguage()), qPrintable(help));
}

} // namespace

int main(int argc, char* argv[])
{
    using namespace calc;
    // Past a file-size limit a save then fails like on a full disk instead of ending us.
    std::signal(SIGXFSZ, SIG_IGN);
    // The registry first, then the parser that checks definition texts, then the built-ins.
    TParserDefinitions& definitions = ParserDefinitions();
    (void)DefaultParser();
    RegisterBuiltIns(definitions);

    QApplication app(argc, argv);
    SetUpApplicationIdentity();
    InstallTranslations();
    QuitOnTerminationSignals(&app);
    RegionalSettings() = RegionalSettingsFromLocale(QLocale::system());

    std::unique_ptr<TCalcManager> manager;
    try {
        TCalcManagerSetup setup;
        setup.DefaultFont = FontDataFromQFont(QApplication::font());
        manager = std::make_unique<TCalcManager>(std::move(setup));
    }
    catch (const std::exception& e) {
        ShowErrorBox(nullptr, QString::fromLocal8Bit(e.what()));
        return EXIT_FAILURE;
    }

    int result = EXIT_SUCCESS;
    {
        TfrmCalculator window(*manager);
        TQuitAfterShow quitAfterShow;
        if (EnvironmentFlag("ZEMBRICAL_QUIT_AFTER_SHOW"))
            window.installEventFilter(&quitAfterShow);
        window.show();
        result = QApplication::exec();
        if (EnvironmentFlag("ZEMBRICAL_DESCRIBE_WINDOW"))
            DescribeWindow(window);
    }
    manager.reset();
    return result;
}
