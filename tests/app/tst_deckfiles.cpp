// The window's deck-file procedures: the deck's names, the conversion into
// the study copy and its loading, the editing store's opening and closing.

#include "app/FileSystemObject.h"
#include "base/Trap.h"
#include "decks/DeckPaths.h"
#include "decks/DeckStore.h"
#include "support/GuiTest.h"


using namespace guitest;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
void writeAll(const QString &path, const QByteArray &bytes) { QFile f(path); QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()); }

// A file-system object whose writes fail, as on a full disk.
class FailingWrites : public FileSystemObject {
public:
    void WriteTextLine(const QString &path, const QString &) override { throw StepFailed("disk full: " + path); }
};

}  // namespace

class TestDeckFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { guitest::initTestCase(); }
    void cleanup() { guitest::stopPollers(); }

    void deckNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("deckName");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("plain") << "/home/u/Decks/Deck1/French.xls" << "French" << "French.xls";
        QTest::newRow("several dots") << "/d/my.deck.xls" << "my" << "my.deck.xls";
        QTest::newRow("no folder") << "French.xls" << "French" << "French.xls";
        QTest::newRow("no dot") << "/d/French" << "French" << "French";
        QTest::newRow("leading dot") << "/d/.xls" << "" << ".xls";
        QTest::newRow("ends in a separator") << "/d/" << "" << "";
    }

    void deckNames()
    {
        QFETCH(QString, path);
        QFETCH(QString, deckName);
        QFETCH(QString, fileName);
        ProgramFolder folder;
        frmQuestion w(folder.path());
        QCOMPARE(w.SplitDeckFileName(path), deckName);
        QCOMPARE(w.DeckFileName, fileName);
    }

    void studyCopyOfEachDeck_data()
    {
        QTest::addColumn<QString>("deck");
        QTest::addColumn<int>("cards");
        QTest::newRow("capitals") << "capitals-xlwt" << 10;
        QTest::newRow("rich") << "rich-libreoffice" << 15;
        QTest::newRow("tricky") << "tricky-xlwt" << 10;
        QTest::newRow("Sheet1 second") << "sheet1-not-first-xlwt" << 3;
        QTest::newRow("LibreOffice") << "mixed-libreoffice" << 6;
        QTest::newRow("WriteExcel") << "vocab-writeexcel" << 7;
        QTest::newRow("one card") << "one-card-xlwt" << 1;
        QTest::newRow("title only") << "title-only-xlwt" << 0;
        QTest::newRow("empty") << "empty-xlwt" << 0;
    }

    void studyCopyOfEachDeck()
    {
        QFETCH(QString, deck);
        QFETCH(int, cards);
        ProgramFolder folder({deck + ".xls"});
        frmQuestion w(folder.path());
        QVERIFY(w.xmlGenerator(folder.deckPath(deck + ".xls")));
        QCOMPARE(w.mod.DeckName, deck);
        QCOMPARE(w.EmptyDeck, cards == 0);
        // Byte for byte the study copy an independent model of the
        // conversion gives.
        QCOMPARE(readAll(w.StudyCopyPath), readAll(MNEMORA_TEST_DATA "/expected/" + deck + ".xml"));
        // The store was closed when the copy was built.
        QVERIFY(w.DeckConnection && !w.DeckConnection->IsOpen());
        w.LoadStudyCopy();
        QVERIFY(w.StudyCopyLoaded);
        QCOMPARE(int(w.CardCount), cards);
    }

    // Decks that are not decks, and a good one whose study copy cannot be
    // written, as on a full disk.
    void decksThatAreNotDecks_data()
    {
        QTest::addColumn<QString>("deck");
        for (const char *name : {"malformed-zero-bytes", "malformed-truncated", "malformed-csv-named-xls",
                                 "no-sheet1-xlwt", "capitals-xlwt"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void decksThatAreNotDecks()
    {
        QFETCH(QString, deck);
        ProgramFolder folder;
        // The test copies every damaged file under one name, so that an
        // older study copy of that name is there to be left alone.
        folder.addDeck(deck + ".xls", "Damaged.xls");
        frmQuestion w(folder.path());
        const QString older = w.StudyCopyFileOf("Damaged");
        writeAll(older, "older copy\r\n");
        if (deck == "capitals-xlwt")
            w.makeFileSystem = [] { return std::make_unique<FailingWrites>(); };
        QVERIFY(!w.xmlGenerator(folder.deckPath("Damaged.xls")));
        QCOMPARE(readAll(older), QByteArray("older copy\r\n"));
        QCOMPARE(w.StudyCopyPath, older);
        QVERIFY(!w.EmptyDeck);
        QFile::remove(older);
    }

    void loadingAStudyCopyThatIsNotThere()
    {
        ProgramFolder folder({"two-cards-xlwt.xls"});
        frmQuestion w(folder.path());
        QVERIFY(w.xmlGenerator(folder.deckPath("two-cards-xlwt.xls")));
        w.LoadStudyCopy();  // two cards
        w.mod.DeckName = QStringLiteral("no-such-deck");
        w.LoadStudyCopy();
        QVERIFY(!w.StudyCopyLoaded);
        QCOMPARE(int(w.CardCount), 2);  // kept

        writeAll(w.StudyCopyFileOf("broken"), "<?xml version='1.0'?><Root><Card>\r\n");
        w.mod.DeckName = QStringLiteral("broken");
        w.LoadStudyCopy();
        QVERIFY(!w.StudyCopyLoaded);
        QCOMPARE(int(w.CardCount), 2);
        QFile::remove(w.StudyCopyFileOf("broken"));
    }

    void theStudyCopyFolderIsPrivate()
    {
        const QString folder = decks::studyCopyFolder();
        const QFileInfo info(folder);
        QVERIFY(info.isDir());
        QCOMPARE(info.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        // Widened permissions are narrowed again.
        QFile::setPermissions(folder, QFile::permissions(folder) | QFile::ReadOther | QFile::ExeOther);
        QCOMPARE(decks::studyCopyFolder(), folder);
        QVERIFY(!(QFile::permissions(folder) & QFile::ReadOther));

        // A link planted in its place is refused.
        const QString moved = folder + ".moved";
        QVERIFY(QDir().rename(folder, moved));
        QTemporaryDir elsewhere;
        QVERIFY(QFile::link(elsewhere.path(), folder));
        QVERIFY_THROWS_EXCEPTION(decks::DeckError, decks::studyCopyFolder());
        ProgramFolder program({"one-card-xlwt.xls"});
        frmQuestion w(program.path());
        QVERIFY(!w.xmlGenerator(program.deckPath("one-card-xlwt.xls")));
        QVERIFY(QDir(elsewhere.path()).isEmpty());
        QFile::remove(folder);
        QVERIFY(QDir().rename(moved, folder));
    }

    // The editing store: no deck name opens nothing and keeps the count; a
    // deck that is not there leaves the store unopened, the count kept.
    void editingStore()
    {
        ProgramFolder folder;
        writeDeck(folder.deckPath("Biology.xls"), {{"Question", "Answer"}, {"cell", "unit of life"}});
        frmQuestion w(folder.path());
        w.EditCardCount = 7;
        for (const QString name : {"", "Biology", "Missing"}) {
            w.lblDecknameAdd->setText(name);
            w.ConnectDB();
            QVERIFY(w.DeckConnection && w.DeckRecordset);
            QCOMPARE(w.DeckConnection->IsOpen(), name == "Biology");
            QCOMPARE(w.DeckRecordset->IsOpen(), name == "Biology");
            QCOMPARE(int(w.EditCardCount), name.isEmpty() ? 7 : 2);  // the title row counts
        }
        // Closing a store never opened stops at the first close and leaves
        // the objects in place.
        w.CloseDB();
        QVERIFY(w.DeckRecordset && w.DeckConnection);
    }
};

QTEST_MAIN(TestDeckFiles)
#include "tst_deckfiles.moc"
