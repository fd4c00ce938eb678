#pragma once
// The study history: every answer and every run of every deck, kept in an
// SQLite database (history.sqlite in the per-user data folder) through Qt
// SQL. No widget here; the window records through it and reads it back.
//
// Every answer is committed as it is given, in write-ahead-log mode, so a
// killed program loses at most the answer being written. A write that finds
// the database locked by a second Mnemora waits only briefly: what cannot
// be written at once stays queued and goes with the next write. A damaged
// database is set aside under a dated name and a fresh one is started; a
// folder that cannot be written turns the history off for the session.
// Either way the user is told once (takeNotice()), and nothing here throws
// into the study run.

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVector>

#include <memory>

class QSqlDatabase;
class QSqlQuery;

namespace history {

// How a card was answered.
enum class Mode { Reveal = 0, TwoChoices = 2, FourChoices = 4 };

// One run of a deck as the history keeps it.
struct RunSummary {
    QDateTime started;
    QDateTime ended;  // the end, or the last answer of a run never ended
    int answered = 0;
    int right = 0;
    int wrong = 0;
    QString options;
};

// One card of a deck with its answers.
struct CardSummary {
    QString question;
    QString answer;
    int right = 0;
    int wrong = 0;
    bool lastRight = false;
    QDateTime lastAt;
};

struct DeckHistory {
    QString deckName;
    QVector<RunSummary> runs;       // oldest first
    QVector<CardSummary> hardest;   // most often wrong first
};

class HistoryStore {
public:
    // The schema this program writes; PRAGMA user_version holds it.
    static constexpr int kSchemaVersion = 1;
    // How long a write waits for a database another program holds.
    static constexpr int kBusyTimeoutMs = 40;

    // folder: where history.sqlite lives; empty means the per-user data
    // folder (QStandardPaths::AppDataLocation). Nothing is opened yet.
    explicit HistoryStore(const QString &folder = QString());
    ~HistoryStore();
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    QString filePath() const;
    // The history was turned off for this session (the folder cannot be
    // written, the disk is full).
    bool isOff() const { return state_ == State::Off; }
    // What the user is to be told, once; "" when nothing.
    QString takeNotice();

    // A deck is known by its file's canonical path.
    static QString deckKey(const QString &path);

    // Recording. A run is named by the number startRun() returns (0 when the
    // history is off). Each call writes at once what it can.
    qint64 startRun(const QString &deckPath, const QString &deckName, const QString &options,
                    const QDateTime &at);
    void recordAnswer(qint64 run, const QString &question, const QString &answer, bool right, Mode mode,
                      const QDateTime &at);
    void endRun(qint64 run, const QDateTime &at);
    // Writes what is queued; false when something is still waiting.
    bool flush();
    int queued() const { return int(queue_.size()); }

    // Reading and clearing a deck's history; its file need not exist.
    DeckHistory read(const QString &deckPath, int hardestLimit = 20);
    bool clear(const QString &deckPath);

private:
    enum class State { Closed, Open, Off };
    struct Op {
        enum Kind { Start, Answer, End } kind;
        qint64 run = 0;
        QString deck, name, options, question, answer;
        bool right = false;
        Mode mode = Mode::Reveal;
        qint64 at = 0;
    };
    enum class Fault { None, Busy, Damaged, Unwritable };

    bool ensureOpen();
    Fault openDatabase();
    Fault migrate();
    void closeDatabase();
    void setAside();
    void turnOff(const QString &why);
    Fault apply(const Op &op);
    // What a failure leaves: true when there was none.
    bool settle(Fault fault);
    void readDeck(const QString &deckPath, int hardestLimit, DeckHistory &h, Fault &fault);
    // The deck's row, made when create is set: -1 on failure, 0 when none.
    qint64 deckId(const QString &key, const QString &name, bool create);
    static Fault faultOf(const QSqlQuery &query);

    QString folder_;
    QString connection_;
    State state_ = State::Closed;
    QString notice_;
    bool damagedOnce_ = false;
    QVector<Op> queue_;
    struct RunInfo {
        QString deck, name, options;
    };
    QHash<qint64, RunInfo> runs_;
    struct Statements;
    std::unique_ptr<Statements> st_;
};

// The options in force, as the runs table shows them.
QString optionsText(bool randomOrder, bool answerFirst, int choices);
// The texts of one row of the runs table and of the hardest cards.
QStringList runRow(const RunSummary &run);
QStringList cardRow(const CardSummary &card);
// The elapsed time of a run as hh:mm:ss.
QString elapsedText(qint64 seconds);

}  // namespace history
