// The main window as the user first meets it: start-up, the layout in twips,
// the About panel, and shutdown.

#include "app/Widgets.h"
#include "base/Trap.h"
#include "support/GuiTest.h"

#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>

using namespace guitest;

class TestWindow : public QObject {
    Q_OBJECT

private:
    static QAction *menu(frmQuestion &w, const char *name) { return w.findChild<QAction *>(QLatin1String(name)); }
    static QWidget *control(frmQuestion &w, const char *name) { return w.findChild<QWidget *>(QLatin1String(name)); }
    // Whether the start view's picture-button bar is shown.
    static bool toolbarShown(frmQuestion &w)
    {
        const QStringList bar{"PicDeck", "PicOpenDeck", "picAddDeck", "PicOptions1", "PicExit"};
        return std::none_of(bar.begin(), bar.end(), [&](const QString &name) { return w.findChild<QWidget *>(name)->isHidden(); });
    }
    // The captions of the items the menu bar shows.
    static QStringList menuBarItems(frmQuestion &w)
    {
        QStringList items;
        for (QAction *a : w.menuBar()->actions())
            if (a->isVisible())
                items << a->text();
        return items;
    }

private slots:
    void initTestCase() { guitest::initTestCase(); }
    void cleanup() { guitest::stopPollers(); }

    // First of all, while nothing in this process has wanted a chart: the
    // window starts without QtCharts, which comes with the statistics.
    void chartsLoadedOnFirstNeed()
    {
        const auto chartsMapped = [] {
            QFile maps(QStringLiteral("/proc/self/maps"));
            return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Charts");
        };
        ProgramFolder folder;
        frmQuestion w(folder.path());
        w.show();
        QCoreApplication::processEvents();
        QVERIFY(!chartsMapped());
        QVERIFY(!w.chMnemora && !w.chHistory);
        w.ShowStatistics();
        QVERIFY(w.chMnemora);
        QCOMPARE(w.chMnemora->objectName(), QStringLiteral("chMnemora"));
        QVERIFY(chartsMapped());
    }

    void startUpShowsTheStartView()
    {
        ProgramFolder folder;
        frmQuestion w(folder.path());
        // Controls no test looks up by name.
        for (const char *name : {"Label13", "Label14", "PicOptions", "Frame1", "Frame2", "Frame3", "PicQuestions", "PicAnswer1",
                                 "PicAnswer", "PicStat", "fraStatistics", "lblCardsWrong", "fraPieChart", "txtAddQuest",
                                 "txtAddAns", "lblHide"})
            QVERIFY2(control(w, name), name);
        QStringList captions;
        for (const char *name : {"mnuAbout", "mnuOpen", "mnuAdd", "mnuStat"})
            captions << menu(w, name)->text();
        QCOMPARE(captions, (QStringList{"About Mnemora", "Open Deck", "Add Deck", "&Statistics"}));

        // The layout in twips at the screen's DPI; cmdAddDeck lies below the
        // visible client area, the About panel covers everything.
        const double dpiX = QGuiApplication::primaryScreen()->logicalDotsPerInchX(),
                     dpiY = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
        const auto px = [](int twips, double dpi) { return qRound(twips * dpi / 1440.0); };
        QCOMPARE(w.centralWidget()->size(), QSize(px(6555, dpiX), px(5535, dpiY)));
        QCOMPARE(control(w, "cmdRight")->geometry(),
                 QRect(px(2186, dpiX), px(5160, dpiY), px(975, dpiX), px(335, dpiY)));
        QCOMPARE(control(w, "PicExit")->geometry(),
                 QRect(px(1920, dpiX), px(4500, dpiY), px(2955, dpiX), px(375, dpiY)));
        QVERIFY(control(w, "cmdAddDeck")->geometry().top() >= w.centralWidget()->height());
        QVERIFY(control(w, "picAboutUs")->geometry().contains(w.centralWidget()->rect()));

        w.show();
        QCOMPARE(w.windowTitle(), QStringLiteral("Mnemora"));
        QCOMPARE(menuBarItems(w), (QStringList{"&Decks", "&Options", "&Help"}));
        QVERIFY(toolbarShown(w));
        for (const char *name : {"cmdAns", "cmdRight", "cmdWrong", "cmdEnd", "fraQuestion", "fraAnswer",
                                 "fraAnswer1", "fraStat", "cmdPrev", "cmdAdd", "cmdRemoveQuest", "cmdNext",
                                 "cmdAddDone", "cmdAddDeck", "lblDecknameAdd", "picAboutUs", "fraOptions",
                                 "fraDeck", "lstDeck", "cmdOpen", "cmdRemove"})
            QVERIFY2(control(w, name)->isHidden(), name);
        // The reveal button already carries the "show answer" picture.
        QCOMPARE(w.findChild<PictureButton *>("cmdAns")->pictureSource(),
                 folder.path() + QStringLiteral("/Images/showans.jpg"));

        // The About panel and back.
        trigger(menu(w, "mnuAbout"));
        QVERIFY(!control(w, "picAboutUs")->isHidden());
        QVERIFY(!toolbarShown(w));
        for (const char *name : {"mnuOpt", "mnuDecks", "mnuStat", "mnuHelp"})
            QVERIFY2(!menu(w, name)->isEnabled(), name);
        QCOMPARE(w.findChild<QLabel *>("Label12")->text(), QStringLiteral("Mnemora v 1.0"));
        QCOMPARE(w.findChild<QLabel *>("Label15")->toolTip(), QDir::toNativeSeparators(folder.path()));
        click(w.findChild<QAbstractButton *>("Command1"));
        QVERIFY(control(w, "picAboutUs")->isHidden());
        QVERIFY(toolbarShown(w));
        QCOMPARE(menuBarItems(w), (QStringList{"&Decks", "&Options", "&Help"}));
        for (const char *name : {"mnuOpt", "mnuDecks", "mnuHelp"})
            QVERIFY2(menu(w, name)->isEnabled(), name);
        // A hidden item reads as disabled; its own switch shows once it is
        // in the menu bar again.
        menu(w, "mnuStat")->setVisible(true);
        QVERIFY(menu(w, "mnuStat")->isEnabled());
    }

