#pragma once
// Work run in a child process, so that what it does to its limits and
// signals, or a kill, stays there; and the kernel's file size limit, which
// refuses a write (EFBIG) exactly where a full disk would.

#include <QString>

#include <cerrno>
#include <csignal>
#include <functional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace childtest {

// While it lives, this process may write no file past `bytes` (SIGXFSZ
// ignored, so the write fails instead).
struct FileSizeLimit {
    explicit FileSizeLimit(qint64 bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit limit{rlim_t(bytes), old.rlim_max};
        ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
    rlimit old{};
    bool ok = false;
};

// A child process, and the read end of the pipe it may write to.
struct Child {
    pid_t pid;
    int out;
};

// Starts body(fd) in a child process, fd the pipe's write end; the child
// exits with what body returns.
inline Child spawn(const std::function<int(int fd)> &body)
{
    int fds[2];
    if (pipe(fds) != 0)
        qFatal("no pipe");
    const pid_t pid = fork();
    if (pid == 0) {
        ::close(fds[0]);
        _exit(body(fds[1]));
    }
    ::close(fds[1]);
    return {pid, fds[0]};
}

// Waits for the child: its exit status, or the signal that ended it negated.
inline int waitFor(const Child &child)
{
    ::close(child.out);
    int status = 0;
    waitpid(child.pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// Starts work in a child process; resultOf() gives what it returned.
inline Child spawnText(const std::function<QString()> &work)
{
    return spawn([work](int fd) {
        const QByteArray result = work().toUtf8();
        return write(fd, result.constData(), size_t(result.size())) == result.size() ? 0 : 1;
    });
}

// What the child started by spawnText() returned, once it has ended, or
// "the child died".
inline QString resultOf(const Child &child)
{
    QByteArray result;
    char buffer[4096];
    for (ssize_t n; (n = read(child.out, buffer, sizeof buffer)) != 0;)
        if (n > 0)
            result.append(buffer, n);
        else if (errno != EINTR)
            break;
    return waitFor(child) == 0 ? QString::fromUtf8(result) : QStringLiteral("the child died");
}

inline QString inChild(const std::function<QString()> &work) { return resultOf(spawnText(work)); }

}  // namespace childtest
