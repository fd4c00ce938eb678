// The helper of killed-saves.py, which kills it at random moments of a
// loop of adds and saves and then looks at the deck it left.
//
//   bench_killed_saves make DECK CARDS     writes a deck of CARDS cards
//   bench_killed_saves loop DECK STATUS    adds "added N" cards and saves each
//                                          at once, until killed; STATUS holds
//                                          "S N" while the save of card N runs,
//                                          "D N" once it is done
//   bench_killed_saves check DECK          reads the deck with our reader; prints
//                                          "cards N" for the N added cards in
//                                          order, "damaged ..." otherwise, and
//                                          the temporary files beside it
//   bench_killed_saves save DECK           one more add, saved; prints the
//                                          temporary files left beside it

#include "BenchSupport.h"

#include "decks/DeckSave.h"
#include "decks/DeckStore.h"

#include <QCoreApplication>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

using decks::DeckConnection;
using decks::DeckRecordset;

const QString kAdded = QStringLiteral("added ");

// The number of "added N" rows after the deck's own rows, checked to run
// 0, 1, 2, ... with nothing else among them; -1 when they do not.
int addedCards(DeckRecordset &rs, QString *why)
{
    int added = 0;
    for (rs.MoveFirst(); !rs.EOF_(); rs.MoveNext()) {
        const QString q = decks::fieldText(rs.Field(0));
        if (!q.startsWith(kAdded))
            continue;
        if (q != kAdded + QString::number(added)) {
            *why = QStringLiteral("row %1 holds \"%2\" where \"added %3\" belongs").arg(rs.AbsolutePosition()).arg(q).arg(added);
            return -1;
        }
        ++added;
    }
    return added;
}

void setStatus(int fd, char state, int card)
{
    char line[32];
    const int n = std::snprintf(line, sizeof line, "%c %09d\n", state, card);
    if (::pwrite(fd, line, size_t(n), 0) != n)
        bench::fail("bench_killed_saves", "cannot write the status");
}

int check(const QString &deck)
{
    DeckConnection c;
    DeckRecordset rs;
    QString why;
    int added = -1;
    try {
        c.Open(deck, DeckConnection::Mode::ReadOnly);
        rs.Open(c);
        added = addedCards(rs, &why);
    } catch (const std::exception &e) {
        why = QString::fromUtf8(e.what());
    }
    if (added < 0)
        std::printf("damaged %s\n", qPrintable(why));
    else
        std::printf("cards %d\n", added);
    std::printf("leftovers %lld\n", static_cast<long long>(decks::leftoverSaves(deck).size()));
    return added < 0 ? 1 : 0;
}

// Opens the deck for editing and adds the next card; returns its number.
int addNext(DeckConnection &c, DeckRecordset &rs)
{
    QString why;
    const int next = addedCards(rs, &why);
    if (next < 0)
        bench::fail("bench_killed_saves", qPrintable(why));
    c.AppendRow(kAdded + QString::number(next), QStringLiteral("saved before the kill"));
    return next;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        bench::fail("bench_killed_saves", "usage: make DECK CARDS | loop DECK STATUS | check DECK | save DECK");
    const QString mode = args[1], deck = args[2];
    try {
        if (mode == QLatin1String("make") && args.size() == 4) {
            QFile f(deck);
            const QByteArray bytes = bench::makeDeck(args[3].toInt());
            return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? 0 : 1;
        }
        if (mode == QLatin1String("check"))
            return check(deck);
        DeckConnection c;
        DeckRecordset rs;
        c.Open(deck, DeckConnection::Mode::Edit);
        rs.Open(c);
        if (mode == QLatin1String("save")) {
            addNext(c, rs);
            c.Commit();
            std::printf("leftovers %lld\n", static_cast<long long>(decks::leftoverSaves(deck).size()));
            return 0;
        }
        if (mode != QLatin1String("loop") || args.size() != 4)
            bench::fail("bench_killed_saves", "unknown mode");
        const int status = ::open(QFile::encodeName(args[3]).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (status < 0)
            bench::fail("bench_killed_saves", "cannot open the status file");
        for (;;) {
            const int card = addNext(c, rs);
            setStatus(status, 'S', card);
            c.Commit();
            setStatus(status, 'D', card);
            rs.Requery();
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_killed_saves: %s\n", e.what());
        return 1;
    }
}
