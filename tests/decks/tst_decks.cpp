// The worksheet store: opening, the record set's cursor, reading and writing
// fields, appending rows, and saving. The study copy text built from its
// record set: escaping, the characters XML cannot hold, the row rules and the
// 16-bit limit (the exact documents of the sample .xls workbooks are checked
// through the window, which writes them). And .xlsx and .ods decks: the study
// copy of every deck written by LibreOffice, gnumeric and openpyxl is byte for
// byte that of the .xls deck with the same cards; damaged and hostile files
// are refused or give the cards they hold; such decks are never opened for
// editing.

#include "DeckTestSupport.h"
#include "support/ChildProcess.h"

#include "decks/DateText.h"
#include "decks/DeckFormat.h"
#include "decks/DeckSave.h"
#include "decks/DeckStore.h"
#include "decks/StudyCopy.h"
#include "decks/xls/BiffReader.h"
#include "decks/xls/BiffWriter.h"
#include "decks/zip/ZipArchive.h"

#include <QtTest>

#include <cmath>
#include <cstdio>
#include <chrono>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using Rule = std::function<QString(const QVariantList &)>;
Q_DECLARE_METATYPE(Rule)

using namespace childtest;
using namespace decktest;
using namespace decks;
using Mode = DeckConnection::Mode;
using deckzip::testing::zipOf;

