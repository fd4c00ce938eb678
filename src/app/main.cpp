#include "app/CommandLine.h"
#include "app/SignalClose.h"
#include "app/frmQuestion.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

}  // namespace

int main(int argc, char *argv[])
{
    // --help and --version need no display: they are answered before the
    // application connects to one.
    const cli::Request early = cli::parse(argumentsOf(argc, argv));
    if (early.action == cli::Request::Action::Help || early.action == cli::Request::Action::Version) {
        std::fputs(early.output.toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication app(argc, argv);  // takes out the options Qt knows (-platform ...)
    QApplication::setApplicationName(QStringLiteral("Mnemora"));
    QApplication::setApplicationVersion(QStringLiteral(MNEMORA_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("mnemora"));

    const cli::Request request = cli::parse(QApplication::arguments().mid(1));
    if (request.action == cli::Request::Action::Error) {
        std::fputs(request.output.toLocal8Bit().constData(), stderr);
        return 2;
    }

    frmQuestion window;
    window.RememberSize();
    closeOnTerminationSignals(&window);
    window.show();
    const QString deck = request.deck;
    if (!deck.isEmpty())
        QTimer::singleShot(0, &window, [&window, deck] { window.OpenDeckFile(deck); });
    return app.exec();
}