    // Closing the window deletes the study copy, without forcing; the Exit
    // button leaves it.
    void closing_data()
    {
        QTest::addColumn<QString>("copy");  // "file", "read-only" or "gone"
        QTest::addColumn<bool>("exit");
        QTest::addColumn<bool>("kept");
        QTest::newRow("close") << "file" << false << false;
        QTest::newRow("close, read-only") << "read-only" << false << true;
        QTest::newRow("close, already gone") << "gone" << false << false;
        QTest::newRow("Exit") << "file" << true << true;
    }
    void closing()
    {
        QFETCH(QString, copy);
        QFETCH(bool, exit);
        QFETCH(bool, kept);
        ProgramFolder folder;
        QTemporaryDir copies;
        const QString studyCopy = copies.path() + QStringLiteral("/French.xml");
        if (copy == "file" || copy == "read-only")
            QVERIFY(QFile(studyCopy).open(QIODevice::WriteOnly));
        if (copy == "read-only")
            QFile::setPermissions(studyCopy, QFile::ReadOwner);
        {
            frmQuestion w(folder.path());
            w.show();
            w.StudyCopyPath = studyCopy;
            QVERIFY(exit ? (click(w.findChild<QAbstractButton *>("PicExit")), true) : w.close());
            QVERIFY(w.isHidden());
            QTest::qWait(50);
            QVERIFY(!QApplication::activeModalWidget());
        }
        QCOMPARE(QFile::exists(studyCopy), kept);
    }

    // Random draws repeat from start to start: the classic 24-bit generator
    // started from 327680. 16-bit values do not wrap.
    void randomDrawsAndSixteenBitValues()
    {
        modMnemora a;
        QCOMPARE(a.Rnd(), 0.7055475f);
        QCOMPARE(a.Rnd(), 0.533424f);
        QCOMPARE(toInt16(32767), qint16(32767));
        QCOMPARE(toInt16(-32768), qint16(-32768));
        QVERIFY_THROWS_EXCEPTION(StepFailed, toInt16(32768));
        QVERIFY(!trapErrors([] { toInt16(40000); }));
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
