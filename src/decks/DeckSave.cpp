#include "decks/DeckSave.h"

#include "decks/DeckStore.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace decks {
namespace {

// How long a save waits for another one of the same deck to finish: far
// longer than writing the largest deck takes.
constexpr int kLockWaitMs = 5000;
// What a temporary file's name adds to the deck's file name; the store
// makes no other file so named.
const QString kSaveInfix = QStringLiteral(".mnemora-save-");
constexpr int kRandomPart = 6;  // the XXXXXX of mkostemp
// A lock file is a line of text; a larger one is not LibreOffice's.
constexpr qint64 kMaxLockFileSize = 4096;

// A file descriptor closed when it goes out of scope.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
};

[[noreturn]] void fail(int error) { throw DeckError(saveFailureReason(error).toStdString()); }

[[noreturn]] void changed() { throw DeckChanged("The deck was changed by another program."); }

// Takes the advisory lock on the deck's file, waiting a little for a save
// that holds it. flock() locks belong to the open file: the kernel drops
// them when the process ends, and they do not clash with LibreOffice's own
// fcntl() locks.
int lockDeck(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            changed();  // gone since it was read
        fail(errno);
    }
    const QDeadlineTimer deadline(kLockWaitMs);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error != EWOULDBLOCK) {
            ::close(fd);
            fail(error);
        }
        if (deadline.hasExpired()) {
            // Another save holds it all this time: the deck is being changed.
            ::close(fd);
            changed();
        }
        QThread::msleep(2);
    }
    return fd;
}

// Writes all of bytes, a part at a time; false with errno set when the
// system refuses a write.
bool writeAll(int fd, const QByteArray &bytes, SaveFault fault)
{
    const char *data = bytes.constData();
    const qint64 size = bytes.size();
    qint64 done = 0;
    while (done < size) {
        if (fault == SaveFault::DiskFull && done >= size / 2) {
            errno = ENOSPC;
            return false;
        }
        qint64 part = std::min<qint64>(size - done, qint64(1) << 20);
        if (fault == SaveFault::DiskFull && done < size / 2)
            part = std::min(part, size / 2 - done);
        const ssize_t n = ::write(fd, data + done, static_cast<size_t>(part));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = ENOSPC;  // no progress and no error: no room
            return false;
        }
        done += n;
    }
    return true;
}

bool isLeftoverName(const QString &name, const QString &prefix)
{
    if (name.size() != prefix.size() + kRandomPart || !name.startsWith(prefix))
        return false;
    for (qsizetype i = prefix.size(); i < name.size(); ++i)
        if (name[i] > u'z' || !name[i].isLetterOrNumber())
            return false;
    return true;
}

QString leftoverPrefix(const QString &fileName) { return QLatin1Char('.') + fileName + kSaveInfix; }

// The fields of the first entry of a LibreOffice lock file: separated by
// commas, ended by a semicolon, a backslash escaping the next character.
QStringList lockFileFields(const QString &text)
{
    QStringList fields(1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\' && i + 1 < text.size())
            fields.last() += text[++i];
        else if (c == u',')
            fields.append(QString());
        else if (c == u';')
            break;
        else
            fields.last() += c;
    }
    return fields;
}

}  // namespace

