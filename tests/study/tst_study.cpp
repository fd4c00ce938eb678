// A study run driven as a user drives it: opening a deck through the file
// dialog, the card orders, picture questions, the answer shown first,
// marking, the statistics in the middle of a run and at its end.

#include "app/Widgets.h"
#include "support/GuiTest.h"

#include <QChart>
#include <QChartView>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPieSeries>
#include <QPieSlice>

using namespace guitest;

namespace {

const QStringList kCapitals = {"France", "Germany", "Italy", "Spain", "Portugal",
                               "Austria", "Poland", "Greece", "Norway", "Ireland"};

QStringList visibleMenuItems(frmQuestion &w)
{
    QStringList items;
    for (QAction *a : w.menuBar()->actions())
        if (a->isVisible())
            items << a->text();
    return items;
}

QVector<qint16> queueOf(const frmQuestion &w)
{
    return w.CardOrder.mid(0, w.CardCount);
}

// A window on a program folder, shown, with a clock the test sets.
struct Session {
    explicit Session(const QStringList &decks = {QStringLiteral("capitals-xlwt.xls")}) : folder(decks)
    {
        w = std::make_unique<frmQuestion>(folder.path());
        w->mod.clock = [this] { return now; };
        w->show();
    }
    template <typename T = QWidget>
    T *get(const char *name) { return w->findChild<T *>(QLatin1String(name)); }
    QAbstractButton *button(const char *name) { return get<QAbstractButton>(name); }
    QString question() { return get<QLabel>("lblQuestion")->text(); }
    QString answer() { return get<QLabel>("lblAnswer")->text(); }
    bool shown(const char *name) { return !get(name)->isHidden(); }

    std::shared_ptr<Message> open(const QString &fileName) { return openDeck(*w, folder.deckPath(fileName)); }
    void reveal() { click(button("cmdAns")); }
    void right() { reveal(); click(button("cmdRight")); }
    void wrong() { reveal(); click(button("cmdWrong")); }
    // Sets an option in the options view, then leaves it with Done.
    void option(const char *name)
    {
        click(button("PicOptions1"));
        clickIndicator(button(name));
        click(button("cmdDone"));
    }

    ProgramFolder folder;
    std::unique_ptr<frmQuestion> w;
    QTime now = QTime(10, 0, 0);
};

}  // namespace

