// Loading a study copy: the fast path for the program's own one-line form
// and the general XML parser must agree, and anything that is not
// well-formed XML must yield no document element.

#include "decks/DeckStore.h"
#include "decks/StudyDocument.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

QStringList texts(const decks::StudyDocument &doc)
{
    QStringList out;
    const decks::StudyElement root = doc.documentElement();
    for (int card = 0; card < root.childCount(); ++card) {
        QStringList sides;
        for (int side = 0; side < root.childCountOf(card); ++side)
            sides << root.text(card, side);
        out << sides.join(QLatin1Char('|'));
    }
    return out;
}

const QByteArray kDeclaration = "<?xml version='1.0' encoding='UTF-8'?>";

}  // namespace

class TestStudyDocument : public QObject {
    Q_OBJECT

private slots:
    void bothPathsAgreeOnEveryStudyCopy_data()
    {
        QTest::addColumn<QString>("file");
        const QDir expected(QStringLiteral(MNEMORA_TEST_DATA "/expected"));
        for (const QString &name : expected.entryList({"*.xml"}, QDir::Files))
            QTest::newRow(qPrintable(name)) << expected.filePath(name);
    }

    void bothPathsAgreeOnEveryStudyCopy()
    {
        QFETCH(QString, file);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray own = f.readAll();
        decks::StudyDocument fast, general;
        QVERIFY(fast.setContent(own));
        // A line break after the declaration leaves the program's own form.
        QByteArray other = own;
        other.insert(kDeclaration.size(), "\n");
        QVERIFY(general.setContent(other));
        QCOMPARE(texts(fast), texts(general));
    }

    void textsAreDecoded_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("cards");
        auto card = [](const char *q, const char *a) {
            return "<Root><Card><Que>" + QByteArray(q) + "</Que><Ans>" + a + "</Ans></Card></Root>";
        };
        QTest::newRow("entities") << card("2 &lt; 3 &amp; 4 &gt; 1", "&quot;a&apos;") << QStringList{"2 < 3 & 4 > 1|\"a'"};
        QTest::newRow("character references") << card("caf&#233;", "&#x263A;") << QStringList{QString::fromUtf8("café|☺")};
        QTest::newRow("line ends") << card("a\r\nb\rc", "d\ne") << QStringList{"a\nb\nc|d\ne"};
        QTest::newRow("non-Latin") << card("漢字", "über") << QStringList{QString::fromUtf8("漢字|über")};
        QTest::newRow("empty side") << card("", "x") << QStringList{"|x"};
        QTest::newRow("indented") << QByteArray("\n<Root>\n  <Card>\n    <Que>q</Que>\n    <Ans>a</Ans>\n  </Card>\n</Root>\n")
                                  << QStringList{"q|a"};
        QTest::newRow("other names, attributes, comments")
            << QByteArray("<Deck v='1'><!-- c --><Item><Q>q</Q><A x='y'>a <b>bold</b></A></Item></Deck>")
            << QStringList{"", "q|a bold"};
        QTest::newRow("no cards") << QByteArray("<Root></Root>") << QStringList{};
    }

    void textsAreDecoded()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, cards);
        for (const QByteArray &declaration : {kDeclaration, QByteArray("<?xml version=\"1.0\"?>")}) {
            decks::StudyDocument doc;
            QVERIFY(doc.setContent(declaration + body + "\r\n"));
            QCOMPARE(texts(doc), cards);
        }
    }

    void notWellFormed_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << kDeclaration + "<Root><Card><Que>q</Que>";
        QTest::newRow("mismatched tag") << kDeclaration + "<Root><Card><Que>q</Que><Ans>a</Ans></Card></Rot>";
        QTest::newRow("control character") << kDeclaration + "<Root><Card><Que>a\x01</Que><Ans>a</Ans></Card></Root>";
        QTest::newRow("bare ampersand") << kDeclaration + "<Root><Card><Que>a & b</Que><Ans>a</Ans></Card></Root>";
        QTest::newRow("unknown entity") << kDeclaration + "<Root><Card><Que>&nbsp;</Que><Ans>a</Ans></Card></Root>";
        QTest::newRow("CDATA end in text") << kDeclaration + "<Root><Card><Que>a]]>b</Que><Ans>a</Ans></Card></Root>";
        QTest::newRow("invalid UTF-8") << kDeclaration + "<Root><Card><Que>\xC3\x28</Que><Ans>a</Ans></Card></Root>";
        QTest::newRow("text after the root") << kDeclaration + "<Root></Root>junk";
        QTest::newRow("not XML") << QByteArray("Question,Answer\nFrance,Paris\n");
    }

    void notWellFormed()
    {
        QFETCH(QByteArray, bytes);
        decks::StudyDocument doc;
        QVERIFY(doc.setContent(kDeclaration + "<Root><Card><Que>old</Que><Ans>one</Ans></Card></Root>"));
        QVERIFY(!doc.setContent(bytes));
        QVERIFY(doc.documentElement().isNull());
    }

    void askingForWhatIsNotThere()
    {
        decks::StudyDocument doc;
        QVERIFY(doc.setContent(kDeclaration + "<Root><Card><Que>q</Que></Card></Root>"));
        const decks::StudyElement root = doc.documentElement();
        QVERIFY_THROWS_EXCEPTION(decks::DeckError, root.text(0, 1));
        QVERIFY_THROWS_EXCEPTION(decks::DeckError, root.text(1, 0));
        QVERIFY_THROWS_EXCEPTION(decks::DeckError, root.text(-1, 0));
        QVERIFY_THROWS_EXCEPTION(decks::DeckError, decks::StudyElement().text(0, 0));
    }
};

QTEST_MAIN(TestStudyDocument)
#include "tst_studydocument.moc"
