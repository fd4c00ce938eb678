// The window's own costs, each measured in processes of their own:
//   peak memory: the peak resident set of a process that opens a
//   32,000-card deck in the window (the .xls deck, and its .xlsx and .ods
//   copies written by LibreOffice when soffice is installed), beside the
//   .xls figure;
//   start-up: the time from starting mnemora to its window mapped on the
//   X display, beside a bare Qt window and the least Qt window that shows
//   text (bench_barewindow, bench_barewindow --text) started the same way,
//   the three alternated; and the processor time each had spent by then
//   (all its threads), which other load on the machine disturbs less.
//   Needs an X display (xvfb-run -a bench_window); without one that part
//   is skipped.
// Usage: bench_window [runs]   (default 9; medians are shown)

#include "BenchSupport.h"

#include "app/frmQuestion.h"

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <map>
#include <utility>

extern char **environ;

namespace {

constexpr int kCards = 32000;

// The process's peak resident set in kB (VmHWM), or -1.
long peakResidentKb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The child: opens the deck in the window as `mnemora DECK` does, and
// prints its peak resident set.
int openInWindow(int argc, char **argv)
{
    QApplication app(argc, argv);
    frmQuestion w;
    w.show();
    QCoreApplication::processEvents();
    w.OpenDeckFile(QString::fromLocal8Bit(argv[2]));
    QCoreApplication::processEvents();
    if (w.CardCount < 1 || w.findChild<QLabel *>(QStringLiteral("lblQuestion"))->text().isEmpty())
        bench::fail("bench_window", "the deck did not open");
    std::printf("%ld\n", peakResidentKb());
    return 0;
}

// The processor time the process has had so far, all its threads, in ms.
double cpuMs(pid_t pid)
{
    double ns = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (f.open(QIODevice::ReadOnly))
            ns += f.readAll().split(' ').value(0).toDouble();
    }
    return ns / 1e6;
}

// Milliseconds from starting `program` (with `arg`, when given) to its
// first window mapped on the display `c`, and the processor time it had
// spent by then; the program is then killed. -1 when no window came.
std::pair<double, double> msToMapped(xcb_connection_t *c, const char *program, const char *arg)
{
    while (xcb_generic_event_t *e = xcb_poll_for_event(c))  // stale events
        std::free(e);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    char *const args[] = {const_cast<char *>(program), const_cast<char *>(arg), nullptr};
    if (posix_spawn(&pid, program, nullptr, nullptr, args, environ) != 0)
        bench::fail("bench_window", "cannot start a program");
    double ms = -1, cpu = -1;
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (ms < 0 && clock.elapsed() < 20000) {
        while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY && ms < 0) {
                ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
                cpu = cpuMs(pid);
            }
            std::free(e);
        }
        if (ms < 0)
            poll(&fd, 1, 100);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return {ms, cpu};
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--open") == 0)
        return openInWindow(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

    QTemporaryDir dir;
    if (!dir.isValid())
        bench::fail("bench_window", "no temporary folder");
    const QString xls = dir.filePath(QStringLiteral("bench.xls"));
    {
        const QByteArray deck = bench::makeDeck(kCards);
        QFile f(xls);
        if (!f.open(QIODevice::WriteOnly) || f.write(deck) != deck.size())
            bench::fail("bench_window", "cannot write the deck");
    }
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        QDir(dir.path()).mkdir(QStringLiteral("run"));
        QFile::setPermissions(dir.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir.filePath(QStringLiteral("run")).toLocal8Bit());
    }
    const QStringList decks = QStringList{xls} + bench::sofficeCopies(dir, xls, {QStringLiteral("xlsx"), QStringLiteral("ods")});

    // Peak memory, the decks alternated run by run.
    std::map<QString, std::vector<double>> peaks;
    for (int r = 0; r < runs; ++r)
        for (const QString &deck : decks) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            p.setProcessEnvironment(env);
            p.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--open"), deck});
            if (!p.waitForFinished(120000) || p.exitCode() != 0)
                bench::fail("bench_window", "a deck did not open in the window");
            peaks[QFileInfo(deck).suffix()].push_back(p.readAllStandardOutput().trimmed().toDouble() / 1024.0);
        }
    std::printf("opening a %d-card deck in the window: peak resident memory, median of %d runs\n", kCards, runs);
    std::printf("%-8s %12s %10s\n", "format", "peak MB", "x .xls");
    const double xlsPeak = bench::median(peaks["xls"]);
    for (const QString &deck : decks) {
        const QString suffix = QFileInfo(deck).suffix();
        const double mb = bench::median(peaks[suffix]);
        std::printf("%-8s %12.1f %10.2f%s\n", qPrintable(suffix), mb, mb / xlsPeak, suffix == u"xls" ? "" : "   (goal <= 1.3)");
    }

    // Start-up, mnemora and the bare window alternated.
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::printf("\nno X display: the start-up figures are skipped (run under xvfb-run -a)\n");
        return 0;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    // The three alternated: an empty window, the least window with text
    // (a menu bar and a label), and mnemora.
    struct Starter {
        const char *name;
        const char *program;
        const char *arg;
        std::vector<double> wall, cpu;
    };
    Starter starters[] = {{"bare Qt window", MNEMORA_BARE_WINDOW, nullptr, {}, {}},
                          {"Qt window, text", MNEMORA_BARE_WINDOW, "--text", {}, {}},
                          {"mnemora", MNEMORA_PROGRAM, nullptr, {}, {}}};
    for (int r = 0; r < runs; ++r) {
        for (Starter &s : starters) {
            const auto [ms, cpu] = msToMapped(c, s.program, s.arg);
            if (ms < 0)
                bench::fail("bench_window", "a window did not come");
            s.wall.push_back(ms);
            s.cpu.push_back(cpu);
        }
    }
    xcb_disconnect(c);
    std::printf("\nstart-up to the window mapped, median of %d alternated runs\n", runs);
    std::printf("%-22s %10s %10s\n", "", "wall ms", "cpu ms");
    for (const Starter &s : starters)
        std::printf("%-22s %10.1f %10.1f\n", s.name, bench::median(s.wall), bench::median(s.cpu));
    const Starter &program = starters[2];
    for (const Starter *base : {&starters[0], &starters[1]})
        std::printf("%-22s %10.2f %10.2f%s\n", qPrintable(QStringLiteral("x ") + QLatin1String(base->name)),
                    bench::median(program.wall) / bench::median(base->wall),
                    bench::median(program.cpu) / bench::median(base->cpu), base == starters ? "   (goal <= 1.3)" : "");
    return 0;
}