class TestStudy : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { guitest::initTestCase(); }
    void cleanup() { guitest::stopPollers(); }

    // ---- Opening ------------------------------------------------------------

    void openingShowsTheFirstCard()
    {
        Session s;
        QString dialogFolder;
        answerFileDialog(s.folder.deckPath("capitals-xlwt.xls"), &dialogFolder);
        click(s.button("PicOpenDeck"));

        QCOMPARE(QFileInfo(dialogFolder).canonicalFilePath(),
                 QFileInfo(s.folder.path() + "/Decks/Deck1").canonicalFilePath());
        QCOMPARE(s.question(), QStringLiteral("France"));
        QCOMPARE(s.w->CardCount, qint16(10));
        QVERIFY(s.shown("fraQuestion"));
        QVERIFY(!s.shown("fraAnswer1"));
        QVERIFY(s.shown("cmdAns"));
        QVERIFY(!s.button("cmdRight")->isEnabled());
        QVERIFY(!s.button("cmdWrong")->isEnabled());
        QVERIFY(s.shown("cmdEnd"));
        QVERIFY(!s.shown("PicOpenDeck"));
        QCOMPARE(visibleMenuItems(*s.w), (QStringList{"&Options", "&Statistics", "&Help"}));
        QVERIFY(!s.w->findChild<QAction *>("mnuHelp")->isEnabled());
        QCOMPARE(s.w->mod.StartTime, QTime(10, 0, 0));
        // The store is released once the study copy is built.
        QVERIFY(!s.w->DeckConnection);
        QVERIFY(!s.w->DeckRecordset);
        // The study copy lies in a folder only this user can enter.
        QVERIFY(QFile::exists(s.w->StudyCopyPath));
        const QFileInfo folder(QFileInfo(s.w->StudyCopyPath).path());
        QCOMPARE(folder.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup |
                                         QFile::WriteOther | QFile::ExeGroup | QFile::ExeOther),
                 QFile::Permissions());
    }

    void openingFromTheMenu()
    {
        Session s;
        answerFileDialog(s.folder.deckPath("capitals-xlwt.xls"));
        trigger(s.w->findChild<QAction *>("mnuOpen"));
        QCOMPARE(s.question(), QStringLiteral("France"));
        QVERIFY(s.w->findChild<QAction *>("mnuOpt")->isVisible());
        QVERIFY(!s.w->DeckConnection);
    }

    void rejectedOpenings_data()
    {
        QTest::addColumn<QString>("fileName");  // empty: the dialog is cancelled
        QTest::addColumn<bool>("fromMenu");
        QTest::addColumn<QString>("message");
        const QString blank = QStringLiteral("You have opened a Blank file or a file with Invalid file format");
        QTest::newRow("cancelled") << QString() << false << QString();
        QTest::newRow("cancelled from the menu") << QString() << true << QString();
        QTest::newRow("capital extension") << QStringLiteral("Capitals.XLS") << false << QString();
        QTest::newRow("further full stop") << QStringLiteral("my.deck.xls") << true << QString();
        QTest::newRow("title row only") << QStringLiteral("title-only-xlwt.xls") << false << blank;
        QTest::newRow("no card at all") << QStringLiteral("empty-xlwt.xls") << true << blank;
        QTest::newRow("damaged") << QStringLiteral("truncated.xls") << false << blank;
        QTest::newRow("no Sheet1") << QStringLiteral("nosheet.xls") << false << blank;
        QTest::newRow("capital XLSX extension") << QStringLiteral("Capitals.XLSX") << false << QString();
        QTest::newRow("further full stop in .ods") << QStringLiteral("my.deck.ods") << true << QString();
        QTest::newRow("text named .ods") << QStringLiteral("text.ods") << false << blank;
        QTest::newRow("damaged .xlsx") << QStringLiteral("truncated.xlsx") << true << blank;
    }

    void rejectedOpenings()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, fromMenu);
        QFETCH(QString, message);
        Session s({"title-only-xlwt.xls", "empty-xlwt.xls"});
        s.folder.addDeck("capitals-xlwt.xls", "Capitals.XLS");
        s.folder.addDeck("capitals-xlwt.xls", "my.deck.xls");
        s.folder.addDeck("malformed-truncated.xls", "truncated.xls");
        s.folder.addDeck("no-sheet1-xlwt.xls", "nosheet.xls");
        s.folder.addDeck("rich-soffice.xlsx", "Capitals.XLSX");
        s.folder.addDeck("rich-soffice.ods", "my.deck.ods");
        s.folder.addDeck("malformed-csv-named-xls.xls", "text.ods");
        QFile::resize(s.folder.addDeck("rich-soffice.xlsx", "truncated.xlsx"), 2000);

        auto shown = answerFileDialog(fileName.isEmpty() ? QString() : s.folder.deckPath(fileName));
        if (fromMenu)
            trigger(s.w->findChild<QAction *>("mnuOpen"));
        else
            click(s.button("PicOpenDeck"));
        QTRY_VERIFY(!QApplication::activeModalWidget());

        QCOMPARE(shown->shown, !message.isEmpty());
        if (shown->shown) {
            QCOMPARE(shown->text, message);
            QCOMPARE(shown->title, QStringLiteral("Mnemora"));
            QCOMPARE(shown->icon, QMessageBox::Information);
        }
        // Back at the start view, "&Options" usable again.
        QVERIFY(s.shown("PicOpenDeck"));
        QVERIFY(!s.shown("fraQuestion"));
        QVERIFY(!s.shown("cmdAns"));
        QCOMPARE(visibleMenuItems(*s.w), (QStringList{"&Decks", "&Options", "&Help"}));
        QVERIFY(s.w->findChild<QAction *>("mnuOpt")->isEnabled());
        QVERIFY(s.w->findChild<QAction *>("mnuHelp")->isEnabled());
        QVERIFY(s.w->DeckOpen);
    }

    void spreadsheetDecksAreStudied_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("LibreOffice .xlsx") << QStringLiteral("rich-soffice.xlsx");
        QTest::newRow("LibreOffice .ods") << QStringLiteral("rich-soffice.ods");
        QTest::newRow("gnumeric .ods") << QStringLiteral("rich-ssconvert.ods");
    }

    void spreadsheetDecksAreStudied()
    {
        QFETCH(QString, fileName);
        Session s({fileName});
        QFile deck(s.folder.deckPath(fileName));
        const QDateTime written = QFileInfo(deck).lastModified();
        QVERIFY(deck.open(QIODevice::ReadOnly));
        const QByteArray before = deck.readAll();
        deck.close();
        QStringList filters;
        auto shown = answerFileDialog(s.folder.deckPath(fileName), nullptr, &filters);
        click(s.button("PicOpenDeck"));
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY(!shown->shown);
        QCOMPARE(filters, (QStringList{"Decks (*.xls *.xlsx *.ods)", "All files (*)"}));
        QCOMPARE(s.w->DeckFileName, fileName);
        QCOMPARE(s.w->mod.DeckName, fileName.section('.', 0, 0));
        QVERIFY(s.shown("fraQuestion"));
        QStringList seen{s.question()};
        for (int i = 0; i < 3; ++i) {
            s.right();
            seen << s.question();
        }
        QCOMPARE(seen, (QStringList{"The bold word", "42", "0.1", "1E+20"}));
        QVERIFY(deck.open(QIODevice::ReadOnly));
        QCOMPARE(deck.readAll(), before);  // studied, never written
        QCOMPARE(QFileInfo(deck).lastModified(), written);
    }

    void aDamagedDeckIsNotStudiedFromAnOldStudyCopy()
    {
        // A study copy left behind by an earlier run under the same name
        // (the Exit button leaves it) is not taken for the damaged deck.
        Session s;
        s.folder.addDeck("malformed-truncated.xls", "Old.xls");
        const QString stale = s.w->StudyCopyFileOf("Old");
        QFile file(stale);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<?xml version='1.0' encoding='UTF-8'?><Root><Card><Que>stale</Que><Ans>card</Ans></Card></Root>\r\n");
        file.close();

        auto shown = s.open("Old.xls");
        QTRY_VERIFY(shown->shown);
        QVERIFY(shown->text.startsWith("You have opened a Blank file"));
        QVERIFY(s.shown("PicOpenDeck"));
        QVERIFY(QFile::exists(stale));
    }

    // ---- The VovivIz order ----------------------------------------------------

    void vovivizQueue()
    {
        Session s;
        s.open("capitals-xlwt.xls");
        QCOMPARE(queueOf(*s.w), (QVector<qint16>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

        s.wrong();  // France comes back after four other cards
        QCOMPARE(queueOf(*s.w), (QVector<qint16>{1, 2, 3, 4, 0, 5, 6, 7, 8, 9}));
        QCOMPARE(s.question(), QStringLiteral("Germany"));
        QCOMPARE(s.w->mod.CardPos, qint16(1));
        QStringList seen;
        for (int i = 0; i < 4; ++i) {
            s.right();
            seen << s.question();
        }
        QCOMPARE(seen, (QStringList{"Italy", "Spain", "Portugal", "France"}));
        QCOMPARE(queueOf(*s.w), (QVector<qint16>{0, 5, 6, 7, 8, 9, 1, 2, 3, 4}));
        QCOMPARE(s.w->mod.RightCount, qint16(4));
        QCOMPARE(s.w->mod.WrongCount, qint16(1));

        // After a mark the next card waits to be revealed.
        QVERIFY(s.shown("cmdAns"));
        QVERIFY(!s.shown("fraAnswer1"));
        QVERIFY(!s.button("cmdRight")->isEnabled());
        QVERIFY(!s.w->AnswerShown);
    }

    void smallDecks_data()
    {
        QTest::addColumn<QString>("deck");
        QTest::addColumn<bool>("wrong");
        QTest::addColumn<QStringList>("questions");
        QTest::newRow("one card, right") << "one-card-xlwt.xls" << false << QStringList{"only", "only", "only"};
        QTest::newRow("one card, wrong") << "one-card-xlwt.xls" << true << QStringList{"only", "only", "only"};
        QTest::newRow("two cards, right") << "two-cards-xlwt.xls" << false << QStringList{"q1", "q0", "q1"};
        QTest::newRow("two cards, wrong") << "two-cards-xlwt.xls" << true << QStringList{"q1", "q0", "q1"};
    }

    void smallDecks()
    {
        QFETCH(QString, deck);
        QFETCH(bool, wrong);
        QFETCH(QStringList, questions);
        Session s({deck});
        s.open(deck);
        QStringList seen;
        for (int i = 0; i < questions.size(); ++i) {
            wrong ? s.wrong() : s.right();
            seen << s.question();
        }
        QCOMPARE(seen, questions);
    }

    // ---- The Random order -------------------------------------------------------

    void randomOrderRepeatsFromStartToStart()
    {
        const auto run = [] {
            Session s;
            s.option("OptSortRandom");
            s.open("capitals-xlwt.xls");
            QStringList seen{s.question()};
            for (int i = 0; i < 60; ++i) {
                (i % 3) ? s.right() : s.wrong();
                seen << s.question();
            }
            // Random draws leave the queue alone.
            if (queueOf(*s.w) != QVector<qint16>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9})
                seen << "queue moved";
            return seen;
        };
        const QStringList first = run();
        QCOMPARE(run(), first);
        QVERIFY(!first.contains("queue moved"));
        // Every card can come, and the same card can come twice in a row.
        for (const QString &capital : kCapitals)
            QVERIFY2(first.contains(capital), qPrintable(capital));
        bool repeated = false;
        for (int i = 1; i < first.size(); ++i)
            repeated = repeated || first[i] == first[i - 1];
        QVERIFY(repeated);
    }

    // ---- Pictures ------------------------------------------------------------------

    void pictureQuestions_data()
    {
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("file");  // relative to the program folder; empty: missing
        QTest::newRow("under the program folder") << "\\Images\\circle.jpg" << "Images/circle.jpg";
        QTest::newRow("missing") << "\\Images\\nowhere.jpg" << QString();
        QTest::newRow("plain text with a backslash") << "a\\b" << QString();
        QTest::newRow("absolute path, missing") << "C:\\Pictures\\cat.jpg" << QString();
    }

    void pictureQuestions()
    {
        QFETCH(QString, question);
        QFETCH(QString, file);
        Session s{QStringList()};
        s.folder.writePicture("Images/circle.jpg", Qt::red);
        writeDeck(s.folder.deckPath("Pictures.xls"), {{question, "Answer text"}, {"next", "card"}});

        auto shown = s.open("Pictures.xls");
        QTRY_VERIFY(!QApplication::activeModalWidget());
        auto *picture = s.get<ImageBox>("picQuest");
        if (!file.isEmpty()) {
            QVERIFY(!shown->shown);
            QVERIFY(s.shown("fraPicQuest"));
            QVERIFY(!s.shown("lblQuestion"));
            QCOMPARE(picture->pictureSource(), s.folder.path() + "/" + file);
            QVERIFY(!picture->pixmap().isNull());
            QVERIFY(s.shown("cmdAns"));
            s.right();
            QCOMPARE(s.question(), QStringLiteral("next"));
            QVERIFY(!s.shown("fraPicQuest"));
            QVERIFY(s.shown("lblQuestion"));
        } else {
            QVERIFY(shown->shown);
            QCOMPARE(shown->text, QStringLiteral("Please ensure the Image is in proper folder\nPlease Open a new Deck"));
            QCOMPARE(shown->icon, QMessageBox::Information);
            QVERIFY(s.w->ImageMissing);
            QVERIFY(s.shown("PicOpenDeck"));
            QVERIFY(!s.shown("fraQuestion"));
            QVERIFY(!s.shown("cmdAns"));
            QCOMPARE(visibleMenuItems(*s.w), (QStringList{"&Decks", "&Options", "&Help"}));
        }
    }

    void anAbsolutePictureIsLoadedAsItStands()
    {
        // A reference with ":\" is taken as the path itself, relative to
        // nothing but the working folder.
        Session s{QStringList()};
        QTemporaryDir work;
        const QString old = QDir::currentPath();
        QDir::setCurrent(work.path());
        QImage image(10, 10, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QVERIFY(image.save(work.path() + "/Z:\\pic.jpg", "JPG"));
        writeDeck(s.folder.deckPath("Absolute.xls"), {{"Z:\\pic.jpg", "blue"}});
        s.open("Absolute.xls");
        QDir::setCurrent(old);
        QVERIFY(s.shown("fraPicQuest"));
        QCOMPARE(s.get<ImageBox>("picQuest")->pictureSource(), QStringLiteral("Z:\\pic.jpg"));
    }

    void aMarkThatBringsAMissingPicture()
    {
        Session s{QStringList()};
        writeDeck(s.folder.deckPath("Broken.xls"), {{"first", "one"}, {"\\Images\\gone.jpg", "two"}});
        s.open("Broken.xls");
        s.reveal();
        auto shown = answerMessageBox();
        click(s.button("cmdRight"));
        QVERIFY(shown->shown);
        // The mark still counts; the reveal button stays hidden and the flag
        // is cleared.
        QCOMPARE(s.w->mod.RightCount, qint16(1));
        QVERIFY(!s.shown("cmdAns"));
        QVERIFY(!s.w->ImageMissing);
        QVERIFY(s.shown("PicOpenDeck"));
    }

    // ---- The answer shown first ----------------------------------------------------

    void answerShownFirst()
    {
        Session s{QStringList()};
        s.folder.writePicture("Images/circle.jpg", Qt::red);
        writeDeck(s.folder.deckPath("Mixed.xls"), {{"France", "Paris"}, {"\\Images\\circle.jpg", "Circle"}});
        s.option("OptShowFirstAns");
        QVERIFY(s.w->mod.ShowAnswerFirst);
        s.open("Mixed.xls");

        auto *question = s.get<QLabel>("lblQuestion");
        auto *answer = s.get<QLabel>("lblAnswer");
        QCOMPARE(question->text(), QStringLiteral("Paris"));
        QCOMPARE(answer->text(), QStringLiteral("France"));
        QCOMPARE(question->width(), s.w->twipsX(3500));
        QCOMPARE(answer->width(), s.w->twipsX(4500));
        QCOMPARE(s.w->QuestionText, QStringLiteral("France"));
        QCOMPARE(s.w->AnswerText, QStringLiteral("Paris"));
        QCOMPARE(s.get<PictureButton>("cmdAns")->pictureSource(), s.folder.path() + "/Images/showque.jpg");

        s.right();  // a picture question stays in the question panel
        QVERIFY(s.shown("fraPicQuest"));
        QCOMPARE(answer->text(), QStringLiteral("Circle"));
        QCOMPARE(answer->width(), s.w->twipsX(3500));
    }

    void answerFirstWithoutItsRevealPicture()
    {
        Session s;
        QFile::remove(s.folder.path() + "/Images/showque.jpg");
        s.option("OptShowFirstAns");
        auto shown = s.open("capitals-xlwt.xls");
        QTRY_VERIFY(shown->shown);
        QVERIFY(shown->text.startsWith("Please ensure the Image is in proper folder"));
        QVERIFY(s.shown("PicOpenDeck"));
    }

    // ---- Statistics -------------------------------------------------------------------

    void endShowsTheStatistics_data()
    {
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("wrong");
        QTest::addColumn<QString>("answered");
        QTest::addColumn<QString>("rightLine");
        QTest::addColumn<QString>("wrongLine");
        QTest::newRow("7 and 3") << 7 << 3 << "10" << "7  ( 70 % )" << "3  ( 30 % )";
        QTest::newRow("halves to even") << 1 << 7 << "8" << "1  ( 12 % )" << "7  ( 88 % )";
        QTest::newRow("thirds") << 1 << 2 << "3" << "1  ( 33 % )" << "2  ( 67 % )";
        QTest::newRow("none answered") << 0 << 0 << "0" << "0  (  % )" << "0  ( 0 % )";
    }

    void endShowsTheStatistics()
    {
        QFETCH(int, right);
        QFETCH(int, wrong);
        QFETCH(QString, answered);
        QFETCH(QString, rightLine);
        QFETCH(QString, wrongLine);
        Session s;
        s.open("capitals-xlwt.xls");
        const QString studyCopy = s.w->StudyCopyPath;
        QVERIFY(QFile::exists(studyCopy));
        for (int i = 0; i < right; ++i)
            s.right();
        for (int i = 0; i < wrong; ++i)
            s.wrong();
        s.now = QTime(10, 1, 5);
        click(s.button("cmdEnd"));

        QVERIFY(s.shown("fraStat"));
        QVERIFY(!s.shown("fraQuestion"));
        QVERIFY(!s.shown("cmdEnd"));
        QVERIFY(!s.shown("cmdAns"));
        QCOMPARE(s.get<QLabel>("lblDeckName")->text(), QStringLiteral("capitals-xlwt"));
        QCOMPARE(s.get<QLabel>("lblCardsAnswered")->text(), answered);
        QCOMPARE(s.get<QLabel>("lblCardsRight")->text(), rightLine);
        QCOMPARE(s.get<QLabel>("lblCardsWrong")->text(), wrongLine);
        QCOMPARE(s.get<QLabel>("lblSessionTime")->text(), QStringLiteral("00:01:05"));
        QVERIFY(s.shown("lblSessionTime"));
        QVERIFY(s.shown("Label8"));
        auto *chart = s.get<QChartView>("chMnemora");
        QCOMPARE(!chart->isHidden(), right + wrong > 0);
        if (right + wrong > 0) {
            auto *pie = qobject_cast<QPieSeries *>(chart->chart()->series().value(0));
            QVERIFY(pie);
            QCOMPARE(pie->slices().at(0)->label(), QStringLiteral("Wrong"));
            QCOMPARE(pie->slices().at(1)->label(), QStringLiteral("Right"));
            QCOMPARE(pie->slices().at(0)->value() + pie->slices().at(1)->value(), 100.0);
            QCOMPARE(chart->chart()->title(), QStringLiteral("capitals-xlwt"));
        }
        // The run is over: its study copy is gone and its name forgotten.
        QVERIFY(!QFile::exists(studyCopy));
        QVERIFY(s.w->mod.DeckName.isEmpty());
        QVERIFY(s.w->SessionEnded);

        // A second look shows the same figures; the deck name is gone.
        s.now = QTime(11, 0, 0);
        trigger(s.w->findChild<QAction *>("mnuStat"));
        QCOMPARE(s.get<QLabel>("lblSessionTime")->text(), QStringLiteral("00:01:05"));
        QCOMPARE(s.get<QLabel>("lblCardsRight")->text(), rightLine);
        QCOMPARE(s.get<QLabel>("lblDeckName")->text(), QString());

        // The statistics' own End leads back to the start view. The second
        // look took "&Options" off the menu bar; the Options picture button
        // and the next opening bring it back.
        click(s.button("cmdClose"));
        QVERIFY(s.shown("PicOpenDeck"));
        QVERIFY(!s.shown("fraStat"));
        QCOMPARE(visibleMenuItems(*s.w), (QStringList{"&Decks", "&Help"}));
    }

    void timerOptionOffHidesTheSessionTime()
    {
        Session s;
        s.option("ChkTimerEnable");
        QVERIFY(!s.w->mod.TimerOn);
        s.open("capitals-xlwt.xls");
        s.right();
        click(s.button("cmdEnd"));
        QVERIFY(s.get<QWidget>("Label8")->isHidden());
        QVERIFY(s.get<QWidget>("lblSessionTime")->isHidden());
        QCOMPARE(s.get<QLabel>("lblCardsRight")->text(), QStringLiteral("1  ( 100 % )"));
    }

    void countersStopAtTheirLimit()
    {
        Session s;
        s.open("capitals-xlwt.xls");
        s.w->mod.RightCount = 32767;
        s.w->mod.WrongCount = 32767;
        s.right();
        s.wrong();
        QCOMPARE(s.w->mod.RightCount, qint16(32767));
        QCOMPARE(s.w->mod.WrongCount, qint16(32767));
        QCOMPARE(s.question(), QStringLiteral("Italy"));  // the run goes on
        click(s.button("cmdEnd"));
        QCOMPARE(s.get<QLabel>("lblCardsAnswered")->text(), QStringLiteral("65534"));
        QCOMPARE(s.get<QLabel>("lblCardsRight")->text(), QStringLiteral("32767  ( 50 % )"));
    }

    // ---- Statistics in the middle of a run -------------------------------------------

    void statisticsMidRunAndBack_data()
    {
        QTest::addColumn<bool>("revealed");
        QTest::newRow("answer hidden") << false;
        QTest::newRow("answer revealed") << true;
    }

    void statisticsMidRunAndBack()
    {
        QFETCH(bool, revealed);
        Session s;
        s.open("capitals-xlwt.xls");
        s.right();
        s.wrong();
        if (revealed)
            s.reveal();
        s.now = QTime(10, 0, 42);
        trigger(s.w->findChild<QAction *>("mnuStat"));
        QVERIFY(s.shown("fraStat"));
        QVERIFY(!s.shown("fraQuestion"));
        QVERIFY(!s.shown("cmdAns"));
        QCOMPARE(visibleMenuItems(*s.w), (QStringList{"&Help"}));
        QCOMPARE(s.get<QLabel>("lblCardsAnswered")->text(), QStringLiteral("2"));
        QCOMPARE(s.get<QLabel>("lblSessionTime")->text(), QStringLiteral("00:00:42"));
        QCOMPARE(s.get<QLabel>("lblDeckName")->text(), QStringLiteral("capitals-xlwt"));

        click(s.button("cmdClose"));
        QVERIFY(!s.shown("fraStat"));
        QVERIFY(s.shown("fraQuestion"));
        QCOMPARE(s.question(), QStringLiteral("Italy"));
        QCOMPARE(s.shown("fraAnswer1"), revealed);
        QCOMPARE(s.shown("cmdAns"), !revealed);
        QCOMPARE(s.button("cmdRight")->isEnabled(), revealed);
        QCOMPARE(s.button("cmdWrong")->isEnabled(), revealed);
        QVERIFY(s.shown("cmdEnd"));
        QCOMPARE(visibleMenuItems(*s.w), (QStringList{"&Options", "&Statistics", "&Help"}));

        // The run goes on from there, and a later look takes a new end time.
        if (revealed)
            click(s.button("cmdRight"));
        else
            s.right();
        QCOMPARE(s.question(), QStringLiteral("Spain"));
        s.now = QTime(10, 2, 0);
        trigger(s.w->findChild<QAction *>("mnuStat"));
        QCOMPARE(s.get<QLabel>("lblSessionTime")->text(), QStringLiteral("00:02:00"));
    }

    void statisticsMidRunWithChoices()
    {
        Session s;
        s.option("OptMultFour");
        s.open("capitals-xlwt.xls");
        QVERIFY(!s.shown("cmdAns"));
        trigger(s.w->findChild<QAction *>("mnuStat"));
        click(s.button("cmdClose"));
        QVERIFY(s.shown("fraQuestion"));
        QVERIFY(s.shown("fraAnswer"));
        QVERIFY(s.shown("PicAnswer"));
        QVERIFY(s.shown("cmdEnd"));
        QVERIFY(!s.shown("cmdAns"));
        QVERIFY(!s.shown("cmdRight"));
        QVERIFY(!s.shown("cmdWrong"));
        QCOMPARE(s.question(), QStringLiteral("France"));
    }

    void choosingAmongFourAnswers()
    {
        Session s;
        s.option("OptMultFour");
        s.open("capitals-xlwt.xls");
        QCOMPARE(s.question(), QStringLiteral("France"));
        QVERIFY(s.shown("fraAnswer"));
        // The wrong answers come from the neighbouring cards; one place
        // holds the right answer.
        QStringList offered;
        for (const char *name : {"lblOptAns1", "lblOptAns2", "lblOptAns3", "lblOptAns4"})
            offered << s.get<QLabel>(name)->text();
        const int right = offered.indexOf("Paris") + 1;
        QVERIFY(right > 0);
        const QStringList neighbours{"Oslo", "Dublin", "Berlin", "Rome"};  // cards -2, -1, +1, +2
        for (int k = 0; k < 4; ++k)
            if (k != right - 1)
                QCOMPARE(offered[k], neighbours[k]);

        auto *timer1 = s.w->findChild<IntervalTimer *>("Timer1");
        auto *timer2 = s.w->findChild<IntervalTimer *>("Timer2");
        auto *popup = s.get<QLabel>("lblAnsPopUp");
        clickIndicator(s.button(qPrintable(QStringLiteral("OptAns%1").arg(right))));
        QCOMPARE(s.w->mod.RightCount, qint16(1));
        QVERIFY(timer1->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!popup->isHidden(), 2000);
        QCOMPARE(popup->text(), QStringLiteral("Right"));
        QVERIFY(timer2->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(s.question(), QStringLiteral("Germany"), 3000);
        QVERIFY(popup->isHidden());
        QVERIFY(!timer1->isActive());
        QVERIFY(!timer2->isActive());
        for (const char *name : {"OptAns1", "OptAns2", "OptAns3", "OptAns4"})
            QVERIFY(!s.button(name)->isChecked());
    }

    // ---- Shutdown in the middle of a run ----------------------------------------------

    void closingMidRunDeletesTheStudyCopy()
    {
        Session s;
        s.open("capitals-xlwt.xls");
        const QString studyCopy = s.w->StudyCopyPath;
        QVERIFY(QFile::exists(studyCopy));
        QVERIFY(s.w->close());
        QVERIFY(!QFile::exists(studyCopy));
    }

    // Pictures of the views for the README, made on request:
    // MNEMORA_SCREENSHOT_DIR=folder tst_study screenshots (under xvfb-run
    // with QT_QPA_PLATFORM=xcb for a real window).
    void screenshots()
    {
        const QString out = qEnvironmentVariable("MNEMORA_SCREENSHOT_DIR");
        if (out.isEmpty())
            QSKIP("MNEMORA_SCREENSHOT_DIR is not set");
        Session s{QStringList()};
        QDir program(QStringLiteral(MNEMORA_PROGRAM_DIR));
        // The program's own pictures, and the sample deck of capitals.
        for (const QString &name : QDir(program.filePath("Images")).entryList(QDir::Files)) {
            QFile::remove(s.folder.path() + "/Images/" + name);
            QFile::copy(program.filePath("Images/" + name), s.folder.path() + "/Images/" + name);
        }
        for (const QString &name : QDir(program.filePath("Decks/Deck1")).entryList({"*.xls"}, QDir::Files))
            QFile::copy(program.filePath("Decks/Deck1/" + name), s.folder.deckPath(name));
        // A window that starts with the program's own pictures.
        s.w = std::make_unique<frmQuestion>(s.folder.path());
        s.w->mod.clock = [&s] { return s.now; };
        s.w->show();
        QVERIFY(QTest::qWaitForWindowExposed(s.w.get()));
        const auto shoot = [&](const QString &name) {
            QTest::qWait(300);
            QVERIFY(s.w->grab().save(out + "/" + name));
        };
        shoot("start.png");
        s.open("Shapes.xls");
        s.right();
        shoot("picture.png");
        click(s.button("cmdEnd"));
        click(s.button("cmdClose"));
        s.open("Elements.xls");
        s.right();
        s.right();
        s.reveal();
        shoot("study.png");
        click(s.button("cmdWrong"));
        s.right();
        s.now = QTime(10, 4, 27);
        click(s.button("cmdEnd"));
        shoot("statistics.png");
        click(s.button("cmdClose"));
        click(s.button("PicOptions1"));
        shoot("options.png");
    }

    void endWithTheStudyCopyAlreadyGone()
    {
        Session s;
        s.open("capitals-xlwt.xls");
        QVERIFY(QFile::remove(s.w->StudyCopyPath));
        s.right();
        click(s.button("cmdEnd"));
        QVERIFY(s.shown("fraStat"));
        QCOMPARE(s.get<QLabel>("lblCardsRight")->text(), QStringLiteral("1  ( 100 % )"));
        QVERIFY(s.w->mod.DeckName.isEmpty());
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestStudy)
#include "tst_study.moc"