namespace {

// A deck opened with its record set on Sheet1.
struct Opened {
    Opened(const QString &path, Mode mode) { c.Open(path, mode), rs.Open(c); }
    DeckConnection c;
    DeckRecordset rs;
};

using Rows = QList<QPair<QVariant, QVariant>>;

// The study copy text of a deck's bytes; throws DeckError as opening does.
QString studyCopyOf(const QByteArray &bytes)
{
    DeckConnection c;
    c.OpenData(bytes, Mode::ReadOnly);
    DeckRecordset rs;
    rs.Open(c);
    return buildStudyCopyText(rs);
}

// That of a deck whose Sheet1 holds the rows.
QString studyCopyOf(const Rows &rows) { return studyCopyOf(xls::writeWorkbookFile(decks::deckWorkbook(rows))); }

QString cards(const QString &inner) { return kStudyCopyDeclaration + "<Root>" + inner + "</Root>"; }
QString card(const QString &q, const QString &a) { return "<Card><Que>" + q + "</Que><Ans>" + a + "</Ans></Card>"; }

// Sets every size field of an archive's one entry to `size`, as a file that
// lies about what its entry inflates to.
QByteArray lyingAboutSize(QByteArray zip, quint32 size)
{
    for (auto [signature, offset] : {std::pair{QByteArray("PK\x03\x04"), 22}, std::pair{QByteArray("PK\x01\x02"), 24}})
        zip.replace(zip.indexOf(signature) + offset, 4, le32(size));
    return zip;
}

const QByteArray kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

using Parts = QList<QPair<QString, QByteArray>>;
const QByteArray kStrings = "<si><t>q</t></si><si><t>a</t></si>";

QByteArray xlsx(const QByteArray &rows, const QByteArray &strings = kStrings, bool withRels = true, const Parts &more = {})
{
    QList<QPair<QString, QByteArray>> parts{
        {"xl/workbook.xml",
         kXmlHead + "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
                    "<sheet name=\"Notes\" sheetId=\"1\" r:id=\"rId9\"/>"
                    "<sheet name=\"SHEET1\" sheetId=\"2\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/sharedStrings.xml", kXmlHead + "<sst>" + strings + "</sst>"},
        {"xl/worksheets/sheet1.xml", kXmlHead + "<worksheet><sheetData>" + rows + "</sheetData></worksheet>"}};
    if (withRels)
        parts.append({"xl/_rels/workbook.xml.rels",
                      kXmlHead + "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
                                 "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"/xl/sharedStrings.xml\"/>"
                                 "</Relationships>"});
    return zipOf(parts + more);
}

// An .xlsx workbook whose card sheet is the whole part given.
QByteArray xlsxSheet(const QByteArray &sheet)
{
    return zipOf({{"xl/workbook.xml", "<workbook xmlns:r=\"r\"><sheets><sheet name=\"Sheet1\" r:id=\"rId1\"/></sheets></workbook>"},
                  {"xl/_rels/workbook.xml.rels",
                   "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
                  {"xl/worksheets/sheet1.xml", sheet}});
}

// A document type whose entity l9 stands for 10^9 "lol"s, and one that names
// a file outside the workbook, before the root element `root`.
QByteArray laughs(const QByteArray &root)
{
    QByteArray dtd = "<!DOCTYPE " + root + " [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i)
        dtd += "<!ENTITY l" + QByteArray::number(i) + " \"" + ("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    return kXmlHead + dtd + "]>";
}
QByteArray outsideEntity(const QByteArray &root)
{
    return kXmlHead + "<!DOCTYPE " + root + " [<!ENTITY l9 SYSTEM \"file:///etc/hostname\">]>";
}

QByteArray ods(const QByteArray &rows, const QByteArray &head = kXmlHead, const Parts &more = {})
{
    return zipOf(Parts{{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                  {"content.xml",
                   head + "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                          "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                          "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
                          "<office:spreadsheet><table:table table:name=\"Sheet1\">" +
                       rows + "</table:table></office:spreadsheet></office:body></office:document-content>"}} + more);
}

// 100,000 elements nested around `inner`: far more levels than a reader
// could follow by a call per level.
QByteArray nested(const QByteArray &inner, const QByteArray &tag = "x")
{
    return ("<" + tag + ">").repeated(100000) + inner + ("</" + tag + ">").repeated(100000);
}

// An archive whose second entry named `twin` is renamed to `name`: two
// entries of one name (libzip would only ever write one).
QByteArray withTwin(QByteArray zip, const QByteArray &name, const QByteArray &twin) { return zip.replace(twin, name); }

// An .xls deck of one card whose question is n characters long, in the
// shared string table and the CONTINUE records after it.
QByteArray xlsWithQuestionOf(int n)
{
    QByteArray text(n, 'q'), sst = le32(1) + le32(1) + le16(unsigned(n)) + '\0';
    const qsizetype first = 8224 - sst.size();
    QList<Rec> globals{{xls::biff::kSst, sst + text.left(first)}};
    for (qsizetype at = first; at < n; at += 8223)
        globals.append({xls::biff::kContinue, '\0' + text.mid(at, 8223)});
    return xlsFile(biffStream(globals, {{xls::biff::kLabelSst, cellHead(0, 0) + le32(0)},
                                        {xls::biff::kNumber, cellHead(0, 1) + f64(2)}}));
}

constexpr uid_t kNobody = 65534;

// In a child, what stands in a save's way as the kernel has it: root passes
// every permission check, so the child becomes nobody (who owns the folder
// and the deck); a read-only disk is the folder bound again read-only, seen
// by this child alone. Empty when done, else why not ("skip: ..." when this
// system allows no such mount).
QString obstruct(const QString &obstacle, const QByteArray &folder)
{
    if (obstacle == "disk") {
        struct statvfs fs {};
        statvfs(folder, &fs);  // a mount in a user namespace must keep its locked flags
        const unsigned long kept = fs.f_flag & (ST_NOSUID | ST_NODEV | ST_NOEXEC | ST_NOATIME | ST_NODIRATIME);
        if (unshare(geteuid() == 0 ? CLONE_NEWNS : CLONE_NEWUSER | CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount(folder, folder, nullptr, MS_BIND, nullptr) != 0 ||
            mount(nullptr, folder, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY | kept, nullptr) != 0)
            return "skip: this system lets no test mount a folder read-only: " + QString::fromLocal8Bit(strerror(errno));
    } else if (!obstacle.isEmpty() && geteuid() == 0 &&
               (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
                setresuid(kNobody, kNobody, kNobody) != 0)) {
        return "cannot become nobody";
    }
    return {};
}

// What a commit gave: "saved", or the message of the error.
QString committed(DeckConnection &c)
{
    try {
        c.Commit();
        return "saved";
    } catch (const DeckChanged &) {
        return "changed";
    } catch (const DeckError &e) {
        return QString::fromUtf8(e.what());
    }
}

Rows numberedCards(int n, const QString &prefix = "card ")
{
    Rows rows;
    for (int i = 0; i < n; ++i)
        rows.append({prefix + QString::number(i), "answer " + QString::number(i)});
    return rows;
}

// The same clock in every process.
qint64 nowNs() { return std::chrono::steady_clock::now().time_since_epoch().count(); }

const QByteArray kCard = "<row><c t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c></row>";
QByteArray odsCard(const QByteArray &repeat = "1", const QByteArray &text = "q")
{
    return "<table:table-row table:number-rows-repeated=\"" + repeat +
           "\"><table:table-cell office:value-type=\"string\"><text:p>" + text + "</text:p></table:table-cell>"
           "<table:table-cell office:value-type=\"float\" office:value=\"2\"/></table:table-row>";
}

}  // namespace

class DecksTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString copyOf(const QString &fixture)
    {
        const QString path = dir_.filePath(fixture);
        QFile::remove(path);
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

    // A commit without changes writes nothing. A write the kernel refuses
    // (the file size limit gives EFBIG exactly where a full disk gives
    // ENOSPC) leaves the file as it was, no temporary file beside it, and
    // the workbook in memory as the file is; one byte more room and it goes
    // through. A save that was killed left a temporary file: the next one
    // removes it. A deck, folder or disk the kernel will not let the user
    // write gives its own reason, and that save touches nothing.
    void failedWriteLeavesTheDeck_data()
    {
        QTest::addColumn<int>("cards");
        QTest::addColumn<int>("room");  // bytes the file may have beyond the new workbook's size
        QTest::addColumn<QString>("obstacle");  // made read-only: the deck, its folder or the disk
        QTest::addColumn<QString>("result");
        for (int cards : {10, 300, 32000}) {
            QTest::addRow("%d cards, one byte short", cards) << cards << -1 << "" << kDiskFullReason;
            QTest::addRow("%d cards, room enough", cards) << cards << 0 << "" << "saved";
        }
        QTest::newRow("read-only deck") << 10 << 0 << "deck" << kReadOnlyDeckReason;
        QTest::newRow("read-only folder") << 10 << 0 << "folder" << kFolderNotWritableReason;
        QTest::newRow("read-only disk") << 10 << 0 << "disk" << kReadOnlyDiskReason;
    }
    void failedWriteLeavesTheDeck()
    {
        QFETCH(int, cards);
        QFETCH(int, room);
        QFETCH(QString, obstacle);
        QFETCH(QString, result);
        QTemporaryDir folder;  // its own: its owner and mode change
        const QByteArray dir = QFile::encodeName(folder.path());
        const QString path = folder.filePath("deck.xls");
        QVERIFY(writeFile(path, xls::writeWorkbookFile(decks::deckWorkbook(numberedCards(cards)))));
        const QByteArray before = readFile(path);
        const QString killed = folder.filePath(".deck.xls.mnemora-save-a1B2c3"), other = folder.filePath(".deck.xls.mnemora-save-mine");
        QVERIFY(writeFile(killed, "half a deck") && writeFile(other, "not the store's"));
        // Before the deck is read: its owner and mode are part of its stamp.
        if (geteuid() == 0 && !obstacle.isEmpty())
            QVERIFY(chown(dir, kNobody, kNobody) == 0 && chown(QFile::encodeName(path), kNobody, kNobody) == 0);
        if (obstacle == "deck")
            QVERIFY(chmod(QFile::encodeName(path), 0444) == 0);
        if (obstacle == "folder")
            QVERIFY(chmod(dir, 0555) == 0);

        auto &&[c, rs] = Opened(path, Mode::Edit);
        rs.SetField(0, rs.Field(0));  // the same value is no change
        c.Commit();
        QCOMPARE(readFile(path), before);
        rs.SetField(0, "new text");
        c.AppendRow("q", "a");
        const QByteArray after = xls::writeWorkbookFile(c.workbook());
        // What the commit gave, and the first question in memory after it.
        const QString got = inChild([&, limit = after.size() + room] {
            const FileSizeLimit fsl(limit);
            if (!fsl.ok)
                return QString("no limit");
            if (const QString why = obstruct(obstacle, dir); !why.isEmpty())
                return why;
            const QString r = committed(c);
            rs.Requery();
            return r + "|" + rs.Field(0).toString();
        });
        if (got.startsWith("skip: "))
            QSKIP(qPrintable(got.mid(6)));
        QCOMPARE(got, result + (result == "saved" ? "|new text" : "|card 0"));
        QCOMPARE(readFile(path), result == "saved" ? after : before);
        // A save that cannot be made changes nothing in the folder.
        QCOMPARE(leftoverSaves(path), obstacle.isEmpty() ? QStringList() : QStringList{killed});
        QVERIFY(QFile::exists(killed) == !obstacle.isEmpty() && QFile::exists(other));
        QVERIFY(chmod(dir, 0700) == 0);
        if (result == "saved" || (obstacle == "deck" && geteuid() != 0))
            return;
        // In this process the commit was never made: it goes through here.
        c.Commit();
        QCOMPARE(readFile(path), after);
        QCOMPARE(leftoverSaves(path), QStringList());
        QVERIFY(!c.HasChanges());
        rs.Requery();
        QCOMPARE(rs.RecordCount(), cards + 1);
    }

    // The reasons a save fails, from the system's errors.
    void saveFailureReasons()
    {
        for (int e : {ENOSPC, EDQUOT, EFBIG})
            QCOMPARE(saveFailureReason(e), kDiskFullReason);
        for (int e : {EACCES, EPERM})
            QCOMPARE(saveFailureReason(e), kFolderNotWritableReason);
        QCOMPARE(saveFailureReason(EROFS), kReadOnlyDiskReason);
        QCOMPARE(saveFailureReason(EIO), "The deck cannot be written (Input/output error).");
    }

    // Another program holding the deck open, or having changed it behind the
    // store's back: nothing is written.
    void commitRefused_data()
    {
        QTest::addColumn<QByteArray>("lockFile");  // beside the deck; null: none
        QTest::addColumn<QString>("change");       // what happens to the deck before the commit
        QTest::addColumn<QString>("result");
        const QString open = "This deck is open in another program (%1). Close it there before changing it here.";
        QTest::newRow("LibreOffice's lock file") << QByteArray(",jdoe,desk7,07.12.2026 10:15,file:///home/jdoe/.config/libreoffice/4;")
                                                 << "" << open.arg("jdoe on desk7");
        QTest::newRow("lock file with a full name, escapes")
            << QByteArray("Doe\\, Jane,jdoe,host\\;1,07.12.2026 10:15,file:///x;") << "" << open.arg("Doe, Jane on host;1");
        QTest::newRow("empty lock file") << QByteArray("") << "" << open.arg("someone on an unknown computer");
        QTest::newRow("rewritten in place, its time put back") << QByteArray() << "in place" << "changed";
        QTest::newRow("replaced") << QByteArray() << "replaced" << "changed";
        // A copy moved over it, its times kept to the nanosecond: another file.
        QTest::newRow("replaced by a twin of the same size and time") << QByteArray() << "twin" << "changed";
    }
    void commitRefused()
    {
        QFETCH(QByteArray, lockFile);
        QFETCH(QString, change);
        QFETCH(QString, result);
        const QString path = copyOf("capitals-xlwt.xls"), lock = dir_.filePath(".~lock.capitals-xlwt.xls#");
        if (!lockFile.isNull())
            QVERIFY(writeFile(lock, lockFile));
        auto &&[c, rs] = Opened(path, Mode::Edit);
        QByteArray bytes = readFile(path);
        if (change == "in place" || change == "twin") {
            struct stat st;
            QVERIFY(stat(QFile::encodeName(path), &st) == 0);
            const QString written = change == "twin" ? path + ".twin" : path;
            if (change == "in place")
                bytes[bytes.size() - 1] = char(bytes.back() ^ 1);
            QFile f(written);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.write(bytes) == bytes.size());
            f.close();
            const timespec times[2] = {st.st_atim, st.st_mtim};
            QVERIFY(utimensat(AT_FDCWD, QFile::encodeName(written), times, 0) == 0);
            QVERIFY(written == path || ::rename(QFile::encodeName(written), QFile::encodeName(path)) == 0);
        } else if (change == "replaced") {
            QVERIFY(QFile::rename(path, path + ".old") && QFile::copy(path + ".old", path));
        }
        c.AppendRow("q", "a");
        QCOMPARE(committed(c), result);
        QCOMPARE(readFile(path), bytes);
        QFile::remove(lock);
    }

    // Two processes commit to one deck at once, both from the same version:
    // the lock makes them take turns, and the second finds the deck changed.
    // Round after round until commits have overlapped: never two saves,
    // never a card lost.
    void twoWritersAtOnce()
    {
        const QString path = dir_.filePath("shared.xls");
        const Rows base = numberedCards(3000);
        int overlapped = 0, round = 0;
        for (; round < 300 && overlapped < 10; ++round) {
            QVERIFY(writeFile(path, xls::writeWorkbookFile(decks::deckWorkbook(base))));
            int go[2];
            QVERIFY(pipe(go) == 0);
            // Each writer opens the deck, adds its card, waits for the start,
            // then commits: "result|start|end".
            Child writers[2];
            for (int n = 0; n < 2; ++n)
                writers[n] = spawnText([&, n] {
                    ::close(go[1]);
                    Opened o(path, Mode::Edit);
                    o.c.AppendRow(QString("writer %1").arg(n), "x");
                    char start;
                    (void)!read(go[0], &start, 1);
                    const qint64 t0 = nowNs();
                    const QString r = committed(o.c);
                    return QString("%1|%2|%3").arg(r).arg(t0).arg(nowNs());
                });
            QThread::msleep(40);  // both have opened the deck
            ::close(go[1]);       // and start at once
            ::close(go[0]);
            const QString results[2] = {resultOf(writers[0]), resultOf(writers[1])};
            const QStringList a = results[0].split('|'), b = results[1].split('|');
            QVERIFY2(a.size() == 3 && b.size() == 3, qPrintable(results[0] + " / " + results[1]));
            QCOMPARE(QSet<QString>({a[0], b[0]}), QSet<QString>({"saved", "changed"}));
            const int saved = a[0] == "saved" ? 0 : 1;
            QCOMPARE(studyCopyOf(readFile(path)),
                     studyCopyOf(base + Rows{{QString("writer %1").arg(saved), "x"}}));
            if (a[1].toLongLong() < b[2].toLongLong() && b[1].toLongLong() < a[2].toLongLong())
                ++overlapped;
        }
        qInfo("%d rounds, %d with the commits overlapping", round, overlapped);
        QVERIFY(overlapped > 0);
    }

    void otherSheetsAndColumnsSurviveRewrite()
    {
        decks::Workbook wb = decks::deckWorkbook({{"q", "a"}});
        wb.sheets[0].setCell(0, 2, decks::Cell::fromText("extra column"));
        wb.sheets[0].setCell(1, 3, decks::Cell::fromError(0x07));
        decks::Sheet notes;
        notes.name = "Notes";  // before Sheet1
        notes.setCell(3, 7, decks::Cell::fromNumber(2.5));
        wb.sheets.insert(wb.sheets.begin(), notes);
        const QString path = dir_.filePath("sheets.xls");
        QVERIFY(writeFile(path, xls::writeWorkbookFile(wb)));

        auto &&[c, rs] = Opened(path, Mode::Edit);
        rs.SetField(1, "changed");
        c.AppendRow("q2", "a2");
        c.Commit();

        wb.sheets[1].setCell(0, 1, decks::Cell::fromText("changed"));
        wb.sheets[1].setCell(2, 0, decks::Cell::fromText("q2"));
        wb.sheets[1].setCell(2, 1, decks::Cell::fromText("a2"));
        QCOMPARE(cellsDiff(modelJson(xls::readWorkbookFile(readFile(path))), modelJson(wb)), QString());
    }

    void featuresThatCannotBeSavedRefuseCommit()
    {
        // A formula's result can be read, but saving would turn the formula
        // into its value: the commit is refused and the file stays.
        const QByteArray file = xlsFile(biffStream({}, {formula(0, f64(1))}));
        const QString path = dir_.filePath("formula.xls");
        QVERIFY(writeFile(path, file));
        auto &&[c, rs] = Opened(path, Mode::Edit);
        c.AppendRow("q", "a");
        QVERIFY_THROWS_EXCEPTION(DeckError, c.Commit());
        QCOMPARE(readFile(path), file);
        QVERIFY(!c.HasChanges());
    }

    // Escaping for the question (quotes dropped) and the answer, and the
    // characters XML cannot hold left out of both.
    void escaping_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("xmlCharacters");
        auto row = [](const char *name, const QString &text, const QString &question, const QString &answer = {}) {
            QTest::newRow(name) << text << question << (answer.isNull() ? question : answer)
                                << (answer.isNull() ? question : text);
        };
        row("markup", "say \"hi\" <b> &lt;", "say hi &lt;b&gt; &amp;lt;", "say &quot;hi&quot; &lt;b&gt; &amp;lt;");
        row("dashes and apostrophe", QString::fromUtf8("1–2 it's a—b"), QString::fromUtf8("1-2 it's a—b"),
            QString::fromUtf8("1-2 it's a—b"));
        // Without an answer given, the text without the characters XML cannot
        // hold is the question, the answer and removeNonXmlCharacters' result.
        row("tab, line feed, return, C1 kept", QString("a\tb\nc\rd") + QChar(0x85), QString("a\tb\nc\rd") + QChar(0x85));
        row("controls and noncharacters removed",
            QString("a") + QChar(0) + QChar(1) + "b" + QChar(0x1F) + QChar(0xFFFE) + QChar(0xFFFF) + "c", "abc");
        // Lone halves in the middle, at the end, high and low.
        row("lone surrogate halves removed, pairs kept",
            QString::fromUtf8("🙂a") + QChar(0xD83D) + "b" + QChar(0xDE42) + "c" + QChar(0xD83D), QString::fromUtf8("🙂abc"));
    }

    void escaping()
    {
        QFETCH(QString, text);
        QFETCH(QString, question);
        QFETCH(QString, answer);
        QFETCH(QString, xmlCharacters);
        QCOMPARE(escapeQuestion(text), question);
        QCOMPARE(escapeAnswer(text), answer);
        QCOMPARE(removeNonXmlCharacters(text), xmlCharacters);
    }

    void rowRules_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("document");
        const QVariant none;
        QTest::newRow("no rows") << Rows{} << kEmptyStudyCopy;
        QTest::newRow("title only") << Rows{{"Question", "Answer"}} << kEmptyStudyCopy;
        QTest::newRow("title words alone make a title row")
            << Rows{{"Question", "x"}, {"y", "Answer"}, {"question", "answer"}} << cards(card("question", "answer"));
        QTest::newRow("half-empty rows are left out")
            << Rows{{"q1", none}, {none, "a2"}, {"q3", ""}, {"q4", "a4"}} << cards(card("q4", "a4"));
        QTest::newRow("empty rows between cards")
            << Rows{{"q1", "a1"}, {none, none}, {none, none}, {none, "x"}, {"q2", "a2"}}
            << cards(card("q1", "a1") + card("q2", "a2"));
        // Numbers in their usual text form (numberText): 15 significant digits,
        // the exponent form from 1E+15 and below 0.0001, no negative zero, no
        // binary noise.
        QTest::newRow("numbers are text")
            << Rows{{7.0, 49.0}, {0.5, 1e20}, {-0.25, -0.0}, {123456789012345.0, 1234567890123456.0}, {1e15, 0.1 + 0.2},
                    {0.0001, 0.00001}}
            << cards(card("7", "49") + card("0.5", "1E+20") + card("-0.25", "0") +
                     card("123456789012345", "1.23456789012346E+15") + card("1E+15", "0.3") + card("0.0001", "1E-05"));
    }

