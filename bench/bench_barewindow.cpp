// A bare Qt window, and with --text the least window that shows text: the
// yardsticks for the program's start-up (bench_window).

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

#include <cstring>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // With --text, the least window that shows text: a menu bar and a
    // label. Any such window sets up the font database (fontconfig reads the
    // system's configuration) to lay itself out before it is mapped; an
    // empty window never does.
    const bool text = argc > 1 && std::strcmp(argv[1], "--text") == 0;
    if (!text) {
        QWidget window;
        window.setWindowTitle(QStringLiteral("bare"));
        window.show();
        return app.exec();
    }
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.menuBar()->addMenu(QStringLiteral("&File"));
    window.setCentralWidget(new QLabel(QStringLiteral("Text")));
    window.show();
    return app.exec();
}
