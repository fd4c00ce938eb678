#include "app/frmQuestion.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mnemora"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));

    frmQuestion window;
    window.show();
    return app.exec();
}
