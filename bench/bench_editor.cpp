// Times the card editor's two commands that change a 32,000-card deck,
// each of which writes the deck once, beside one plain rewrite of the same
// deck by the store (the deck open, one field changed, one commit):
//   removing the first card (every card after it moves up one row);
//   adding a card (it fills the blank row the removal left).
// Usage: bench_editor [rounds]   (default 7; medians are shown)

#include "BenchSupport.h"

#include "app/frmQuestion.h"
#include "decks/DeckStore.h"

#include <QApplication>
#include <QLabel>
#include <QStandardPaths>
#include <QTextEdit>

#include <memory>

namespace {

constexpr int kCards = 32000;

void fail(const char *what)
{
    bench::fail("bench_editor", what);
}

}  // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;

    QTemporaryDir dir;
    const QByteArray deck = bench::makeDeck(kCards);
    const QString path = bench::makeProgramFolder(dir, deck, QStringLiteral("Big.xls"));

    std::vector<double> tRewrite, tRemove, tAdd;
    for (int r = 0; r < rounds; ++r) {
        {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly) || f.write(deck) != deck.size())
                fail("cannot write the deck");
        }
        {
            decks::DeckConnection c;
            c.Open(path, decks::DeckConnection::Mode::Edit);
            decks::DeckRecordset rs;
            rs.Open(c);
            rs.SetAbsolutePosition(2);
            rs.SetField(1, QStringLiteral("changed"));
            tRewrite.push_back(bench::timeMs([&] { c.Commit(); }));
        }

        frmQuestion w(dir.path());
        w.lblDecknameAdd->setText(QStringLiteral("Big"));
        w.ConnectDB();
        if (w.EditCardCount != kCards + 1)
            fail("the editor did not open the deck");
        // The first card, under the title row.
        w.DeckRecordset->SetAbsolutePosition(2);
        w.ShowEditorRow();
        tRemove.push_back(bench::timeMs([&] { w.cmdRemoveQuest_Click(); }));
        if (w.EditCardCount != kCards || w.BlankRows != 1)
            fail("the card was not removed");
        w.txtAddQuest->setPlainText(QStringLiteral("a new question"));
        w.txtAddAns->setPlainText(QStringLiteral("its answer"));
        tAdd.push_back(bench::timeMs([&] { w.cmdAdd_Click(); }));
        if (w.EditCardCount != kCards + 1)
            fail("the card was not added");
    }

    const double rewrite = bench::median(tRewrite), remove = bench::median(tRemove), add = bench::median(tAdd);
    std::printf("Card editor on a %d-card deck, %lld bytes (median of %d rounds)\n", kCards,
                static_cast<long long>(deck.size()), rounds);
    std::printf("%-50s %10.2f ms\n", "plain rewrite: one field changed, one commit", rewrite);
    std::printf("%-50s %10.2f ms  (%.2f x rewrite; goal <= 1.5)\n", "Remove the first card", remove,
                remove / rewrite);
    std::printf("%-50s %10.2f ms  (%.2f x rewrite; goal <= 1.5)\n", "Add a card into the blank row", add,
                add / rewrite);
    return 0;
}
