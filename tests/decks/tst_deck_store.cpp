// The worksheet store: opening, the record set's cursor, reading and writing
// fields, appending rows, and saving.

#include "DeckTestSupport.h"

#include "decks/DeckStore.h"
#include "decks/xls/BiffReader.h"
#include "decks/xls/BiffWriter.h"

#include <QtTest>

using namespace decktest;
using namespace decks;
using Mode = DeckConnection::Mode;

// A deck opened with its record set on Sheet1.
struct Opened {
    Opened(const QString &path, Mode mode) { c.Open(path, mode), rs.Open(c); }
    DeckConnection c;
    DeckRecordset rs;
};

class DeckStoreTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString copyOf(const QString &fixture)
    {
        const QString path = dir_.filePath(fixture);
        QFile::copy(dataPath(fixture), path);
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

private slots:
    // Opening, closing and the access rules, and the decks that cannot open.
    void openAndAccessRules()
    {
        DeckConnection c;
        const QString path = dataPath("tricky-xlwt.xls");
        c.Open("  " + path + " \t", Mode::ReadOnly);  // the path is taken without blanks
        QCOMPARE(c.Path(), path);
        QVERIFY_THROWS_EXCEPTION(DeckError, c.Open(path, Mode::ReadOnly));  // already open
        DeckRecordset rs;
        rs.Open(c);
        QCOMPARE(rs.RecordCount(), 14);  // the title row is a row
        QCOMPARE(rs.Field(0), QVariant("Question"));
        rs.SetAbsolutePosition(9);  // read-only decks read numbers as text
        QCOMPARE(rs.Field(0), QVariant("42"));
        QCOMPARE(rs.Field(1), QVariant("3.5"));
        rs.SetAbsolutePosition(8);  // both cells empty
        QVERIFY(!rs.Field(0).isValid() && !rs.Field(1).isValid());
        QVERIFY_THROWS_EXCEPTION(DeckError, rs.Field(2));
        QVERIFY_THROWS_EXCEPTION(DeckError, rs.Field(-1));
        QVERIFY_THROWS_EXCEPTION(DeckError, rs.SetField(0, "x"));  // read-only
        QVERIFY_THROWS_EXCEPTION(DeckError, c.AppendRow("q", "a"));
        c.Close();
        QVERIFY_THROWS_EXCEPTION(DeckError, rs.Field(0));  // the connection is gone
        QVERIFY_THROWS_EXCEPTION(DeckError, c.Close());

        // (Damaged files are refused through the window in tst_deckfiles.)
        QVERIFY_THROWS_EXCEPTION(DeckError, c.Open(dataPath("does-not-exist.xls"), Mode::Edit));
        QVERIFY(!c.IsOpen());
        // A workbook without Sheet1 opens, but has no rows to give.
        c.Open(dataPath("no-sheet1-xlwt.xls"), Mode::Edit);
        DeckRecordset none;
        QVERIFY_THROWS_EXCEPTION(DeckError, none.Open(c));
        QVERIFY(!none.IsOpen());
        QVERIFY_THROWS_EXCEPTION(DeckError, c.AppendRow("q", "a"));
    }

    void cursorMoves()
    {
        auto &&[c, rs] = Opened(dataPath("capitals-xlwt.xls"), Mode::ReadOnly);
        QCOMPARE(rs.RecordCount(), 10);
        QCOMPARE(rs.AbsolutePosition(), 1);
        using R = DeckRecordset;
        // Each move and the position it leads to; no move goes past either end.
        for (auto [move, position] : {std::pair{&R::MovePrevious, R::PosBOF}, {&R::MoveNext, 1}, {&R::MoveLast, 10},
                                      {&R::MoveNext, R::PosEOF}, {&R::MovePrevious, 10}, {&R::MoveFirst, 1}}) {
            (rs.*move)();
            QCOMPARE(rs.AbsolutePosition(), position);
            QCOMPARE(rs.BOF(), position == R::PosBOF);
            QCOMPARE(rs.EOF_(), position == R::PosEOF);
            if (position < 0) {
                QVERIFY_THROWS_EXCEPTION(DeckError, (rs.*move)());
                QVERIFY_THROWS_EXCEPTION(DeckError, rs.Field(0));
            }
        }
        rs.SetAbsolutePosition(4);
        for (int position : {0, -1, 11, 40000}) {
            QVERIFY_THROWS_EXCEPTION(DeckError, rs.SetAbsolutePosition(position));
            QCOMPARE(rs.AbsolutePosition(), 4);
        }
        rs.Requery();
        QCOMPARE(rs.AbsolutePosition(), 1);
        rs.Close();
        QVERIFY_THROWS_EXCEPTION(DeckError, rs.RecordCount());
        QVERIFY_THROWS_EXCEPTION(DeckError, rs.Close());
    }

    void emptySheet()
    {
        auto &&[c, rs] = Opened(dataPath("empty-xlwt.xls"), Mode::Edit);
        QCOMPARE(rs.RecordCount(), 0);
        QVERIFY(rs.BOF() && rs.EOF_());
        QCOMPARE(rs.AbsolutePosition(), DeckRecordset::PosUnknown);
        for (auto move : {&DeckRecordset::MoveFirst, &DeckRecordset::MoveLast, &DeckRecordset::MoveNext})
            QVERIFY_THROWS_EXCEPTION(DeckError, (rs.*move)());
        c.AppendRow("Question", "Answer");
        rs.Requery();
        QCOMPARE(rs.RecordCount(), 1);
    }

    void editsAndAppendedRowsAreCommittedOnce()
    {
        const QString path = copyOf("capitals-xlwt.xls");
        {
            auto &&[c, rs] = Opened(path, Mode::Edit);
            const auto blankOut = [&] { rs.SetField(0, QVariant()), rs.SetField(1, QString()); };
            rs.SetAbsolutePosition(2);
            rs.SetField(1, QString::fromUtf8("Bern – Berne"));
            rs.SetField(0, 12);
            rs.SetAbsolutePosition(5);  // blanked rows stay rows, here and at the end
            blankOut();
            c.AppendRow("O'Neill's \"quote\"", 7.5);
            c.AppendRow(QVariant(), QString::fromUtf8("日本"));
            c.AppendRow("gone", "too");
            QVERIFY(c.HasChanges());
            // Appended rows show after a requery.
            QCOMPARE(rs.RecordCount(), 10);
            rs.Requery();
            QCOMPARE(rs.RecordCount(), 13);
            rs.MoveLast();
            blankOut();
            c.Commit();
            QVERIFY(!c.HasChanges());
            QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).filter("capitals").size(), 1);
        }
        auto &&[c, rs] = Opened(path, Mode::Edit);
        QCOMPARE(rs.RecordCount(), 13);
        auto row = [&](int n) { return rs.SetAbsolutePosition(n), QVariantList{rs.Field(0), rs.Field(1)}; };
        const QVariantList blank{QVariant(), QVariant()};
        QCOMPARE(row(2), (QVariantList{12.0, QString::fromUtf8("Bern – Berne")}));
        QCOMPARE(row(5), blank);
        QCOMPARE(row(11), (QVariantList{"O'Neill's \"quote\"", 7.5}));  // the apostrophes as given
        QCOMPARE(row(12), (QVariantList{QVariant(), QString::fromUtf8("日本")}));
        QCOMPARE(row(13), blank);
        QCOMPARE(readersDiff(path, modelJson(c.workbook())), QString());
    }

    // A commit without changes writes nothing; a failed write leaves the file
    // as it was and the workbook in memory as the file is.
    void commitWritesChangesOrNothing()
    {
        const QString path = copyOf("tricky-xlwt.xls");
        const QByteArray before = readFile(path);
        auto &&[c, rs] = Opened(path, Mode::Edit);
        rs.SetAbsolutePosition(2);
        const QVariant old = rs.Field(0);
        rs.SetField(0, old);  // the same value is no change
        QVERIFY(!c.HasChanges());
        c.failNextCommit(DeckConnection::CommitFault::DiskFull);
        c.Commit();  // nothing to write, so the armed failure is not reached
        QCOMPARE(readFile(path), before);
        rs.SetField(0, "new text");
        c.AppendRow("q", "a");
        QVERIFY_THROWS_EXCEPTION(DeckError, c.Commit());  // uses the armed failure up
        QCOMPARE(readFile(path), before);
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).filter("tricky").size(), 1);
        QVERIFY(!c.HasChanges());
        QCOMPARE(rs.Field(0), old);
        rs.Requery();
        QCOMPARE(rs.RecordCount(), 14);
        c.AppendRow("q", "a");
        c.Commit();
        QVERIFY(readFile(path) != before);
    }

    void otherSheetsAndColumnsSurviveRewrite()
    {
        xls::Workbook wb = xls::deckWorkbook({{"q", "a"}});
        wb.sheets[0].setCell(0, 2, xls::Cell::fromText("extra column"));
        wb.sheets[0].setCell(1, 3, xls::Cell::fromError(0x07));
        xls::Sheet notes;
        notes.name = "Notes";  // before Sheet1
        notes.setCell(3, 7, xls::Cell::fromNumber(2.5));
        wb.sheets.insert(wb.sheets.begin(), notes);
        const QString path = dir_.filePath("sheets.xls");
        QVERIFY(writeFile(path, xls::writeWorkbookFile(wb)));

        auto &&[c, rs] = Opened(path, Mode::Edit);
        rs.SetField(1, "changed");
        c.AppendRow("q2", "a2");
        c.Commit();

        wb.sheets[1].setCell(0, 1, xls::Cell::fromText("changed"));
        wb.sheets[1].setCell(2, 0, xls::Cell::fromText("q2"));
        wb.sheets[1].setCell(2, 1, xls::Cell::fromText("a2"));
        QCOMPARE(cellsDiff(modelJson(xls::readWorkbookFile(readFile(path))), modelJson(wb)), QString());
    }

    void featuresThatCannotBeSavedRefuseCommit()
    {
        // A formula's result can be read, but saving would turn the formula
        // into its value: the commit is refused and the file stays.
        const QByteArray formula = f64(3) + le16(0) + le32(0) + le16(3) + QByteArray("\x1E\x03\x00", 3);  // =3
        const QByteArray file = xlsFile(biffStream({}, {{xls::biff::kFormula, cellHead(0, 0) + formula}}));
        const QString path = dir_.filePath("formula.xls");
        QVERIFY(writeFile(path, file));
        auto &&[c, rs] = Opened(path, Mode::Edit);
        c.AppendRow("q", "a");
        QVERIFY_THROWS_EXCEPTION(DeckError, c.Commit());
        QCOMPARE(readFile(path), file);
        QVERIFY(!c.HasChanges());
    }
};

QTEST_GUILESS_MAIN(DeckStoreTest)
#include "tst_deck_store.moc"
