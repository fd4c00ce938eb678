// The card editor driven as a user drives it: creating a deck through the
// input box, adding cards and pictures, stepping through the cards,
// removing and restoring cards, correcting a card, the question before work
// in hand is left, editing a deck that exists; every change read back from
// the file with the store, xlrd and FreeXL. Also the removal's row shift and
// the pictures' names on their own.

#include "DeckTestSupport.h"

#include "decks/DeckSave.h"
#include "decks/DeckStore.h"
#include "decks/xls/BiffReader.h"
#include "editor/CardFiles.h"
#include "editor/RemovalShift.h"
#include "support/GuiTest.h"

#include <QInputDialog>
#include <QLabel>
#include <QTextEdit>

#include <csignal>

#include <sys/resource.h>

using namespace guitest;
using Rows = std::vector<editor::CardRow>;

// One step of a script on the deck "Letters": what the user does, then
// what the editor shows (empty: not looked at) and the start of the message
// it shows (empty: none). Steps: "<", ">", "-" for Remove, "+question|answer"
// types a card and Adds it, "*question|answer" types over the card shown
// and Saves it, "u" is Ctrl+Z where the focus is (Undo), "@n" clicks << from a new card until
// card n shows, "edit" opens the deck again in the editor, "!disk full", "!folder
// not writable" make the next save fail, "!changed by another writer"
// writes the deck with a card "X" added, "=" shows the rows on disk
// ("question|answer;...") instead of the card and buttons.
struct Step { QString act, shows = {}, message = {}; };
using Script = QList<Step>;

Q_DECLARE_METATYPE(Rows)
Q_DECLARE_METATYPE(Script)

namespace {

// The rows of a deck file, "question|answer" each, as the store reads them.
QStringList rowsOf(const QString &path)
{
    decks::DeckConnection c;
    decks::DeckRecordset rs;
    c.Open(path, decks::DeckConnection::Mode::Edit);
    QStringList rows;
    for (rs.Open(c); !rs.EOF_(); rs.MoveNext())
        rows << decks::fieldText(rs.Field(0)) + QLatin1Char('|') + decks::fieldText(rs.Field(1));
    return rows;
}

// Every cell of Sheet1 with its type and format, as the file holds it.
QStringList cellsOf(const QString &path)
{
    QStringList out;
    const xls::Workbook book = xls::readWorkbookFile(decktest::readFile(path));
    for (const xls::Row &r : book.sheet("Sheet1")->rows)
        for (const auto &[column, c] : r.cells)
            out << QStringLiteral("%1,%2:%3 %4 %5 xf%6").arg(r.index).arg(column).arg(int(c.type)).arg(c.text).arg(c.number).arg(c.xf);
    return out;
}

// Where xlrd or FreeXL read the file's cells differently from our reader.
QString readersDiff(const QString &path)
{
    return decktest::readersDiff(path, decktest::modelJson(xls::readWorkbookFile(decktest::readFile(path))), true);
}

// While it lives, this process may write no file past `bytes`: the kernel
// refuses the write (EFBIG, SIGXFSZ ignored) exactly where a full disk
// would. Kept to the one command under test.
struct FileSizeLimit {
    explicit FileSizeLimit(qint64 bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit limit{rlim_t(bytes), old.rlim_max};
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
    rlimit old{};
};

// A shown window on a program folder of its own.
struct Editor {
    Editor() { w->show(), activate(); }
    // The window active again, as after a dialog closes.
    void activate() { w->activateWindow(); QVERIFY(QTest::qWaitForWindowActive(w.get())); }
    QWidget *get(const char *name) { return w->findChild<QWidget *>(QLatin1String(name)); }
    QAbstractButton *button(const char *name) { return qobject_cast<QAbstractButton *>(get(name)); }
    bool shown(const char *name) { return !get(name)->isHidden(); }
    QString card() { return w->txtAddQuest->toPlainText() + '|' + w->txtAddAns->toPlainText(); }
    // The card in the boxes and which of <<, Add, Remove, >> are enabled,
    // as "question|answer <+->" with "." for off.
    QString state()
    {
        return card() + ' ' + on("cmdPrev", '<') + on("cmdAdd", '+') + on("cmdRemoveQuest", '-') + on("cmdNext", '>');
    }
    QChar on(const char *name, char sign) { return get(name)->isEnabled() ? sign : '.'; }
    // Runs action with message waiting to record what it brings up.
    std::shared_ptr<Message> answered(std::shared_ptr<Message> message, const std::function<void()> &action)
    {
        action();
        stopPollers();
        return message;
    }

