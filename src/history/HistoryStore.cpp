#include "history/HistoryStore.h"

#include "stats/StatsText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

namespace history {

namespace {

const QString kFileName = QStringLiteral("history.sqlite");

// SQLite's primary result codes that decide what a failure means.
enum SqliteCode {
    kBusy = 5, kLocked = 6, kReadOnly = 8, kIoErr = 10, kCorrupt = 11, kFull = 13, kCantOpen = 14, kNotADb = 26,
};

// Each schema version's step from the one before; index i leads from
// version i to version i + 1.
const char *const kMigrations[] = {
    "CREATE TABLE decks (id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE, name TEXT NOT NULL);"
    // A card keeps the sums of its answers beside them, so that the hardest
    // cards are read without going through every answer.
    "CREATE TABLE cards (id INTEGER PRIMARY KEY,"
    " deck_id INTEGER NOT NULL REFERENCES decks(id) ON DELETE CASCADE,"
    " question TEXT NOT NULL, answer TEXT NOT NULL,"
    " right INTEGER NOT NULL DEFAULT 0, wrong INTEGER NOT NULL DEFAULT 0, last_at INTEGER, last_right INTEGER,"
    " UNIQUE (deck_id, question, answer));"
    "CREATE INDEX cards_hardest ON cards (deck_id, wrong DESC, right, last_at DESC);"
    "CREATE TABLE runs (id INTEGER PRIMARY KEY,"
    " deck_id INTEGER NOT NULL REFERENCES decks(id) ON DELETE CASCADE,"
    " started INTEGER NOT NULL, ended INTEGER, last_at INTEGER, options TEXT NOT NULL,"
    " answered INTEGER NOT NULL DEFAULT 0, right INTEGER NOT NULL DEFAULT 0, wrong INTEGER NOT NULL DEFAULT 0);"
    "CREATE INDEX runs_deck ON runs (deck_id, started);"
    "CREATE TABLE answers (id INTEGER PRIMARY KEY,"
    " run_id INTEGER NOT NULL REFERENCES runs(id) ON DELETE CASCADE,"
    " card_id INTEGER NOT NULL REFERENCES cards(id) ON DELETE CASCADE,"
    " right INTEGER NOT NULL, mode INTEGER NOT NULL, at INTEGER NOT NULL);"
    "CREATE INDEX answers_run ON answers (run_id);"
    "CREATE INDEX answers_card ON answers (card_id, at, right);",
};
static_assert(std::size(kMigrations) == HistoryStore::kSchemaVersion);

// A text as the database keeps it: never NULL, an empty cell is "".
QString notNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

// A database file shorter than its header says it is: cut off by a copy or
// a disk that failed. Read from the header alone, so that a large history
// is not read through at every start.
bool isTruncated(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray h = f.read(100);
    if (h.size() < 100 || !h.startsWith("SQLite format 3"))
        return false;  // empty, or not a database at all: the first query tells
    const auto be32 = [&h](int at) {
        return quint32(quint8(h[at])) << 24 | quint32(quint8(h[at + 1])) << 16 | quint32(quint8(h[at + 2])) << 8 |
               quint32(quint8(h[at + 3]));
    };
    quint32 pageSize = quint32(quint8(h[16])) << 8 | quint8(h[17]);
    if (pageSize == 1)
        pageSize = 65536;
    const quint32 pages = be32(28);
    // The page count holds only while the change counter matches the
    // number it was written with.
    return pages != 0 && be32(24) == be32(92) && quint64(f.size()) < quint64(pages) * pageSize;
}

QDateTime fromMs(const QVariant &v)
{
    return v.isNull() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(v.toLongLong());
}

}  // namespace

// The statements every answer runs, prepared once per connection.
struct HistoryStore::Statements {
    explicit Statements(const QSqlDatabase &db)
        : findDeck(db), addDeck(db), nameDeck(db), addRun(db), countRun(db), endRun(db), addCard(db), findCard(db),
          countCard(db), addAnswer(db)
    {
        ok &= findDeck.prepare(QStringLiteral("SELECT id FROM decks WHERE path = ?"));
        ok &= addDeck.prepare(QStringLiteral("INSERT INTO decks (path, name) VALUES (?, ?)"));
        ok &= nameDeck.prepare(QStringLiteral("UPDATE decks SET name = ? WHERE id = ? AND name <> ?"));
        ok &= addRun.prepare(QStringLiteral("INSERT OR IGNORE INTO runs (id, deck_id, started, options) VALUES (?, ?, ?, ?)"));
        ok &= countRun.prepare(QStringLiteral(
            "UPDATE runs SET answered = answered + 1, right = right + ?, wrong = wrong + ?, last_at = ? WHERE id = ?"));
        ok &= endRun.prepare(QStringLiteral("UPDATE runs SET ended = ? WHERE id = ?"));
        ok &= addCard.prepare(QStringLiteral("INSERT INTO cards (deck_id, question, answer) VALUES (?, ?, ?)"));
        ok &= findCard.prepare(QStringLiteral("SELECT id FROM cards WHERE deck_id = ? AND question = ? AND answer = ?"));
        ok &= countCard.prepare(QStringLiteral("UPDATE cards SET right = right + ?, wrong = wrong + ?, last_at = ?,"
                                         " last_right = ? WHERE id = ?"));
        ok &= addAnswer.prepare(QStringLiteral("INSERT INTO answers (run_id, card_id, right, mode, at) VALUES (?, ?, ?, ?, ?)"));
    }
    QSqlQuery findDeck, addDeck, nameDeck, addRun, countRun, endRun, addCard, findCard, countCard, addAnswer;
    // Every statement fits the file's tables.
    bool ok = true;
};

HistoryStore::HistoryStore(const QString &folder)
    : folder_(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) : folder)
{
    static QAtomicInt serial;
    connection_ = QStringLiteral("mnemora-history-%1").arg(serial.fetchAndAddRelaxed(1));
}

