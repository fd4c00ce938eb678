// The card editor driven as a user drives it: creating a deck through the
// input box, adding cards and pictures, stepping through the cards,
// removing cards, editing a deck that exists; every change read back from
// the file with the store, xlrd and FreeXL. Also the removal's row shift on
// its own.

#include "DeckTestSupport.h"

#include "app/Widgets.h"
#include "decks/DeckStore.h"
#include "decks/xls/BiffReader.h"
#include "editor/RemovalShift.h"
#include "support/GuiTest.h"

#include <QInputDialog>
#include <QLabel>
#include <QTextEdit>

using namespace guitest;
using editor::CardRow;

Q_DECLARE_METATYPE(std::vector<CardRow>)

namespace {

// The rows of a deck file, "question|answer" each, as the store reads them.
QStringList rowsOf(const QString &path)
{
    decks::DeckConnection c;
    decks::DeckRecordset rs;
    c.Open(path, decks::DeckConnection::Mode::Edit);
    rs.Open(c);
    QStringList rows;
    for (int i = 1; i <= rs.RecordCount(); ++i) {
        rs.SetAbsolutePosition(i);
        rows << decks::fieldText(rs.Field(0)) + QLatin1Char('|') + decks::fieldText(rs.Field(1));
    }
    return rows;
}

// The file's cells as our reader, xlrd and FreeXL see them must agree.
void otherReadersAgree(const QString &path)
{
    const QJsonObject ours = decktest::modelJson(xls::readWorkbookFile(decktest::readFile(path)));
    QString error;
    const QJsonObject xlrd = decktest::xlrdJson(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(decktest::cellsDiff(ours, xlrd), QString());
    const QJsonObject freexl = decktest::freexlJson(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(decktest::cellsDiff(decktest::withoutBlanks(ours), freexl), QString());
}

// A shown window on a program folder of its own.
struct Editor {
    Editor()
    {
        w = std::make_unique<frmQuestion>(folder.path());
        w->show();
        activate();
    }
    // The window active again, as after a dialog closes.
    void activate()
    {
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }
    template <typename T = QWidget>
    T *get(const char *name) { return w->findChild<T *>(QLatin1String(name)); }
    QAbstractButton *button(const char *name) { return get<QAbstractButton>(name); }
    bool shown(const char *name) { return !get(name)->isHidden(); }
    QString question() { return w->txtAddQuest->toPlainText(); }
    QString answer() { return w->txtAddAns->toPlainText(); }
    // Which of <<, Add, Remove, >> are enabled, as "<+->" with "." for off.
    QString buttons()
    {
        QString out;
        for (const auto &[name, sign] : {std::pair{"cmdPrev", '<'}, {"cmdAdd", '+'}, {"cmdRemoveQuest", '-'}, {"cmdNext", '>'}})
            out += get(name)->isEnabled() ? sign : '.';
        return out;
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
        fromToolbar ? click(button("picAddDeck")) : w->mnuAdd->trigger();
        stopPollers();
        return message;
    }
    // "Edit Deck" on the file at path.
    std::shared_ptr<Message> edit(const QString &path)
    {
        auto message = answerFileDialog(path);
        w->mnuEditDeck->trigger();
        stopPollers();
        return message;
    }
    void type(const QString &q, const QString &a)
    {
        w->txtAddQuest->setPlainText(q);
        w->txtAddAns->setPlainText(a);
    }
    std::shared_ptr<Message> press(const char *name)
    {
        auto message = answerMessageBox(std::make_shared<Message>(), 500);
        click(button(name));
        stopPollers();
        return message;
    }
    std::shared_ptr<Message> add(const QString &q, const QString &a) { return type(q, a), press("cmdAdd"); }
    // From the new-card state, << until the card at position is shown.
    void showCard(int position)
    {
        click(button("cmdPrev"));
        while (w->DeckRecordset->AbsolutePosition() > position)
            click(button("cmdPrev"));
    }
    QString deck(const QString &name) { return folder.deckPath(name + QStringLiteral(".xls")); }

    ProgramFolder folder;
    std::unique_ptr<frmQuestion> w;
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
        QTest::addColumn<std::vector<CardRow>>("rows");
        QTest::addColumn<std::vector<CardRow>>("after");
        const CardRow a{"A", "a"}, b{"B", "b"}, c{"C", "c"}, d{"D", "d"}, blank{QString(), QString()};
        QTest::newRow("the removed card followed by two") << std::vector<CardRow>{b, c, d}
                                                          << std::vector<CardRow>{c, d, blank};
        QTest::newRow("nothing follows") << std::vector<CardRow>{a} << std::vector<CardRow>{blank};
        QTest::newRow("an empty question ends the shift")
            << std::vector<CardRow>{a, b, {QVariant(), "x"}, d} << std::vector<CardRow>{b, blank, {QVariant(), "x"}, d};
        QTest::newRow("a number question keeps its type, a number answer turns text")
            << std::vector<CardRow>{a, {42.0, 2.5}} << std::vector<CardRow>{{42.0, "2.5"}, blank};
    }
    void removeAndShiftUp()
    {
        QFETCH(std::vector<CardRow>, rows);
        QFETCH(std::vector<CardRow>, after);
        // Each row as its texts and the question's type.
        const auto texts = [](const std::vector<CardRow> &rs) {
            QStringList out;
            for (const CardRow &r : rs)
                out << decks::fieldText(r.question) + r.question.typeName() + "|" + r.answer.toString()
                           + r.answer.typeName();
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
        QTest::newRow("a deck that exists")
            << "Existing" << "A deck with this name already exists. Please choose another name";
    }
    void createDeck()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        Editor e;
        writeDeck(e.deck("Existing"), {{"keep", "me"}});
        const QStringList before = QDir(e.folder.path() + "/Decks/Deck1").entryList(QDir::Files);
        const auto shown = e.create(name);
        const bool created = !name.isEmpty() && message.isEmpty();
        QCOMPARE(shown->text, message);
        if (shown->shown)
            QVERIFY(shown->title == "Mnemora" && shown->icon == QMessageBox::Information);
        QCOMPARE(QDir(e.folder.path() + "/Decks/Deck1").entryList(QDir::Files).size(), before.size() + created);
        QCOMPARE(rowsOf(e.deck("Existing")), QStringList{"keep|me"});
        QCOMPARE(e.shown("PicOpenDeck"), !created);
        QCOMPARE(e.shown("cmdAdd"), created);
        if (!created)
            return;
        QCOMPARE(e.w->lblDecknameAdd->text(), name);
        QCOMPARE(rowsOf(e.deck(name)), QStringList{"Question|Answer"});
        QCOMPARE(e.w->EditCardCount, qint16(1));  // the title row counts
        QCOMPARE(e.w->BlankRows, qint16(0));
        QCOMPARE(e.buttons(), QStringLiteral(".+.."));
        QVERIFY(e.shown("cmdAddBrowse"));
        QCOMPARE(e.w->focusWidget(), e.w->txtAddQuest);
        QVERIFY(!e.w->mnuOpt->isVisible() && !e.w->mnuHelp->isEnabled());
    }

    // The menu way in leaves Browse as it was; the view the menu was used
    // from makes way for the editor.
    void fromTheMenu()
    {
        Editor e;
        e.folder.addDeck("capitals-xlwt.xls");
        openDeck(*e.w, e.folder.deckPath("capitals-xlwt.xls"));  // hides Browse
        click(e.button("cmdEnd"));
        click(e.button("cmdClose"));
        e.create("AfterARun", false);
        QVERIFY(e.shown("cmdAdd"));
        QVERIFY(!e.shown("cmdAddBrowse"));
        click(e.button("cmdAddDone"));
        click(e.button("PicOptions1"));
        clickIndicator(e.get<QAbstractButton>("OptSortRandom"));
        QVERIFY(e.w->mnuDecks->isVisible() && e.w->mnuDecks->isEnabled());
        e.create("FromOptions", false);
        QVERIFY(!e.shown("fraOptions"));
        QVERIFY(e.shown("cmdAdd"));
        QVERIFY(e.w->mod.SortMode);
        click(e.button("cmdAddDone"));
        click(e.button("PicOptions1"));
        e.edit(e.deck("AfterARun"));
        QVERIFY(!e.shown("fraOptions") && !e.get("cmdDone")->isVisible());
        QCOMPARE(e.w->lblDecknameAdd->text(), QStringLiteral("AfterARun"));
    }

    // ---- Adding and stepping ---------------------------------------------------------

    void addAndStep()
    {
        Editor e;
        e.create("Words");
        for (const auto &[q, a] : {std::pair{"", ""}, {"only a question", ""}, {"", "only an answer"}})
            QCOMPARE(e.add(q, a)->text, QStringLiteral("Please enter the Question and Answer"));
        QCOMPARE(rowsOf(e.deck("Words")), QStringList{"Question|Answer"});

        // The "&Decks" menu is off while either box holds text.
        e.type("What's up?", "");
        QVERIFY(!e.w->mnuDecks->isEnabled());
        e.type("", "");
        QVERIFY(e.w->mnuDecks->isEnabled());
        QVERIFY(!e.add("What's up?", "fine")->shown);
        QVERIFY(!e.add("1/2", " ")->shown);  // a slash is text; blanks are text
        QVERIFY(e.w->mnuDecks->isEnabled());
        QCOMPARE(rowsOf(e.deck("Words")), (QStringList{"Question|Answer", "What's up?|fine", "1/2| "}));
        QCOMPARE(e.w->EditCardCount, qint16(3));
        QCOMPARE(e.buttons(), QStringLiteral("<+.."));

        // << brings back the last card, then the one before, then the title
        // row like any card; >> walks forward again and past the end, where
        // << brings back the last card. Text the editor puts in the boxes
        // turns "&Decks" off too.
        for (const auto &[button, shown] : {std::pair{"cmdPrev", "1/2|  <.->"}, {"cmdPrev", "What's up?|fine <.->"},
                                            {"cmdPrev", "Question|Answer ..->"}, {"cmdNext", "What's up?|fine <.->"},
                                            {"cmdNext", "1/2|  <.->"}, {"cmdNext", "| <+.."}, {"cmdPrev", "1/2|  <.->"}}) {
            click(e.button(button));
            QCOMPARE(e.question() + "|" + e.answer() + " " + e.buttons(), QString(shown));
            QCOMPARE(e.w->mnuDecks->isEnabled(), QString(shown).startsWith("| "));
        }
        otherReadersAgree(e.deck("Words"));
    }

    void pictures()
    {
        Editor e;
        e.create("Shapes");
        // A backslash typed by hand, before any picture was chosen, stores
        // the reference of none.
        e.add("a\\b", "typed");
        // A drive path in the answer box is refused when the focus leaves it.
        e.activate();
        e.w->txtAddAns->setFocus();
        e.type("q", "D:\\x");
        auto message = answerMessageBox();
        e.w->txtAddQuest->setFocus();
        QTRY_VERIFY(message->shown);
        QVERIFY(message->text == "Please provide the Image path in the Questions" && message->icon == QMessageBox::NoIcon);
        QCOMPARE(e.question() + e.answer(), QString());
        QCOMPARE(e.w->focusWidget(), e.w->txtAddQuest);

        QTemporaryDir elsewhere;
        const QString picture = elsewhere.filePath("cat.png"), inImages = e.folder.path() + "/Images/cat.png";
        QVERIFY(QImage(QSize(8, 8), QImage::Format_RGB32).save(picture));
        const auto browse = [&](const QString &path) {
            answerFileDialog(path);
            click(e.button("cmdAddBrowse"));
            stopPollers();
        };
        browse(picture);
        QCOMPARE(e.question(), QDir::toNativeSeparators(picture));
        QCOMPARE(e.w->lblHide->text(), QStringLiteral("\\Images\\cat.png"));
        QCOMPARE(e.w->focusWidget(), e.w->txtAddAns);
        QVERIFY(QFile::exists(inImages));
        QVERIFY(!e.add(e.question(), "a cat")->shown);
        browse(inImages);  // the picture already in Images/ stays whole
        QVERIFY(QImage(inImages).size() == QSize(8, 8));
        e.type("", "");

        QCOMPARE(rowsOf(e.deck("Shapes")),
                 (QStringList{"Question|Answer", "|typed", "\\Images\\cat.png|a cat"}));
        click(e.button("cmdPrev"));
        QCOMPARE(e.question(), QDir::toNativeSeparators(inImages));
    }

    // ---- Removing -------------------------------------------------------------------------

    void remove_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("position");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("buttons");
        const QStringList abcd{"A|a", "B|b", "C|c", "D|d"};
        QTest::newRow("a middle card") << abcd << 2 << QStringList{"A|a", "C|c", "D|d", "|"} << "C|c" << "<.->";
        QTest::newRow("the first card") << abcd.mid(0, 3) << 1 << QStringList{"B|b", "C|c", "|"} << "B|b" << "..->";
        QTest::newRow("the last card") << abcd.mid(0, 3) << 3 << QStringList{"A|a", "B|b", "|"} << "B|b" << "<.->";
        QTest::newRow("the last but one card") << abcd.mid(0, 2) << 2 << QStringList{"A|a", "|"} << "A|a" << "..->";
        QTest::newRow("the only card") << abcd.mid(0, 1) << 1 << QStringList{"|"} << "|" << ".+..";
        QStringList many;
        for (int i = 1; i <= 151; ++i)
            many << QStringLiteral("q%1|answer %1").arg(i);
        QTest::newRow("150 cards after") << many << 1 << many.mid(1) + QStringList{"|"} << "q2|answer 2" << "..->";
    }
    void remove()
    {
        QFETCH(QStringList, rows);
        QFETCH(int, position);
        QFETCH(QStringList, after);
        QFETCH(QString, shown);
        QFETCH(QString, buttons);
        Editor e;
        QList<QPair<QVariant, QVariant>> cells;
        for (const QString &r : rows)
            cells.append({r.section('|', 0, 0), r.section('|', 1)});
        writeDeck(e.deck("Letters"), cells);
        e.edit(e.deck("Letters"));
        e.showCard(position);
        QVERIFY(!e.press("cmdRemoveQuest")->shown);
        QCOMPARE(rowsOf(e.deck("Letters")), after);
        QCOMPARE(e.question() + "|" + e.answer(), shown);
        QCOMPARE(e.buttons(), buttons);
        QCOMPARE(e.w->EditCardCount, qint16(rows.size() - 1));
        QCOMPARE(e.w->BlankRows, qint16(1));
        otherReadersAgree(e.deck("Letters"));
    }

    void removalsLeaveBlankRowsThatAddsFill()
    {
        Editor e;
        writeDeck(e.deck("Letters"), {{"A", "a"}, {"B", "b"}, {"C", "c"}});
        e.edit(e.deck("Letters"));
        e.showCard(1);
        e.press("cmdRemoveQuest");
        e.press("cmdRemoveQuest");
        QCOMPARE(rowsOf(e.deck("Letters")), (QStringList{"C|c", "|", "|"}));
        QCOMPARE(e.w->BlankRows, qint16(2));
        click(e.button("cmdNext"));  // onto the blank rows: a new card
        QCOMPARE(e.buttons(), QStringLiteral("<+.."));
        e.add("D", "d");
        QCOMPARE(rowsOf(e.deck("Letters")), (QStringList{"C|c", "D|d", "|", "|"}));
        QCOMPARE(e.w->EditCardCount, qint16(2));
        // The editor opened again on the deck takes its blank rows as such.
        e.edit(e.deck("Letters"));
        QCOMPARE(e.w->EditCardCount, qint16(2));
        QCOMPARE(e.w->BlankRows, qint16(2));
        e.add("E", "e");
        QCOMPARE(rowsOf(e.deck("Letters")), (QStringList{"C|c", "D|d", "E|e", "|", "|"}));
    }

    // ---- A write that fails ---------------------------------------------------------------

    void failedCommands_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("removing");
        QTest::addColumn<QString>("message");
        const QString notSaved = QStringLiteral("The deck could not be saved: Cannot save");
        for (const char *command : {"add", "remove"}) {
            const bool removing = command[0] == 'r';
            QTest::addRow("%s, disk full", command) << "full" << removing << notSaved;
            QTest::addRow("%s, folder not writable", command) << "folder" << removing << notSaved;
            QTest::addRow("%s, changed by another writer", command)
                << "changed" << removing << "The deck was changed by another program. It will be read again.";
        }
    }
    void failedCommands()
    {
        QFETCH(QString, fault);
        QFETCH(bool, removing);
        QFETCH(QString, message);
        Editor e;
        const QString path = e.deck("Letters");
        writeDeck(path, {{"A", "a"}, {"B", "b"}});
        e.edit(path);
        if (removing)
            e.showCard(1);
        else
            e.type("typed", "card");
        QStringList onDisk = rowsOf(path);
        using Fault = decks::DeckConnection::CommitFault;
        if (fault != "changed") {
            e.w->DeckConnection->failNextCommit(fault == "full" ? Fault::DiskFull : Fault::FolderNotWritable);
        } else {  // another program writes the deck, at a modification time of its own
            QTest::qWait(20);
            writeDeck(path, {{"A", "a"}, {"B", "b"}, {"X", "by another program"}});
            onDisk = rowsOf(path);
        }
        const QString before = e.buttons();
        const auto shown = e.press(removing ? "cmdRemoveQuest" : "cmdAdd");
        QVERIFY2(shown->text.startsWith(message) && shown->title == "Mnemora", qPrintable(shown->text));
        QCOMPARE(rowsOf(path), onDisk);
        QCOMPARE(e.w->EditCardCount, qint16(onDisk.size()));
        QCOMPARE(e.w->BlankRows, qint16(0));
        if (!removing)
            QCOMPARE(e.question() + "|" + e.answer(), QStringLiteral("typed|card"));
        else if (fault != "changed")
            QCOMPARE(e.question() + e.buttons(), "A" + before);
        // The next try goes through, onto the deck as it is on disk.
        if (removing && fault == "changed")
            e.showCard(1);
        e.press(removing ? "cmdRemoveQuest" : "cmdAdd");
        const QStringList now = rowsOf(path);
        QCOMPARE(now.size(), onDisk.size() + (removing ? 0 : 1));
        QCOMPARE(now.contains("typed|card"), !removing);
        QCOMPARE(now.first(), removing ? QStringLiteral("B|b") : QStringLiteral("A|a"));
    }

