#include "app/frmQuestion.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mnemora"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QGuiApplication::setDesktopFileName(QStringLiteral("mnemora"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Flashcard trainer"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("deck"), QStringLiteral("A deck (.xls) to study at once."),
                                 QStringLiteral("[deck]"));
    parser.process(app);

    frmQuestion window;
    window.show();
    const QString deck = parser.positionalArguments().value(0);
    if (!deck.isEmpty())
        QTimer::singleShot(0, &window, [&window, deck] { window.OpenDeckFile(deck); });
    return app.exec();
}