HistoryStore::~HistoryStore()
{
    if (state_ == State::Open)
        flush();
    closeDatabase();
}

QString HistoryStore::filePath() const
{
    return QDir(folder_).filePath(kFileName);
}

QString HistoryStore::takeNotice()
{
    QString n;
    n.swap(notice_);
    return n;
}

QString HistoryStore::deckKey(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

HistoryStore::Fault HistoryStore::faultOf(const QSqlQuery &query)
{
    const QSqlError error = query.lastError();
    if (!error.isValid())
        return Fault::None;
    switch (error.nativeErrorCode().toInt() & 0xFF) {
    case kBusy:
    case kLocked:
        return Fault::Busy;
    case kCorrupt:
    case kNotADb:
        return Fault::Damaged;
    default:
        return Fault::Unwritable;
    }
}

void HistoryStore::closeDatabase()
{
    st_.reset();
    if (QSqlDatabase::contains(connection_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(connection_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection_);
    }
    if (state_ == State::Open)
        state_ = State::Closed;
}

void HistoryStore::turnOff(const QString &why)
{
    closeDatabase();
    state_ = State::Off;
    queue_.clear();
    notice_ = QStringLiteral("The study history cannot be kept in %1 (%2). Study goes on without it until "
                             "Mnemora is started again.")
                  .arg(QDir::toNativeSeparators(folder_), why);
}

void HistoryStore::setAside()
{
    closeDatabase();
    const QString aside =
        filePath() + QStringLiteral(".damaged-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QFile::remove(aside);
    QFile::rename(filePath(), aside);
    // The log belongs with the file it was written for.
    if (QFile::exists(filePath() + QStringLiteral("-wal")))
        QFile::rename(filePath() + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
    QFile::remove(filePath() + QStringLiteral("-shm"));
    notice_ = QStringLiteral("The study history was damaged. It has been set aside as %1 and a new history "
                             "has been started.")
                  .arg(QDir::toNativeSeparators(aside));
}

HistoryStore::Fault HistoryStore::migrate()
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return q.lastError().isValid() ? faultOf(q) : Fault::Damaged;
    const int version = q.value(0).toInt();
    q.finish();
    if (version > kSchemaVersion || version < 0)
        return Fault::Damaged;  // written by a newer Mnemora, or not by Mnemora at all
    if (!q.exec(QStringLiteral("PRAGMA journal_mode = WAL")))
        return faultOf(q);
    q.finish();
    for (const char *pragma : {"PRAGMA synchronous = NORMAL", "PRAGMA foreign_keys = ON"})
        if (!q.exec(QLatin1String(pragma)))
            return faultOf(q);
    for (int v = version; v < kSchemaVersion; ++v) {
        if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
            return faultOf(q);
        bool ok = true;
        for (const QString &statement : QString::fromLatin1(kMigrations[v]).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            ok = ok && q.exec(statement);
        ok = ok && q.exec(QStringLiteral("PRAGMA user_version = %1").arg(v + 1));
        const Fault fault = faultOf(q);
        if (!ok || !q.exec(QStringLiteral("COMMIT"))) {
            const Fault commitFault = ok ? faultOf(q) : fault;
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            return commitFault == Fault::None ? Fault::Unwritable : commitFault;
        }
    }
    return Fault::None;
}

HistoryStore::Fault HistoryStore::openDatabase()
{
    if (!QDir().mkpath(folder_))
        return Fault::Unwritable;
    if (isTruncated(filePath()))
        return Fault::Damaged;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(filePath());
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open())
        return Fault::Unwritable;
    const Fault fault = migrate();
    if (fault != Fault::None)
        return fault;
    st_ = std::make_unique<Statements>(db);
    if (st_->ok)
        return Fault::None;
    // Tables other than its version promises: not a history this program
    // can keep.
    st_.reset();
    return Fault::Damaged;
}

bool HistoryStore::ensureOpen()
{
    if (state_ != State::Closed)
        return state_ == State::Open;
    Fault fault = openDatabase();
    if (fault == Fault::Damaged && !damagedOnce_) {
        // Once per session: a file that is damaged again at once is not
        // set aside in a loop.
        damagedOnce_ = true;
        setAside();
        fault = openDatabase();
    }
    switch (fault) {
    case Fault::None:
        state_ = State::Open;
        return true;
    case Fault::Busy:  // another Mnemora holds it: tried again with the next write
        closeDatabase();
        return false;
    case Fault::Damaged:
    case Fault::Unwritable: {
        const QString why = QFileInfo(folder_).isWritable() || !QFileInfo::exists(folder_)
                                ? QStringLiteral("the file cannot be written")
                                : QStringLiteral("the folder cannot be written");
        turnOff(why);
        return false;
    }
    }
    return false;
}

qint64 HistoryStore::deckId(const QString &key, const QString &name, bool create)
{
    QSqlQuery &find = st_->findDeck;
    find.addBindValue(notNull(key));
    if (!find.exec())
        return -1;
    if (find.next()) {
        const qint64 id = find.value(0).toLongLong();
        find.finish();
        if (create) {
            st_->nameDeck.addBindValue(notNull(name));
            st_->nameDeck.addBindValue(id);
            st_->nameDeck.addBindValue(notNull(name));
            if (!st_->nameDeck.exec())
                return -1;
        }
        return id;
    }
    if (!create)
        return 0;
    st_->addDeck.addBindValue(notNull(key));
    st_->addDeck.addBindValue(notNull(name));
    if (!st_->addDeck.exec())
        return -1;
    return st_->addDeck.lastInsertId().toLongLong();
}

HistoryStore::Fault HistoryStore::apply(const Op &op)
{
    const auto failed = [](QSqlQuery &q) {
        const Fault f = faultOf(q);
        return f == Fault::None ? Fault::Unwritable : f;
    };
    const qint64 deck = deckId(op.deck, op.name, true);
    if (deck < 0)
        return failed(st_->findDeck.lastError().isValid() ? st_->findDeck : st_->addDeck);
    QSqlQuery &addRun = st_->addRun;
    const auto insertRun = [&](qint64 started) {
        addRun.addBindValue(op.run);
        addRun.addBindValue(deck);
        addRun.addBindValue(started);
        addRun.addBindValue(notNull(op.options));
        return addRun.exec();
    };
    switch (op.kind) {
    case Op::Start:
        return insertRun(op.at) ? Fault::None : failed(addRun);
    case Op::End: {
        QSqlQuery &end = st_->endRun;
        end.addBindValue(op.at);
        end.addBindValue(op.run);
        return end.exec() ? Fault::None : failed(end);
    }
    case Op::Answer:
        break;
    }
    QSqlQuery &count = st_->countRun;
    const auto countAnswer = [&] {
        count.addBindValue(op.right ? 1 : 0);
        count.addBindValue(op.right ? 0 : 1);
        count.addBindValue(op.at);
        count.addBindValue(op.run);
        return count.exec();
    };
    if (!countAnswer())
        return failed(count);
    if (count.numRowsAffected() == 0) {
        // The deck's history was cleared while the run went on: the run
        // starts again from this answer.
        if (!insertRun(op.at))
            return failed(addRun);
        if (!countAnswer())
            return failed(count);
    }
    // The card: found by its texts, or made.
    qint64 card = 0;
    QSqlQuery &find = st_->findCard;
    find.addBindValue(deck);
    find.addBindValue(notNull(op.question));
    find.addBindValue(notNull(op.answer));
    if (!find.exec())
        return failed(find);
    if (find.next()) {
        card = find.value(0).toLongLong();
        find.finish();
    } else {
        QSqlQuery &addCard = st_->addCard;
        addCard.addBindValue(deck);
        addCard.addBindValue(notNull(op.question));
        addCard.addBindValue(notNull(op.answer));
        if (!addCard.exec())
            return failed(addCard);
        card = addCard.lastInsertId().toLongLong();
    }
    QSqlQuery &countCard = st_->countCard;
    countCard.addBindValue(op.right ? 1 : 0);
    countCard.addBindValue(op.right ? 0 : 1);
    countCard.addBindValue(op.at);
    countCard.addBindValue(op.right ? 1 : 0);
    countCard.addBindValue(card);
    if (!countCard.exec())
        return failed(countCard);
    QSqlQuery &add = st_->addAnswer;
    add.addBindValue(op.run);
    add.addBindValue(card);
    add.addBindValue(op.right ? 1 : 0);
    add.addBindValue(int(op.mode));
    add.addBindValue(op.at);
    return add.exec() ? Fault::None : failed(add);
}

bool HistoryStore::flush()
{
    if (queue_.isEmpty())
        return true;
    if (!ensureOpen())
        return false;
    Fault fault = Fault::None;
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        QSqlQuery q(db);
        fault = q.exec(QStringLiteral("BEGIN IMMEDIATE")) ? Fault::None : faultOf(q);
        for (qsizetype i = 0; fault == Fault::None && i < queue_.size(); ++i)
            fault = apply(queue_.at(i));
        if (fault == Fault::None)
            fault = q.exec(QStringLiteral("COMMIT")) ? Fault::None : faultOf(q);
        if (fault != Fault::None)
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
    }
    if (fault == Fault::None)
        queue_.clear();
    return settle(fault);
}

bool HistoryStore::settle(Fault fault)
{
    switch (fault) {
    case Fault::None:
        return true;
    case Fault::Busy:  // what is queued waits for the next write
        return false;
    case Fault::Damaged:
        // Damaged under our hands: set aside once, and what is queued goes
        // to a fresh file with the next write.
        if (!damagedOnce_) {
            damagedOnce_ = true;
            setAside();
            state_ = State::Closed;
        } else {
            turnOff(QStringLiteral("the file is damaged"));
        }
        return false;
    case Fault::Unwritable:
        turnOff(QStringLiteral("the disk is full or cannot be written"));
        return false;
    }
    return false;
}

qint64 HistoryStore::startRun(const QString &deckPath, const QString &deckName, const QString &options,
                              const QDateTime &at)
{
    if (isOff())
        return 0;
    qint64 run = 0;
    while (run == 0 || runs_.contains(run))
        run = qint64(QRandomGenerator::global()->generate64() >> 2);
    const RunInfo info{deckKey(deckPath), deckName, options};
    runs_.insert(run, info);
    queue_.append(Op{Op::Start, run, info.deck, info.name, info.options, {}, {}, false, Mode::Reveal,
                     at.toMSecsSinceEpoch()});
    flush();
    return isOff() ? 0 : run;
}

void HistoryStore::recordAnswer(qint64 run, const QString &question, const QString &answer, bool right, Mode mode,
                                const QDateTime &at)
{
    const auto it = runs_.constFind(run);
    if (isOff() || it == runs_.cend())
        return;
    // The run's deck and options go with each answer, so that a run whose
    // history was cleared meanwhile starts again.
    queue_.append(Op{Op::Answer, run, it->deck, it->name, it->options, question, answer, right, mode,
                     at.toMSecsSinceEpoch()});
    flush();
}

void HistoryStore::endRun(qint64 run, const QDateTime &at)
{
    const auto it = runs_.constFind(run);
    if (isOff() || it == runs_.cend())
        return;
    queue_.append(Op{Op::End, run, it->deck, it->name, it->options, {}, {}, false, Mode::Reveal,
                     at.toMSecsSinceEpoch()});
    flush();
}

DeckHistory HistoryStore::read(const QString &deckPath, int hardestLimit)
{
    DeckHistory h;
    h.deckName = QFileInfo(deckPath).completeBaseName();
    flush();
    if (!ensureOpen())
        return h;
    Fault fault = Fault::None;
    readDeck(deckPath, hardestLimit, h, fault);
    settle(fault == Fault::Busy ? Fault::None : fault);
    return h;
}

void HistoryStore::readDeck(const QString &deckPath, int hardestLimit, DeckHistory &h, Fault &fault)
{
    const QString key = deckKey(deckPath);
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT id, name FROM decks WHERE path = ?"));
    q.addBindValue(key);
    if (!q.exec() || !q.next()) {
        fault = faultOf(q);
        return;
    }
    const qint64 deck = q.value(0).toLongLong();
    h.deckName = q.value(1).toString();
    q.finish();

    q.prepare(QStringLiteral("SELECT started, COALESCE(ended, last_at, started), answered, right, wrong, options "
                             "FROM runs WHERE deck_id = ? ORDER BY started, id"));
    q.addBindValue(deck);
    if (!q.exec())
        fault = faultOf(q);
    while (q.next())
        h.runs.append(RunSummary{fromMs(q.value(0)), fromMs(q.value(1)), q.value(2).toInt(), q.value(3).toInt(),
                                 q.value(4).toInt(), q.value(5).toString()});
    if (fault == Fault::None)
        fault = faultOf(q);
    q.finish();

    q.prepare(QStringLiteral("SELECT question, answer, right, wrong, last_at, last_right FROM cards"
                             " WHERE deck_id = ? AND wrong > 0 ORDER BY wrong DESC, right, last_at DESC LIMIT ?"));
    q.addBindValue(deck);
    q.addBindValue(hardestLimit);
    if (!q.exec())
        fault = faultOf(q);
    while (q.next())
        h.hardest.append(CardSummary{q.value(0).toString(), q.value(1).toString(), q.value(2).toInt(),
                                     q.value(3).toInt(), q.value(5).toInt() != 0, fromMs(q.value(4))});
    if (fault == Fault::None)
        fault = faultOf(q);
}

bool HistoryStore::clear(const QString &deckPath)
{
    flush();
    if (!ensureOpen())
        return false;
    Fault fault = Fault::None;
    {
        QSqlQuery q(QSqlDatabase::database(connection_, false));
        q.prepare(QStringLiteral("DELETE FROM decks WHERE path = ?"));
        q.addBindValue(deckKey(deckPath));
        fault = q.exec() ? Fault::None : faultOf(q);
    }
    return settle(fault);
}

QString optionsText(bool randomOrder, bool answerFirst, int choices)
{
    return QStringLiteral("%1, %2 first, %3")
        .arg(randomOrder ? QStringLiteral("Random") : QStringLiteral("VovivIz"),
             answerFirst ? QStringLiteral("answer") : QStringLiteral("question"),
             choices > 0 ? QStringLiteral("%1 choices").arg(choices) : QStringLiteral("no choices"));
}

QString elapsedText(qint64 seconds)
{
    seconds = qMax<qint64>(0, seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

namespace {
QString when(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}
}  // namespace

QStringList runRow(const RunSummary &run)
{
    const auto share = stats::percentOf(run.right, run.answered);
    return {when(run.started),
            QString::number(run.answered),
            QString::number(run.right),
            QString::number(run.wrong),
            share ? QStringLiteral("%1 %").arg(*share) : QString(),
            elapsedText(run.started.secsTo(run.ended)),
            run.options};
}

QStringList cardRow(const CardSummary &card)
{
    return {card.question, card.answer, QString::number(card.right), QString::number(card.wrong),
            QStringLiteral("%1, %2").arg(card.lastRight ? QStringLiteral("Right") : QStringLiteral("Wrong"),
                                         when(card.lastAt))};
}

}  // namespace history