    // "Add Deck" with name typed into the input box (a null name cancels it).
    std::shared_ptr<Message> create(const QString &name, bool fromToolbar = true)
    {
        auto message = std::make_shared<Message>();
        onNextModal<QInputDialog>([name, message](QInputDialog *box) {
            answerMessageBox(message, 3000);
            box->setTextValue(name);
            name.isNull() ? box->reject() : box->accept();
        });
        return answered(message, [&] { fromToolbar ? click(button("picAddDeck")) : w->mnuAdd->trigger(); });
    }
    // "Edit Deck" on the file at path.
    std::shared_ptr<Message> edit(const QString &path) { return answered(answerFileDialog(path), [&] { w->mnuEditDeck->trigger(); }); }
    // "Edit Deck" on a deck "Letters" of the given "question|answer" rows
    // ("#2": the number 2).
    void edit(const QStringList &rows)
    {
        QList<QPair<QVariant, QVariant>> cells;
        for (const QString &r : rows)
            cells.append({r.section('|', 0, 0), r.section('|', 1).startsWith('#') ? QVariant(r.section('|', 1).mid(1).toDouble()) : r.section('|', 1)});
        writeDeck(deck("Letters"), cells);
        edit(deck("Letters"));
    }
    void type(const QString &q, const QString &a) { w->txtAddQuest->setPlainText(q), w->txtAddAns->setPlainText(a); }
    std::shared_ptr<Message> press(const char *name) { return answered(answerMessageBox(), [&] { click(button(name)); }); }
    // Runs action and answers the question it brings up with the button
    // reading answer; a message that follows is answered with OK.
    std::shared_ptr<Message> answering(const QString &answer, const std::function<void()> &action)
    {
        auto asked = std::make_shared<Message>();
        onNextModal<QMessageBox>([=](QMessageBox *box) {
            asked->shown = true, asked->text = box->text();
            answerMessageBox(std::make_shared<Message>(), 3000);
            for (QAbstractButton *b : box->buttons())
                if (b->text() == answer)
                    b->click();
        });
        return answered(asked, action);
    }
    // Plays the steps. Text in the boxes, typed or put there by the editor,
    // turns "&Decks" off.
    void play(const Script &steps)
    {
        using Fault = decks::DeckConnection::CommitFault;
        static const QMap<QString, const char *> controls{{"<", "cmdPrev"}, {">", "cmdNext"}, {"-", "cmdRemoveQuest"},
                                                          {"*", "cmdSaveCard"}};
        for (const Step &step : steps) {
            const QString act = step.act.left(1), arg = step.act.mid(1);
            QString message;
            if (act == "@") {
                do
                    click(button("cmdPrev"));
                while (w->DeckRecordset->AbsolutePosition() > arg.toInt());
            } else if (step.act == "edit") {
                edit(deck("Letters"));
            } else if (step.act == "!changed by another writer") {
                QTest::qWait(20);  // a modification time of its own
                writeDeck(deck("Letters"), {{"A", "a"}, {"B", "b"}, {"X", "x"}});
            } else if (act == "!") {
                w->DeckConnection->failNextCommit(arg == "disk full" ? Fault::DiskFull : Fault::FolderNotWritable);
            } else if (act == "u") {
                message = answered(answerMessageBox(), [&] { QTest::keyClick(focus(), Qt::Key_Z, Qt::ControlModifier); })->text;
            } else if (act != "=") {
                if (act == "+" || act == "*")
                    type(arg.section('|', 0, 0), arg.section('|', 1));
                message = press(controls.value(act, "cmdAdd"))->text;
            }
            QVERIFY2(step.message.isEmpty() ? message.isEmpty() : message.startsWith(step.message), qPrintable(message));
            QVERIFY2(message.count(deck("Letters")) <= 1, qPrintable(message));
            if ((act == "-" || act == "u") && message.isEmpty() && !spaceAfterEach)
                QVERIFY(shown("cmdUndo") == (act == "-") && shown("lblCardRemoved") == (act == "-") && w->lblCardRemoved->text() == "Card removed.");
            if (spaceAfterEach) {
                // Space where the focus is now removes no card and saves
                // nothing; a space typed into a box is taken back.
                const QStringList onDisk = rowsOf(deck("Letters"));
                QWidget *focus = this->focus();
                QVERIFY(focus != button("cmdRemoveQuest") && focus != button("cmdAddDone"));
                auto *box = qobject_cast<QTextEdit *>(focus);
                const QString text = box ? box->toPlainText() : QString();
                answered(answerMessageBox(), [&] { QTest::keyClick(focus, Qt::Key_Space); });
                if (box)
                    box->setPlainText(text);
                QCOMPARE(rowsOf(deck("Letters")), onDisk);
                continue;
            }
            const QString shows = act == "=" ? rowsOf(deck("Letters")).join(';') : state();
            QCOMPARE(step.shows.isEmpty() ? step.shows : shows, step.shows);
            QCOMPARE(w->mnuDecks->isEnabled(), card() == "|");
        }
    }
    QString deck(const QString &name) { return folder.deckPath(name + QStringLiteral(".xls")); }
    bool spaceAfterEach = false;
    // Where the window's keyboard focus is.
    QWidget *focus() { return w->focusWidget() ? w->focusWidget() : w.get(); }