    // ---- Decks made here and elsewhere, then studied ------------------------------------

    void createdAndEditedDecksAreStudied()
    {
        Editor e;
        e.create("Capitals");
        e.add("France", "Paris");
        e.add("Spain", "Madrid");
        click(e.button("cmdAddDone"));
        QVERIFY(e.shown("PicOpenDeck") && !e.shown("fraQuestion") && e.w->mnuDecks->isEnabled());
        QVERIFY(!e.w->DeckConnection);
        QCOMPARE(openDeck(*e.w, e.deck("Capitals"))->text, QString());
        QCOMPARE(e.w->CardCount, qint16(2));  // the title row is no card
        QVERIFY(QStringList({"France", "Spain"}).contains(e.w->lblQuestion->text()));
        click(e.button("cmdEnd"));
        click(e.button("cmdClose"));

        // A deck written by another program: cancel, a file that is no deck,
        // then the deck itself.
        e.edit(QString());
        QVERIFY(e.shown("PicOpenDeck"));
        QCOMPARE(e.edit(e.folder.addDeck("malformed-csv-named-xls.xls"))->text,
                 QStringLiteral("You have opened a Blank file or a file with Invalid file format"));
        QVERIFY(e.shown("PicOpenDeck"));
        for (const char *studyOnly : {"rich-soffice.xlsx", "rich-soffice.ods"}) {
            const QString path = e.folder.addDeck(studyOnly);
            const QByteArray before = decktest::readFile(path);
            QCOMPARE(e.edit(path)->text, QStringLiteral("This deck can be studied here but not edited. Save it as an "
                                                        "Excel 97-2003 workbook (.xls) to edit it in Mnemora."));
            QVERIFY(e.shown("PicOpenDeck"));
            QCOMPARE(decktest::readFile(path), before);
        }
        const QString other = e.folder.addDeck("capitals-xlwt.xls");
        e.edit(other);
        QCOMPARE(e.w->lblDecknameAdd->text(), QStringLiteral("capitals-xlwt"));
        const int count = e.w->EditCardCount;
        click(e.button("cmdPrev"));
        QCOMPARE(e.w->DeckRecordset->AbsolutePosition(), count);  // << shows its last card
        click(e.button("cmdNext"));
        e.add("Japan", "Tokyo");
        otherReadersAgree(other);
        click(e.button("cmdAddDone"));
        openDeck(*e.w, other);
        QCOMPARE(e.w->CardCount, qint16(count + 1));
        QCOMPARE(e.w->CardText(e.w->CardCount - 1, 1), QStringLiteral("Tokyo"));
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
