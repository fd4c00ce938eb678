// A bare Qt window: the yardstick for the program's start-up (bench_window).

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.show();
    return app.exec();
}