    void rowRules()
    {
        QFETCH(Rows, rows);
        QFETCH(QString, document);
        QCOMPARE(studyCopyOf(rows), document);
    }

    void sixteenBitLimit()
    {
        // 32,767 card rows fit; one more overflows the count, and so does a
        // half-empty row before them (it counts in the building pass).
        Rows rows;
        for (int i = 0; i < 32767; ++i)
            rows.append({double(i), "a"});
        QCOMPARE(studyCopyOf(rows + Rows(3, {"", QVariant()})).count("<Card>"), 32767);
        QVERIFY_THROWS_EXCEPTION(DeckError, studyCopyOf(Rows{{QVariant(), "answer only"}} + rows));
        QVERIFY_THROWS_EXCEPTION(DeckError, studyCopyOf(rows + Rows{{"q", "a"}}));
        // One long text named in every row of a small workbook.
        QVERIFY_THROWS_EXCEPTION(DeckError, studyCopyOf(Rows(700, {QString(32767, '&'), "a"})));
    }

    void sameStudyCopyAsTheXlsDeck_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("xlsDeck");
        const QList<QPair<QString, QString>> decks{{"rich", "rich-libreoffice"}, {"tricky", "tricky-xlwt"},
                                                   {"mixed", "mixed-libreoffice"}, {"sheet1-second", "sheet1-not-first-xlwt"}};
        for (const auto &[shortName, xlsDeck] : decks)
            for (const char *copy : {"-soffice.xlsx", "-soffice.ods", "-ssconvert.xlsx", "-ssconvert.ods", "-openpyxl.xlsx"})
                QTest::newRow(qPrintable(shortName + copy)) << shortName + copy << xlsDeck;
    }
    void sameStudyCopyAsTheXlsDeck()
    {
        QFETCH(QString, file);
        QFETCH(QString, xlsDeck);
        // The .xls deck gives the same study copy, as tst_deckfiles checks.
        // Such decks are refused by the store for editing (the editor's own
        // refusal is tested with the editor).
        DeckConnection c;
        QVERIFY_THROWS_EXCEPTION(DeckError, c.Open(dataPath(file), Mode::Edit));
        QVERIFY(!c.IsOpen());
        QCOMPARE(studyCopyOf(readFile(dataPath(file))).toUtf8() + "\r\n", readFile(dataPath("expected/" + xlsDeck + ".xml")));
    }

    // Files from the wild, each made for one case by
    // tests/data/make-workbook-faults.py: the study copy is the one the
    // reference readers (openpyxl, xlrd) give.
    void wildWorkbooks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        for (const char *name : {"wild-empty-shared-string", "wild-part-case", "wild-main-part", "wild-biff5"})
            QTest::newRow(name) << QString(name) + (QString(name).endsWith("biff5") ? ".xls" : ".xlsx") << QString(name);
        for (const char *file : {"wild-dates.xlsx", "wild-dates-1904.xlsx", "wild-dates.ods"})
            QTest::newRow(file) << file << "wild-dates";
        for (const char *file : {"wild-dates.xls", "wild-dates-1904.xls"})
            QTest::newRow(file) << file << "wild-dates-xls";
        for (const char *file : {"wild-password.xlsx", "wild-password.ods", "wild-password.xls"})
            QTest::newRow(file) << file << "protected";
    }
    void wildWorkbooks()
    {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        if (expected == "protected") {
            QCOMPARE(kindThrown([&] { readDeckContent(readFile(dataPath(file))); }), int(FormatError::Kind::Protected));
            return;
        }
        QCOMPARE(studyCopyOf(readFile(dataPath(file))).toUtf8() + "\r\n", readFile(dataPath("expected/" + expected + ".xml")));
        // Only an Excel 97-2003 workbook is ever edited; an Excel 5.0/95 one
        // is studied like an .xlsx.
        DeckConnection c;
        if (!file.endsWith(".xls") || file.contains("biff5")) {
            QVERIFY_THROWS_EXCEPTION(DeckNotEditable, c.Open(dataPath(file), Mode::Edit));
        } else {
            c.Open(dataPath(file), Mode::Edit);
            c.Close();
        }
    }

    // Dates and times as the study copy shows them: from a serial number
    // in a number form, and from ISO text; and the number form of a format
    // code. Each row: the rule, its arguments, what it gives (empty: no
    // date, the number stays a number).
    void dateRules_data()
    {
        QTest::addColumn<Rule>("rule");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QString>("gives");
        static const QMap<QString, NumberForm> forms{{"Plain", NumberForm::Plain}, {"Date", NumberForm::Date}, {"Time", NumberForm::Time}};
        const Rule date = [](const QVariantList &a) { return decks::dateText(a[0].toDouble(), a[1].toBool(), forms[a[2].toString()]); };
        const Rule iso = [](const QVariantList &a) { return decks::isoDateText(a[0].toString()); };
        const Rule form = [](const QVariantList &a) { return forms.key(decks::numberFormOfCode(a[0].toString())); };
        const auto row = [](const QString &name, const Rule &rule, const QVariantList &args, const char *gives) {
            QTest::newRow(qPrintable(name)) << rule << args << QString(gives);
        };
        row("a date", date, {16682, false, "Date"}, "1945-09-02");
        row("the same day in 1904", date, {15220, true, "Date"}, "1945-09-02");
        row("with a time of day", date, {16682 + 9 / 24. + 4 / 1440., false, "Date"}, "1945-09-02 09:04");
        row("with seconds", date, {16682.5 + 30 / 86400., false, "Date"}, "1945-09-02 12:00:30");
        row("rounded to the second", date, {16682 + 86399.6 / 86400, false, "Date"}, "1945-09-03");
        row("time alone", date, {9 / 24. + 4 / 1440., false, "Time"}, "09:04");
        row("time format on a date", date, {16682.75, false, "Time"}, "18:00");
        row("day 0 of 1900 is a time", date, {0.25, false, "Date"}, "06:00");
        row("day 0 of 1904 is a date", date, {0.25, true, "Date"}, "1904-01-01 06:00");
        row("1900-01-01", date, {1, false, "Date"}, "1900-01-01");
        row("1900-02-28", date, {59, false, "Date"}, "1900-02-28");
        row("Excel's 1900-02-29", date, {60, false, "Date"}, "1900-02-29");
        row("1900-03-01", date, {61, false, "Date"}, "1900-03-01");
        row("9999-12-31", date, {2958465, false, "Date"}, "9999-12-31");
        row("past 9999", date, {2958466, false, "Date"}, "");
        row("negative", date, {-1, false, "Date"}, "");
        row("not a number", date, {std::nan(""), false, "Date"}, "");
        row("plain", date, {16682, false, "Plain"}, "");
        for (const auto &[text, gives] : {std::pair{"1945-09-02", "1945-09-02"}, {"1945-09-02T00:00:00Z", "1945-09-02"},
                                          {"1945-09-02T09:04:00.000Z", "1945-09-02 09:04"},
                                          {"2014-02-14T08:27:49+05:30", "2014-02-14 08:27:49"}, {"09:04:00", "09:04"},
                                          {"1945-02-30", ""}, {"yesterday", ""}, {"1945-09-02Tnoon", ""}})
            row(QString("ISO ") + text, iso, {text}, gives);
        // In "0;yyyy" only the first section counts.
        for (const auto &[gives, codes] : {std::pair{"Plain", QStringList{"General", "0.00", "#,##0 \"days\"", "0\\d",
                                                                          "[Red]0.0;[Blue]-0.0", "0.00E+00", "0;yyyy"}},
                                           {"Date", {"yyyy-mm-dd", "DD/MM/YYYY", "mmm", "[$-409]d mmmm yyyy", "yyyy-mm-dd hh:mm"}},
                                           {"Time", {"h:mm", "mm:ss", "h:mm AM/PM", "[h]:mm:ss", "[mm]"}}})
            for (const QString &code : codes)
                row("code " + code, form, {code}, gives);
    }
    void dateRules()
    {
        QFETCH(Rule, rule);
        QFETCH(QVariantList, args);
        QFETCH(QString, gives);
        QCOMPARE(rule(args), gives);
    }

    void builtInNumberForms()
    {
        for (int id = 0; id < 200; ++id) {
            const bool date = (id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58);
            const bool time = (id >= 18 && id <= 21) || (id >= 45 && id <= 47);
            QCOMPARE(builtInNumberForm(id), date ? NumberForm::Date : time ? NumberForm::Time : NumberForm::Plain);
        }
    }

    void hostileFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("cards");  // -1: refused as no deck
        QTest::addColumn<QString>("card");  // the study copy's last card
        QTest::addColumn<int>("kind");  // the reader's reason (FormatError::Kind), -1 when the reader reads it
        const QByteArray bigSheet = "<row r=\"1\">" + QByteArray(65 << 20, ' ') + "</row>";
        using K = FormatError::Kind;
        const auto refusedAs = [](const char *name, const QByteArray &bytes, K kind) {
            QTest::newRow(name) << bytes << -1 << QString() << int(kind);
        };
        const auto damaged = [&](const char *name, const QByteArray &bytes) { refusedAs(name, bytes, K::Damaged); };
        const auto tooLarge = [&](const char *name, const QByteArray &bytes) { refusedAs(name, bytes, K::TooLarge); };
        // Read, but too much for a study copy.
        const auto notWorkbook = [&](const char *name, const QByteArray &bytes) { refusedAs(name, bytes, K::NotWorkbook); };
        const auto refused = [](const char *name, const QByteArray &bytes) { QTest::newRow(name) << bytes << -1 << QString() << -1; };
        QTest::newRow("xlsx inline string, bool, error")
            << xlsx("<row><c t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r></is></c><c t=\"b\"><v>1</v></c></row>"
                    "<row><c t=\"e\"><v>#N/A</v></c><c><v>1</v></c></row><row><c t=\"str\"><v>f_x0009_</v></c><c><v>0.5</v></c></row>")
            << 2 << "<Que>f\t</Que><Ans>0.5</Ans>" << -1;
        tooLarge("xlsx sheet past the cap", xlsx(bigSheet));
        tooLarge("xlsx sheet lying about its size", lyingAboutSize(zipOf({{"xl/workbook.xml", QByteArray(20 << 20, ' ')}}), 100));
        // Many strings of a cell's size: the part is streamed, so one longer
        // string would be refused as too long a cell before the cap is met.
        tooLarge("xlsx shared strings past the cap",
                 xlsx(kCard, ("<si><t>" + QByteArray(1000, 'x') + "</t></si>").repeated(17 << 10)));
        damaged("xlsx shared string not there", xlsx("<row><c t=\"s\"><v>2</v></c><c t=\"s\"><v>1</v></c></row>"));
        damaged("xlsx negative shared string", xlsx("<row><c t=\"s\"><v>-1</v></c></row>"));
        damaged("xlsx rows out of order", xlsx("<row r=\"3\"/><row r=\"2\"/>"));
        damaged("xlsx cells out of order", xlsx("<row r=\"1\"><c r=\"B1\"/><c r=\"A1\"/></row>"));
        damaged("xlsx cell in another row", xlsx("<row r=\"1\"><c r=\"A2\"/></row>"));
        QTest::newRow("xlsx rows past the row limit")
            << xlsx(kCard + "<row r=\"65537\">" + kCard.mid(5)) << 1 << "<Que>q</Que><Ans>a</Ans>" << -1;
        // The reader stops early, with megabytes and damage after: the parts
        // parsed ahead of it stop too, and what lies past its stop is not
        // its business.
        QTest::newRow("xlsx stopped at the row limit, damage after")
            << xlsx(kCard + "<row r=\"65537\">" + kCard.mid(5) + kCard.repeated(50000) + "<row><c></row>") << 1
            << "<Que>q</Que><Ans>a</Ans>" << -1;
        QTest::newRow("ods stopped after the card sheet, damage after")
            << ods(odsCard() + "</table:table><table:table table:name=\"Later\">" + odsCard().repeated(20000) + "<x>") << 1
            << "<Que>q</Que><Ans>2</Ans>" << -1;
        damaged("xlsx entity expansion",
                xlsx(kCard, "<!DOCTYPE sst [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><si><t>&b;</t></si>"));
        damaged("xlsx not well-formed", xlsx("<row><c></row>"));
                // The parser's own refusals: no entity is expanded, none is loaded,
        // and nesting has a limit.
        const QByteArray entityCell = "<row><c t=\"inlineStr\"><is><t>&l9;</t></is></c></row>";
        for (const auto &[name, head] : {std::pair("billion laughs", laughs("worksheet")),
                                          std::pair("external entity", outsideEntity("worksheet"))}) {
            damaged(qPrintable("xlsx " + QString(name)), xlsxSheet(head + "<worksheet><sheetData>" + entityCell + "</sheetData></worksheet>"));
            damaged(qPrintable("xlsx " + QString(name) + " in an attribute"),
                    xlsxSheet(head + "<worksheet><sheetData><row r=\"&l9;\"/></sheetData></worksheet>"));
            damaged(qPrintable("ods " + QString(name)), ods(odsCard("1", "&l9;"), QByteArray(head).replace("worksheet", "office:document-content")));
        }
        damaged("xlsx external document type",
                xlsxSheet(kXmlHead + "<!DOCTYPE worksheet SYSTEM \"file:///etc/hostname\"><worksheet><sheetData>" + kCard +
                          "</sheetData></worksheet>"));
        damaged("xlsx undeclared entity", xlsx(entityCell));
        damaged("xlsx bytes that are no text of their encoding",
                xlsxSheet(QByteArray("\0<\0?\0x\0m\0l\0 ", 12) + QByteArray("\xD8\x00<\0w\0/\0>", 10)));
        damaged("xlsx nested past the parser's limit", xlsx(kCard + QByteArray("<x>").repeated(300) + QByteArray("</x>").repeated(300)));
        damaged("ods nested past the parser's limit",
                ods(odsCard() + QByteArray("<text:p>").repeated(300) + QByteArray("</text:p>").repeated(300)));
        QTest::newRow("xlsx predefined entities and character references")
            << xlsx("<row><c t=\"inlineStr\"><is><t>&lt;&amp;&gt;&quot;&apos;</t></is></c>"
                    "<c t=\"inlineStr\"><is><t>&#65;&#x42;&#x20AC;<![CDATA[<&>]]></t></is></c></row>")
            << 1 << "<Que>&lt;&amp;&gt;'</Que><Ans>AB€&lt;&amp;&gt;</Ans>" << -1;
        damaged("xlsx without relationships", xlsx(kCard, "<si/>", false));
        notWorkbook("zip of neither kind", zipOf({{"a.txt", "a"}}));
        QTest::newRow("ods plain")
            << ods(odsCard() + odsCard("2", "a<text:s text:c=\"2\"/>b<text:tab/>c<text:line-break/>d<text:span>e</text:span>"))
            << 3 << "<Que>a  b\tc\nde</Que><Ans>2</Ans>" << -1;
        QTest::newRow("ods blank rows repeated to the end")
            << ods(odsCard() + "<table:table-row table:number-rows-repeated=\"1048575\"><table:table-cell "
                               "table:number-columns-repeated=\"16384\"/></table:table-row>")
            << 1 << "" << -1;
        refused("ods card repeated past the limit", ods(odsCard("2000000000")));
        tooLarge("ods long text repeated into gigabytes", ods(odsCard("30000", "<text:s text:c=\"32767\"/>")));
        tooLarge("xlsx long shared string used in every row",
                xlsx(kCard.repeated(30000), "<si><t>" + QByteArray(8 << 10, 'q') + "</t></si><si><t>a</t></si>"));
        tooLarge("ods content past the cap", ods(bigSheet));
        damaged("ods document type", ods(odsCard(), kXmlHead + "<!DOCTYPE x [<!ENTITY a \"b\">]>"));
        // Nesting no program writes: refused at 64 levels, whatever the depth
        // built (100,000 levels here), without a call per level.
        const QByteArray deep = nested("x"), deepRuns = "<r><t>a</t></r>" + nested("<t>q</t>", "r");
        const auto odsText = [](const QByteArray &paragraph, const QByteArray &attributes = {}) {
            return ods("<table:table-row><table:table-cell office:value-type=\"string\"" + attributes + "><text:p>" + paragraph +
                       "</text:p></table:table-cell><table:table-cell office:value-type=\"float\" office:value=\"2\"/></table:table-row>");
        };
        damaged("ods spans nested deeply", odsText(nested("x", "text:span")));
        damaged("ods row groups nested deeply", ods(nested(odsCard(), "table:table-row-group")));
        damaged("xlsx nested in <t>", xlsx(kCard, "<si><t>" + deep + "</t></si><si><t>a</t></si>"));
        damaged("xlsx nested in <v>", xlsx("<row><c><v>" + deep + "</v></c></row>"));
        damaged("xlsx nested in <is>", xlsx("<row><c t=\"inlineStr\"><is>" + deep + "</is></c></row>"));
        damaged("xlsx rich runs nested", xlsx(kCard, "<si>" + deepRuns + "</si><si><t>a</t></si>"));
        damaged("xlsx inline rich runs nested", xlsx("<row><c t=\"inlineStr\"><is>" + deepRuns + "</is></c></row>"));
        // A cell holds 32,767 characters, as in Excel; one of 40,000 is
        // refused, not cut short, in every format and every way of writing it.
        const QByteArray full(32767, 'q'), over(40000, 'q');
        QTest::newRow("xls cell of 32,767") << xlsWithQuestionOf(32767) << 1 << QString("<Que>" + full + "</Que><Ans>2</Ans>") << -1;
        damaged("xls cell of 40,000", xlsWithQuestionOf(40000));
        QTest::newRow("xlsx cell of 32,767") << xlsx(kCard, "<si><t>" + full + "</t></si><si><t>a</t></si>") << 1
                                             << QString("<Que>" + full + "</Que><Ans>a</Ans>") << -1;
        damaged("xlsx shared string of 40,000", xlsx(kCard, "<si><t>" + over + "</t></si><si><t>a</t></si>"));
        damaged("xlsx runs of 40,000 together", xlsx(kCard, "<si>" + ("<r><t>" + over.left(20000) + "</t></r>").repeated(2) + "</si>"));
        damaged("xlsx inline string of 40,000", xlsx("<row><c t=\"inlineStr\"><is><t>" + over + "</t></is></c></row>"));
        damaged("xlsx formula text of 40,000", xlsx("<row><c t=\"str\"><v>" + over + "</v></c></row>"));
        QTest::newRow("ods cell of 32,767") << odsText(full.left(32766) + "<text:s/>") << 1
                                            << QString("<Que>" + full.left(32766) + " </Que><Ans>2</Ans>") << -1;
        damaged("ods paragraph of 40,000", odsText(over));
        damaged("ods spaces of 40,000", odsText("<text:s text:c=\"40000\"/>"));
        damaged("ods paragraphs of 40,000 together", odsText(over.left(20000) + "</text:p><text:p>" + over.left(20000)));
        damaged("ods string value of 40,000", odsText("", " office:string-value=\"" + over + "\""));
        // Two entries of one name: which one is the deck?
        const QByteArray sheet = "xl/worksheets/sheet1.xml", content = "content.xml";
        const QByteArray strayXlsx = xlsx(kCard, kStrings, true, {{"xl/worksheets/sheet1.xmL", "<worksheet/>"}}),
                         strayOds = ods(odsCard(), kXmlHead, {{"content.xmL", "<office:document-content/>"}});
        QTest::newRow("xlsx with a stray entry") << strayXlsx << 1 << "<Que>q</Que><Ans>a</Ans>" << -1;
        damaged("xlsx with two sheets of one name", withTwin(strayXlsx, sheet, "xl/worksheets/sheet1.xmL"));
        QTest::newRow("ods with a stray entry") << strayOds << 1 << "<Que>q</Que><Ans>2</Ans>" << -1;
        damaged("ods with two contents of one name", withTwin(strayOds, content, "content.xmL"));
        notWorkbook("ods without content", zipOf({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}}));
        // The shared string one past the last is not there either.
        damaged("xlsx shared string one past the end", xlsx("<row><c t=\"s\"><v>0</v></c><c t=\"s\"><v>2</v></c></row>"));
        QTest::newRow("xlsx last shared string") << xlsx("<row><c t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c></row>") << 1
                                                 << "<Que>q</Que><Ans>a</Ans>" << -1;
        // Entries written with Windows separators and in another case.
        QTest::newRow("xlsx entry names with backslashes")
            << zipOf({{"xl\\Workbook.xml", kXmlHead + "<workbook><sheets><sheet name=\"Sheet1\" r:id=\"rId1\" "
                                            "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"/></sheets></workbook>"},
                      {"xl\\_rels\\workbook.xml.rels", kXmlHead + "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
                                                     "</Relationships>"},
                      {"XL\\worksheets\\sheet1.xml", kXmlHead + "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>q</t></is></c>"
                                                  "<c><v>7</v></c></row></sheetData></worksheet>"}})
            << 1 << "<Que>q</Que><Ans>7</Ans>" << -1;
        // A date ISO text cannot hold stays as the file writes it.
        QTest::newRow("ods date before year 0")
            << ods("<table:table-row><table:table-cell office:value-type=\"string\"><text:p>Ides of March</text:p></table:table-cell>"
                   "<table:table-cell office:value-type=\"date\" office:date-value=\"-0043-03-15\"/></table:table-row>")
            << 1 << "<Que>Ides of March</Que><Ans>-0043-03-15</Ans>" << -1;
        // A package whose main part is a text document is no workbook.
        notWorkbook("docx", zipOf({{"_rels/.rels", kXmlHead + "<Relationships><Relationship Id=\"rId1\" Type=\"http://schemas."
                                                              "openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                                                              "Target=\"word/document.xml\"/></Relationships>"},
                                   {"word/document.xml", kXmlHead + "<w:document xmlns:w=\"w\"><w:body/></w:document>"}}));
    }
    void hostileFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, cards);
        QFETCH(QString, card);
        QFETCH(int, kind);
        // The reader's reason, and the store's, for the message.
        if (kind >= 0)
            QCOMPARE(kindThrown<DeckUnreadable>([&] { studyCopyOf(bytes); }), kind);
        if (cards < 0) {
            QVERIFY_THROWS_EXCEPTION(DeckError, studyCopyOf(bytes));
            return;
        }
        const QString copy = studyCopyOf(bytes);
        QCOMPARE(copy.count(QStringLiteral("<Card>")), cards);
        QVERIFY2(copy.endsWith(card + "</Card></Root>") || card.isEmpty(), qPrintable(copy));
    }
};

QTEST_GUILESS_MAIN(DecksTest)
#include "tst_decks.moc"