QString saveFailureReason(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return kDiskFullReason;
    case EACCES:
    case EPERM:
        return kFolderNotWritableReason;
    case EROFS:
        return kReadOnlyDiskReason;
    default:
        return QStringLiteral("The deck cannot be written (%1).").arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

FileStamp stampOf(const struct stat &st)
{
    FileStamp s;
    s.size = st.st_size;
    s.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.changedNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    return s;
}

FileStamp stampOfPath(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return stampOf(st);
}

QString openElsewhereMessage(const QString &deckPath)
{
    const QFileInfo deck(deckPath);
    QFile lock(deck.absolutePath() + QStringLiteral("/.~lock.") + deck.fileName() + QLatin1Char('#'));
    if (!lock.open(QIODevice::ReadOnly))
        return {};
    // Its fields: the user's name in the office suite, the login name, the
    // host, the time, the user's settings folder.
    const QStringList fields = lockFileFields(QString::fromUtf8(lock.read(kMaxLockFileSize)));
    QString user = fields.value(0).trimmed();
    if (user.isEmpty())
        user = fields.value(1).trimmed();
    QString host = fields.value(2).trimmed();
    if (user.isEmpty())
        user = QStringLiteral("someone");
    if (host.isEmpty())
        host = QStringLiteral("an unknown computer");
    return QStringLiteral("This deck is open in another program (%1 on %2). Close it there before changing it here.")
        .arg(user, host);
}

QStringList leftoverSaves(const QString &path)
{
    const QFileInfo deck(path);
    const QString prefix = leftoverPrefix(deck.fileName());
    QStringList out;
    const QStringList names =
        QDir(deck.absolutePath()).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names)
        if (isLeftoverName(name, prefix))
            out << deck.absolutePath() + QLatin1Char('/') + name;
    return out;
}

FileStamp replaceDeck(const QString &path, const QByteArray &bytes, const FileStamp &expected, SaveFault fault)
{
    // A deck reached through a symbolic link is replaced where it lies.
    const QString deckPath = QFileInfo(path).canonicalFilePath();
    if (deckPath.isEmpty())
        changed();
    const QByteArray deck = QFile::encodeName(deckPath);

    const Fd lock(lockDeck(deck));
    struct stat locked;
    if (::fstat(lock.fd, &locked) != 0)
        fail(errno);
    // Another save may have replaced the deck while this one waited: the
    // lock then stands on the old file, and the deck is no longer the one
    // that was read.
    if (!stampOf(locked).sameFile(expected) || stampOfPath(deckPath) != expected)
        changed();
    if (::faccessat(AT_FDCWD, deck.constData(), W_OK, AT_EACCESS) != 0) {
        if (errno == EROFS)
            fail(EROFS);
        if (errno == EACCES || errno == EPERM)
            throw DeckError(kReadOnlyDeckReason.toStdString());
    }

    // What a save of this deck that was killed left behind goes now: no
    // other save of it can be under way while the lock is held.
    for (const QString &leftover : leftoverSaves(deckPath))
        QFile::remove(leftover);

    const QFileInfo info(deckPath);
    QByteArray temp = QFile::encodeName(info.absolutePath() + QLatin1Char('/') + leftoverPrefix(info.fileName()))
                      + QByteArray(kRandomPart, 'X');
    if (fault == SaveFault::FolderNotWritable)
        fail(EACCES);
    const Fd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (out.fd < 0)
        fail(errno);
    try {
        // The new file takes the deck's permissions (and its owner, where
        // the system lets it).
        if (::fchmod(out.fd, locked.st_mode & 07777) != 0 || ::fchown(out.fd, locked.st_uid, locked.st_gid) != 0) {
            // Only root may give a file away: it stays ours, as it is.
        }
        if (!writeAll(out.fd, bytes, fault))
            fail(errno);
        // Buffered writes can report success for blocks the disk has no room
        // for: the sync is where a full disk shows.
        if (::fdatasync(out.fd) != 0 && errno != EINVAL)
            fail(errno);
        struct stat written;
        if (::fstat(out.fd, &written) != 0)
            fail(errno);
        if (written.st_size != bytes.size())
            fail(ENOSPC);
        if (::rename(temp.constData(), deck.constData()) != 0)
            fail(errno);
    } catch (...) {
        ::unlink(temp.constData());
        throw;
    }
    // From here the deck is the new one. The folder's sync makes the rename
    // itself last through a power cut; should it fail, there is nothing left
    // to undo.
    struct stat now;
    const bool stamped = ::fstat(out.fd, &now) == 0;
    if (const Fd folder(::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        folder.fd >= 0)
        ::fsync(folder.fd);
    return stamped ? stampOf(now) : stampOfPath(deckPath);
}

}  // namespace decks