    ProgramFolder folder;
    std::unique_ptr<frmQuestion> w = std::make_unique<frmQuestion>(folder.path());
};

}  // namespace

class TestEditor : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { guitest::initTestCase(); }
    void cleanup() { guitest::stopPollers(); }

    // ---- The removal's row shift ------------------------------------------------

    void removeAndShiftUp_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<Rows>("after");
        const editor::CardRow a{"A", "a"}, b{"B", "b"}, d{"D", "d"}, blank{QString(), QString()};
        QTest::newRow("nothing follows") << Rows{a} << Rows{blank};
        QTest::newRow("an empty question ends the shift")
            << Rows{a, b, {QVariant(), "x"}, d} << Rows{b, blank, {QVariant(), "x"}, d};
        QTest::newRow("a number question keeps its type, a number answer turns text")
            << Rows{a, {42.0, 2.5}} << Rows{{42.0, "2.5"}, blank};
    }
    void removeAndShiftUp()
    {
        QFETCH(Rows, rows);
        QFETCH(Rows, after);
        // Each row as its texts and the question's type.
        const auto texts = [](const Rows &rs) {
            QStringList out;
            for (const editor::CardRow &r : rs)
                out << decks::fieldText(r.question) + r.question.typeName() + "|" + r.answer.toString() + r.answer.typeName();
            return out;
        };
        QCOMPARE(texts(editor::removeAndShiftUp(rows)), texts(after));
    }

    // ---- Creating a deck ---------------------------------------------------------------

    void createDeck_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");  // empty: the deck is created
        const QString bad = QStringLiteral("Please enter a deck name without . \\ / : * ? \" < > |");
        QTest::newRow("a name") << "Biology" << "";
        QTest::newRow("blanks") << "   " << "";
        QTest::newRow("cancelled") << QString() << "";
        QTest::newRow("a dot") << "my.deck" << bad;
        QTest::newRow("a separator") << "../Biology" << bad;
        QTest::newRow("a control character") << "Bio\tlogy" << bad;
        QTest::newRow("a deck that exists") << "Existing" << "A deck with this name already exists. Please choose another name";
    }
    void createDeck()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        Editor e;
        writeDeck(e.deck("Existing"), {{"keep", "me"}});
        const auto shown = e.create(name);
        const bool created = !name.isEmpty() && message.isEmpty();
        QCOMPARE(shown->text, message);
        QVERIFY(!shown->shown || (shown->title == "Mnemora" && shown->icon == QMessageBox::Information));
        QCOMPARE(QDir(e.folder.path() + "/Decks/Deck1").entryList(QDir::Files).size(), 1 + created);
        QCOMPARE(rowsOf(e.deck("Existing")), QStringList{"keep|me"});
        QVERIFY(e.shown("PicOpenDeck") != created && e.shown("cmdAdd") == created);
        if (!created)
            return;
        QCOMPARE(e.w->lblDecknameAdd->text(), name);
        QCOMPARE(e.state(), QStringLiteral("| .+.."));
        QVERIFY(e.shown("cmdAddBrowse") && e.w->focusWidget() == e.w->txtAddQuest);
        QVERIFY(!e.w->mnuOpt->isVisible() && !e.w->mnuHelp->isEnabled());
    }

    // The menu way in leaves Browse as it was; the view the menu was used
    // from makes way for the editor.
    void fromTheMenu()
    {
        Editor e;
        openDeck(*e.w, e.folder.addDeck("capitals-xlwt.xls"));  // hides Browse
        click(e.button("cmdEnd"));
        click(e.button("cmdClose"));
        e.create("AfterARun", false);
        QVERIFY(e.shown("cmdAdd") && !e.shown("cmdAddBrowse"));
        click(e.button("cmdAddDone"));
        click(e.button("PicOptions1"));
        clickIndicator(e.button("OptSortRandom"));
        QVERIFY(e.w->mnuDecks->isVisible() && e.w->mnuDecks->isEnabled());
        e.create("FromOptions", false);
        QVERIFY(!e.shown("fraOptions") && e.shown("cmdAdd") && e.w->mod.SortMode);
    }

    // Picture paths typed by hand, in the question and in the answer box.
    void typedPicturePaths()
    {
        Editor e;
        e.create("Shapes");
        // A backslash typed by hand, before any picture was chosen, stores
        // the reference of none.
        e.play({{"+a\\b|typed"}});
        // A drive path in the answer box is refused when the focus leaves it.
        e.activate();
        e.w->txtAddAns->setFocus();
        e.type("q", "D:\\x");
        const auto message = e.answered(answerMessageBox(), [&] { e.w->txtAddQuest->setFocus(); });
        QVERIFY(message->text == "Please provide the Image path in the Questions" && message->icon == QMessageBox::NoIcon);
        QVERIFY(e.card() == "|" && e.w->focusWidget() == e.w->txtAddQuest);
    }

    // ---- Adding, stepping and removing -------------------------------------------------

    void editCards_data()
    {
        QTest::addColumn<QStringList>("deck");  // the rows of the deck edited; none: a new deck
        QTest::addColumn<Script>("script");
        QTest::addColumn<QStringList>("after");  // the rows on disk at the end
        // A slash is text, blanks are text. << brings back the last card,
        // then the one before, then the title row like any card; >> walks
        // forward again and past the end, where << brings back the last card.
        const QString fillBoth = QStringLiteral("Please enter the Question and Answer");
        QTest::newRow("adding and stepping")
            << QStringList()
            << Script{{"+|", "", fillBoth}, {"+only a question|", "", fillBoth}, {"+|only an answer", "", fillBoth},
                      {"+What's up?|fine", "| <+.."}, {"+1/2| ", "| <+.."}, {"<", "1/2|  <.->"}, {"<", "What's up?|fine <.->"},
                      {"<", "Question|Answer ..->"}, {">", "What's up?|fine <.->"}, {">", "1/2|  <.->"}, {">", "| <+.."},
                      {"<", "1/2|  <.->"}}
            << QStringList{"Question|Answer", "What's up?|fine", "1/2| "};
        const QStringList abcd{"A|a", "B|b", "C|c", "D|d"}, abc = abcd.mid(0, 3), ab = abcd.mid(0, 2), blank{"|"};
        QTest::newRow("remove a middle card") << abcd << Script{{"@2"}, {"-", "C|c <.->"}} << QStringList{"A|a", "C|c", "D|d", "|"};
        QTest::newRow("remove the first card") << abc << Script{{"@1"}, {"-", "B|b ..->"}} << QStringList{"B|b", "C|c", "|"};
        QTest::newRow("remove the last card") << abc << Script{{"@3"}, {"-", "B|b <.->"}} << QStringList{"A|a", "B|b", "|"};
        QTest::newRow("remove the last but one card") << ab << Script{{"@2"}, {"-", "A|a ..->"}} << QStringList{"A|a", "|"};
        QTest::newRow("remove the only card") << abcd.mid(0, 1) << Script{{"@1"}, {"-", "| .+.."}} << blank;
        // Undo puts the card back where it was, until the deck changes again.
        // Undo puts back the very cells (numbers, formats) the removal moved.
        const QStringList numbers{"A|#1", "B|#2.5", "C|c", "D|d"}, read{"A|1", "B|2.5", "C|c", "D|d"};
        QTest::newRow("remove the first, undo") << numbers << Script{{"@1"}, {"-"}, {"u", "A|1 ..->"}} << read;
        QTest::newRow("remove a middle card, undo") << numbers << Script{{"@2"}, {"-"}, {"u", "B|2.5 <.->"}, {">", "C|c <.->"}} << read;
        QTest::newRow("remove the last, undo") << numbers << Script{{"@4"}, {"-"}, {"u", "D|d <.->"}} << read;
        QTest::newRow("remove the only card, undo") << abcd.mid(0, 1) << Script{{"@1"}, {"-"}, {"u", "A|a ..-."}} << abcd.mid(0, 1);
        QTest::newRow("no undo after an add")
            << abc << Script{{"@3"}, {"-"}, {">", "| <+.."}, {"+D|d"}, {"u", "| <+.."}} << QStringList{"A|a", "B|b", "D|d", "|"};
        // A card corrected; a box left as it was keeps its cell.
        QTest::newRow("correct a card")
            << abc << Script{{"@2"}, {"*B2|b", "B2|b <.->"}, {"<", "A|a ..->"}, {">", "B2|b <.->"}, {"*B2|b 2"}, {"-"}, {"u"}}
            << QStringList{"A|a", "B2|b 2", "C|c"};
        QTest::newRow("correct a card to empty") << abc << Script{{"@2"}, {"*|b", "|b <.->", fillBoth}} << abc;
        QStringList many;
        for (int i = 1; i <= 151; ++i)
            many << QStringLiteral("q%1|answer %1").arg(i);
        QTest::newRow("remove with 150 cards after") << many << Script{{"@1"}, {"-", "q2|answer 2 ..->"}} << many.mid(1) + blank;
        // >> past the last card goes onto the blank rows: a new card; the
        // editor opened again on the deck takes its blank rows as such.
        QTest::newRow("removals leave blank rows that adds fill")
            << abc << Script{{"@1"}, {"-", "B|b ..->"}, {"-", "C|c ..->"}, {">", "| <+.."}, {"+D|d"}, {"edit"}, {"+E|e"}}
            << QStringList{"C|c", "D|d", "E|e", "|", "|"};
        // A save that fails leaves the deck on disk whole and the editor as
        // it was (the card typed kept); the next try goes through onto the
        // deck as it is on disk.
        for (const QString fault : {"disk full", "folder not writable", "changed by another writer"}) {
            const bool other = fault.startsWith("changed");
            const QStringList onDisk = other ? ab + QStringList{"X|x"} : ab;
            const QString message = other ? "The deck was changed by another program. It will be read again."
                                    : fault == "disk full" ? "The deck could not be saved: The disk is full."
                                                           : "The deck could not be saved: The folder cannot be written.";
            const Step fails{"!" + fault}, whole{"=", onDisk.join(';')};
            QTest::addRow("add, %s", qPrintable(fault))
                << ab << Script{fails, {"+typed|card", "typed|card <+..", message}, whole, {"+typed|card"}}
                << onDisk + QStringList{"typed|card"};
            QTest::addRow("remove, %s", qPrintable(fault))
                << ab << Script{{"@1"}, fails, {"-", other ? "| <+.." : "A|a ..->", message}, whole, {"@1"}, {"-"}}
                << onDisk.mid(1) + blank;
            // A failed save keeps the correction in the boxes: saved again,
            // or added as a new card to the deck read again.
            QTest::addRow("save, %s", qPrintable(fault))
                << ab << Script{{"@1"}, fails, {"*Z|z", other ? "Z|z <+.." : "Z|z ..->", message}, whole, {other ? "+Z|z" : "*Z|z"}}
                << (other ? onDisk + QStringList{"Z|z"} : QStringList{"Z|z", "B|b"});
            QTest::addRow("undo, %s", qPrintable(fault))
                << ab << Script{{"@1"}, {"-"}, fails, {"u", other ? "| <+.." : "B|b ..->", message}, {"u"}}
                << (other ? onDisk : QStringList{"A|a", "B|b"});
        }
    }
    void editCards()
    {
        QFETCH(QStringList, deck);
        QFETCH(Script, script);
        QFETCH(QStringList, after);
        Editor e;
        deck.isEmpty() ? (void)e.create("Letters") : e.edit(deck);
        const QStringList cells = deck.isEmpty() ? QStringList() : cellsOf(e.deck("Letters")), rows = rowsOf(e.deck("Letters"));
        e.play(script);
        if (script.last().act == "u" && after == rows)
            QCOMPARE(cellsOf(e.deck("Letters")), cells);
        QCOMPARE(rowsOf(e.deck("Letters")), after);
        // The editor counts the cards and the blank rows after them as on disk.
        const qsizetype cards = after.contains("|") ? after.indexOf("|") : after.size();
        QVERIFY(e.w->EditCardCount == cards && e.w->BlankRows == after.size() - cards);
        QCOMPARE(readersDiff(e.deck("Letters")), QString());
    }

    // A card that cannot be saved: the write refused by the kernel one byte
    // short of the new workbook, another program holding the deck open, a
    // text longer than a cell. The message says why, the deck stays byte
    // for byte, no temporary file is left, the typed card stays in the
    // boxes; once the obstacle is gone the same Add saves it.
    void cardsThatCannotBeSaved_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<QString>("onOpening");  // the message when the editor opens the deck
        QTest::addColumn<QString>("onAdd");
        const QString open = "This deck is open in another program (jdoe on desk7). Close it there before changing it here.";
        QTest::newRow("disk full") << "file size limit" << "" << "The deck could not be saved: The disk is full.";
        QTest::newRow("open in LibreOffice") << "lock file" << open << open;
        QTest::newRow("question too long") << "too long" << "" << "The Question and the Answer can each hold at most 32,767 characters";
    }
    void cardsThatCannotBeSaved()
    {
        QFETCH(QString, obstacle);
        QFETCH(QString, onOpening);
        QFETCH(QString, onAdd);
        Editor e;
        QList<QPair<QVariant, QVariant>> cards;
        for (int i = 0; i < 300; ++i)
            cards.append({QString("q%1").arg(i), QString("a%1").arg(i)});
        const QString path = e.deck("Letters"), lock = e.folder.path() + "/Decks/Deck1/.~lock.Letters.xls#";
        writeDeck(path, cards);
        if (obstacle == "lock file")
            QVERIFY(decktest::writeFile(lock, ",jdoe,desk7,07.12.2026 10:15,file:///home/jdoe/.config/libreoffice/4;"));
        QCOMPARE(e.edit(path)->text, onOpening);
        const QByteArray before = decktest::readFile(path);
        const QString question = obstacle == "too long" ? QString(decks::kMaxCellText + 1, 'q') : "typed";
        e.type(question, "card");
        std::shared_ptr<Message> message;
        if (obstacle == "file size limit") {
            decks::DeckConnection c;
            c.Open(path, decks::DeckConnection::Mode::Edit);
            c.AppendRow(question, "card");
            FileSizeLimit limit(xls::writeWorkbookFile(c.workbook()).size() - 1);
            message = e.press("cmdAdd");
        } else {
            message = e.press("cmdAdd");
        }
        QCOMPARE(message->text, onAdd);
        QVERIFY(message->title == "Mnemora" && message->icon == QMessageBox::Information);
        QCOMPARE(decktest::readFile(path), before);
        QCOMPARE(decks::leftoverSaves(path), QStringList());
        QCOMPARE(e.state(), question + "|card <+..");

        QFile::remove(lock);
        if (obstacle == "too long")
            e.type(question.left(decks::kMaxCellText), "card");
        QCOMPARE(e.press("cmdAdd")->text, QString());
        QCOMPARE(rowsOf(path).size(), 301);
        QCOMPARE(rowsOf(path).last(), question.left(decks::kMaxCellText) + "|card");
    }

    // Space where any command leaves the focus removes no card: the focus
    // goes to the question box, never onto Remove or Done.
    void spaceAfterEveryCommand_data()
    {
        QTest::addColumn<Script>("script");
        QTest::newRow("walking back and forth") << Script{{"<"}, {"<"}, {"<"}, {"<"}, {">"}, {">"}, {">"}, {">"}};
        QTest::newRow("removing") << Script{{"@2"}, {"-"}, {"-"}, {"u"}, {"@1"}, {"-"}, {"-"}, {"-"}, {"-"}};
        QTest::newRow("adding and saving") << Script{{"+E|e"}, {"@3"}, {"*C3|c"}, {"u"}, {">"}};
    }
    void spaceAfterEveryCommand()
    {
        QFETCH(Script, script);
        Editor e;
        e.edit(QStringList{"A|a", "B|b", "C|c", "D|d"});
        e.spaceAfterEach = true;
        e.play(script);
    }

    // Every way out of a card typed or corrected asks first; the user's
    // answer decides what the deck holds and whether the card is left.
    void leavingWorkInHand_data()
    {
        QTest::addColumn<QString>("card");  // "edited" (B corrected), "typed" (a new card), "emptied" (B's boxes emptied)
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("after");  // the rows on disk
        QTest::addColumn<QString>("shows");  // the card shown, or "start", "closed", "named" (asked for a deck name)
        const QString abc = "A|a;B|b;C|c", saved = "A|a;B2|b2;C|c", removed = "A|a;C|c;|";
        for (const auto &[card, way, kept, dropped, left] :
             {std::tuple{"edited", "<", saved, abc, "A|a"}, {"edited", ">", saved, abc, "C|c"}, {"edited", "-", removed, removed, "C|c"},
              {"edited", "done", saved, abc, "start"}, {"edited", "close", saved, abc, "closed"},
              {"typed", "close", abc + ";N|n", abc, "closed"}, {"typed", "done", abc + ";N|n", abc, "start"},
              {"emptied", "decks", abc, abc, "named"}})
            for (const QString answer : {"Save", "Discard", "Cancel"}) {
                const bool stays = answer == "Cancel" || (QString(card) == "emptied" && answer == "Save");
                const QString typed = QString(card) == "typed" ? "N|n" : QString(card) == "edited" ? "B2|b2" : "|";
                QTest::addRow("%s, %s, %s", card, way, qPrintable(answer))
                    << card << way << (QString(card) == "typed" && answer == "Save" ? "Add" : answer)
                    << (answer == "Save" ? kept : answer == "Discard" ? dropped : abc) << (stays ? typed : left);
            }
    }
    void leavingWorkInHand()
    {
        QFETCH(QString, card);
        QFETCH(QString, way);
        QFETCH(QString, answer);
        QFETCH(QString, after);
        QFETCH(QString, shows);
        Editor e;
        e.edit(QStringList{"A|a", "B|b", "C|c"});
        if (card != "typed")
            e.play({{"@2"}});
        card == "typed" ? e.type("N", "n") : card == "edited" ? e.type("B2", "b2") : e.type("", "");
        bool named = false;
        onNextModal<QInputDialog>([&named](QInputDialog *box) { named = true, box->reject(); });
        const auto asked = e.answering(answer, [&] {
            way == "close" ? (void)e.w->close() : way == "decks" ? trigger(e.w->mnuAdd) : way == "done" ? click(e.button("cmdAddDone"))
                                                                                                       : click(e.button(way == "<" ? "cmdPrev" : way == ">" ? "cmdNext" : "cmdRemoveQuest"));
        });
        QCOMPARE(asked->text, card == "typed" ? QString("Add the card you typed to the deck?") : QString("Save the changes to this card?"));
        QCOMPARE(rowsOf(e.deck("Letters")).join(';'), after);
        QCOMPARE(e.w->isHidden() ? "closed" : e.shown("PicOpenDeck") ? "start" : named ? "named" : e.card(), shows);
    }

    // ---- Pictures are never replaced ------------------------------------------------------

    void pictureNames_data()
    {
        QTest::addColumn<QString>("folder");  // name=S (the same picture) or name=D (another one)
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("name");
        QTest::newRow("free") << "dog.jpg=D" << "cat.jpg" << "cat.jpg";
        QTest::newRow("the same picture") << "cat.jpg=S" << "cat.jpg" << "cat.jpg";
        QTest::newRow("another picture") << "cat.jpg=D" << "cat.jpg" << "cat-2.jpg";
        QTest::newRow("two others") << "cat.jpg=D cat-2.jpg=D" << "cat.jpg" << "cat-3.jpg";
        QTest::newRow("the same one numbered") << "cat.jpg=D cat-2.jpg=S" << "cat.jpg" << "cat-2.jpg";
        QTest::newRow("dots in the name") << "my.cat.jpg=D" << "my.cat.jpg" << "my.cat-2.jpg";
        QTest::newRow("no extension") << "cat=D" << "cat" << "cat-2";
        QTest::newRow("a leading dot only") << ".cat=D" << ".cat" << ".cat-2";
    }
    void pictureNames()
    {
        QFETCH(QString, folder);
        QFETCH(QString, chosen);
        QFETCH(QString, name);
        QMap<QString, editor::PictureAt> held;
        for (const QString &entry : folder.split(' '))
            held[entry.section('=', 0, 0)] = entry.endsWith("=S") ? editor::PictureAt::Same : editor::PictureAt::Different;
        QCOMPARE(editor::pictureFileName(chosen, [&](const QString &n) { return held.value(n, editor::PictureAt::Nothing); }), name);
    }

    // The deck's file is named once in a failed save's message; a deck
    // file or folder the kernel refuses to write is found before editing.
    void deckFiles()
    {
        const QString deck = "/d/Deck.xls", twice = "Cannot save /d/Deck.xls: Existing file /d/Deck.xls is not writable";
        QCOMPARE(editor::saveFailureReason(twice, deck), "Existing file /d/Deck.xls is not writable");
        QCOMPARE(editor::saveFailureReason("Cannot save /d/Deck.xls: File too large", deck), "Cannot save /d/Deck.xls: File too large");
        ProgramFolder folder({"one-card-xlwt.xls"});
        QVERIFY(editor::deckCanBeWritten(folder.deckPath("one-card-xlwt.xls")));
        QVERIFY(!editor::deckCanBeWritten("/proc/version") && !editor::deckCanBeWritten(folder.deckPath("missing.xls")));
    }

    void picturesNeverReplaced_data()
    {
        QTest::addColumn<QString>("inImages");  // what Images/cat.png holds: "", "same", "other", or "chosen" (it is the one chosen)
        QTest::addColumn<bool>("cancelled");    // the card is discarded instead of added
        QTest::addColumn<bool>("shown");        // the picture replaces the question of a card shown, which is saved
        QTest::addColumn<QString>("stored");    // the picture the card names
        QTest::newRow("free name") << "" << false << false << "cat.png";
        QTest::newRow("another picture of that name") << "other" << false << false << "cat-2.png";
        QTest::newRow("the same picture") << "same" << false << false << "cat.png";
        QTest::newRow("chosen from Images") << "chosen" << false << false << "cat.png";
        QTest::newRow("cancelled card") << "" << true << false << "";
        QTest::newRow("cancelled card, name taken") << "other" << true << false << "";
        QTest::newRow("a card shown, name taken") << "other" << false << true << "cat-2.png";
        QTest::newRow("a card shown, cancelled") << "" << true << true << "";
    }
    void picturesNeverReplaced()
    {
        QFETCH(QString, inImages);
        QFETCH(bool, cancelled);
        QFETCH(bool, shown);
        QFETCH(QString, stored);
        Editor e;
        e.edit(QStringList{"A|a"});
        if (shown)
            e.play({{"@1"}});
        QTemporaryDir elsewhere;
        const QString images = e.folder.path() + "/Images/", chosen = (inImages == "chosen" ? images : elsewhere.path() + "/") + "cat.png";
        QVERIFY(QImage(QSize(8, 8), QImage::Format_RGB32).save(chosen));
        if (inImages == "same" || inImages == "other")
            QVERIFY(inImages == "same" ? QFile::copy(chosen, images + "cat.png") : QImage(QSize(4, 4), QImage::Format_RGB32).save(images + "cat.png"));
        const QStringList pictures = QDir(images).entryList({"cat*"});
        const QByteArray held = decktest::readFile(images + "cat.png");
        e.answered(answerFileDialog(chosen), [&] { click(e.button("cmdAddBrowse")); });
        QCOMPARE(QDir(images).entryList({"cat*"}), pictures);  // nothing copied yet
        QVERIFY(e.card() == QDir::toNativeSeparators(chosen) + (shown ? "|a" : "|") && e.w->focusWidget() == e.w->txtAddAns);
        if (cancelled) {
            e.answering("Discard", [&] { click(e.button("cmdAddDone")); });
        } else {
            e.play({{(shown ? "*" : "+") + e.w->txtAddQuest->toPlainText() + "|a cat"}, {shown ? "=" : "<"}});
            QCOMPARE(rowsOf(e.deck("Letters")), QStringList(shown ? 1 : 2, "A|a").mid(1) << "\\Images\\" + stored + "|a cat");
            QCOMPARE(decktest::readFile(images + stored), decktest::readFile(chosen));
            QCOMPARE(e.card(), QDir::toNativeSeparators(images + stored) + "|a cat");
        }
        QCOMPARE(decktest::readFile(images + "cat.png"), held.isEmpty() && !cancelled ? decktest::readFile(chosen) : held);
        QCOMPARE(QDir(images).entryList({"cat*"}).size(), pictures.size() + (!cancelled && (inImages.isEmpty() || inImages == "other")));
    }

    // A deck that cannot be written is said to be so before any card is
    // typed: it is studied, or another deck is chosen.
    void readOnlyDeck_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("view");
        QTest::newRow("study it") << "Study It" << "cmdAns cmdEnd";
        QTest::newRow("choose another") << "Choose Another" << "cmdAdd cmdAddBrowse";
        QTest::newRow("cancel") << "Cancel" << "PicOpenDeck";
    }
    void readOnlyDeck()
    {
        QFETCH(QString, answer);
        QFETCH(QString, view);
        Editor e;
        const QString locked = e.folder.addDeck("capitals-xlwt.xls"), other = e.folder.addDeck("two-cards-xlwt.xls");
        e.w->checkDeckWritable = [locked](const QString &path) { return path != locked; };
        const QByteArray before = decktest::readFile(locked);
        const auto choose = [](const QString &path) {
            onNextModal<QFileDialog>([path](QFileDialog *dialog) {
                auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                name->setText(path);
                QTest::keyClick(name, Qt::Key_Return);
            });
        };
        choose(locked);
        const auto asked = e.answering(answer, [&] {
            if (answer.startsWith("Choose"))
                QTimer::singleShot(300, [&] { choose(other); });
            e.w->mnuEditDeck->trigger();
        });
        QCOMPARE(asked->text, QStringLiteral("This deck is read-only. It can be studied but not changed."));
        for (const QString &name : view.split(' '))
            QVERIFY2(e.shown(qPrintable(name)), qPrintable(name));
        QCOMPARE(decktest::readFile(locked), before);
    }

    // ---- Decks made here and elsewhere, then studied ------------------------------------

    void createdAndEditedDecksAreStudied()
    {
        Editor e;
        e.create("Capitals");
        e.play({{"+France|Paris"}, {"+Spain|Madrid"}});
        click(e.button("cmdAddDone"));
        QVERIFY(e.shown("PicOpenDeck") && !e.shown("fraQuestion") && e.w->mnuDecks->isEnabled() && !e.w->DeckConnection);
        QCOMPARE(openDeck(*e.w, e.deck("Capitals"))->text, QString());
        QCOMPARE(e.w->CardCount, qint16(2));  // the title row is no card
        click(e.button("cmdEnd"));
        click(e.button("cmdClose"));

        // Edit Deck cancelled, on a file that is no deck, and on decks that
        // are studied only: no editor, the file as it was.
        const char *studyOnly = "This deck can be studied here but not edited. Save it as an Excel 97-2003 workbook "
                                "(.xls) to edit it in Mnemora.";
        for (const auto &[file, message] :
             {std::pair{"", ""}, {"malformed-csv-named-xls.xls", "You have opened a Blank file or a file with Invalid file format"},
              {"rich-soffice.xlsx", studyOnly}, {"rich-soffice.ods", studyOnly}}) {
            const QString path = *file ? e.folder.addDeck(file) : QString();
            const QByteArray before = *file ? decktest::readFile(path) : QByteArray();
            QCOMPARE(e.edit(path)->text, QString(message));
            QVERIFY(e.shown("PicOpenDeck") && !e.shown("cmdAdd"));
            if (*file)
                QCOMPARE(decktest::readFile(path), before);
        }
        // A deck written by another program: << shows its last card.
        const QString other = e.folder.addDeck("capitals-xlwt.xls");
        e.edit(other);
        QCOMPARE(e.w->lblDecknameAdd->text(), QStringLiteral("capitals-xlwt"));
        e.play({{"<", "Ireland|Dublin <.->"}, {">", "| <+.."}, {"+Japan|Tokyo"}});
        QCOMPARE(readersDiff(other), QString());
        click(e.button("cmdAddDone"));
        openDeck(*e.w, other);
        QCOMPARE(e.w->CardCount, qint16(11));
        QCOMPARE(e.w->CardText(e.w->CardCount - 1, 1), QStringLiteral("Tokyo"));
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
