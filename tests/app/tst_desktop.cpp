// The window as a desktop program: study from the keyboard, names for
// assistive technology, the tab order, the right choice shown with a wrong
// verdict, decks handed to the program or dropped on it, and the installed
// copy with its per-user program folder.

#include "app/ProgramFolder.h"
#include "app/Widgets.h"
#include "support/GuiTest.h"

#include <QAccessible>
#include <QInputDialog>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextEdit>

using namespace guitest;

namespace {

const QList<QPair<QVariant, QVariant>> kDeck = {
    {"Question", "Answer"}, {"France", "Paris"}, {"Germany", "Berlin"}, {"Italy", "Rome"}, {"Spain", "Madrid"}};

// A window with the deck Four.xls, in the given multiple-choice mode and
// studying that deck unless mode is empty.
struct Session {
    explicit Session(const QString &mode = QString())
    {
        writeDeck(folder.deckPath("Four.xls"), kDeck);
        w = std::make_unique<frmQuestion>(folder.path());
        w->show();
        if (mode.isEmpty())
            return;
        click(w->PicOptions1);
        clickIndicator(mode == "4" ? w->OptMultFour : mode == "2" ? w->OptMultTwo : w->OptMultZero);
        click(w->cmdDone);
        openDeck(*w, folder.deckPath("Four.xls"));
        // Active, as for the user's keys.
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }
    QAbstractButton *choice(int i) { return QList<QAbstractButton *>{w->OptAns1, w->OptAns2, w->OptAns3, w->OptAns4}[i - 1]; }
    QLabel *label(int i) { return QList<QLabel *>{w->lblOptAns1, w->lblOptAns2, w->lblOptAns3, w->lblOptAns4}[i - 1]; }
    // The choice that offers the right answer, or the first other one.
    int offering(bool right)
    {
        for (int i = 1; i <= 4; ++i)
            if ((label(i)->text() == w->lblAnswer->text()) == right)
                return i;
        return 0;
    }
    // What a key could have changed.
    QString state()
    {
        QString s = QStringLiteral("%1 %2/%3 %4 ").arg(w->lblQuestion->text()).arg(w->mod.RightCount)
                        .arg(w->mod.WrongCount).arg(w->AnswerShown);
        for (int i = 1; i <= 4; ++i)
            s += choice(i)->isChecked() ? '1' : '0';
        return s;
    }
    ProgramFolder folder;
    std::unique_ptr<frmQuestion> w;
};

// A deck dropped from a file manager; whether the window took it.
bool drop(frmQuestion &w, const QString &path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&w, &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    if (enter.isAccepted())
        QApplication::sendEvent(&w, &dropped);
    return enter.isAccepted() && dropped.isAccepted();
}

}  // namespace

class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { guitest::initTestCase(); }

    // The per-user folder is made once, from a clean start: a second start
    // takes it as it is, and what a start cut short left is not taken.
    void perUserFolderMadeOnce()
    {
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkpath("Images") && QDir(program.path()).mkpath("Decks/Deck1"));
        QVERIFY(QFile::copy(QStringLiteral(MNEMORA_TEST_DATA "/one-card-xlwt.xls"), program.filePath("Decks/Deck1/One.xls")));
        const QString user = programfolder::perUserFolder();
        QDir(user).removeRecursively();
        QVERIFY(QDir().mkpath(user + ".new/Images"));
        QFile stray(user + ".new/Images/stray.jpg");
        QVERIFY(stray.open(QIODevice::WriteOnly));
        stray.close();
        const auto notProgram = [&](const QString &f) { return f != program.path(); };
        QCOMPARE(programfolder::workingFolder(program.path(), notProgram), user);
        QVERIFY(QFile::exists(user + "/Decks/Deck1/One.xls"));
        QVERIFY(!QFile::exists(user + "/Images/stray.jpg"));
        QVERIFY(!QFileInfo::exists(user + ".new"));
        // The user's own decks stay; nothing is copied again.
        QVERIFY(QFile::rename(user + "/Decks/Deck1/One.xls", user + "/Decks/Deck1/Mine.xls"));
        QCOMPARE(programfolder::workingFolder(program.path(), notProgram), user);
        QCOMPARE(QDir(user + "/Decks/Deck1").entryList(QDir::Files), QStringList{"Mine.xls"});
        QDir(user).removeRecursively();
    }
    void cleanup() { guitest::stopPollers(); }

    // A whole deck, right and wrong by turns, by keys sent to the End
    // button (which Space would press) and by clicks: the same cards, the
    // same counts; with a wrong choice the right one is marked.
    void studyByKeysAsByMouse_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("question and answer") << "0";
        QTest::newRow("four choices") << "4";
    }
    void studyByKeysAsByMouse()
    {
        QFETCH(QString, mode);
        QStringList runs[2];
        for (const bool keys : {false, true}) {
            Session s(mode);
            QAbstractButton *focus = s.w->cmdEnd;
            for (int card = 0; card < 4; ++card) {
                runs[keys] << s.w->lblQuestion->text();
                const bool right = card % 2 == 0;
                if (mode == "0") {
                    keys ? QTest::keyClick(focus, card < 2 ? Qt::Key_Space : Qt::Key_Return) : click(s.w->cmdAns);
                    keys ? QTest::keyClick(focus, right ? Qt::Key_R : Qt::Key_W)
                         : click(right ? s.w->cmdRight : s.w->cmdWrong);
                    continue;
                }
                const int k = s.offering(right);
                QLabel *marked = s.label(s.offering(true));
                keys ? QTest::keyClick(focus, Qt::Key(Qt::Key_0 + k)) : clickIndicator(s.choice(k));
                QTRY_VERIFY_WITH_TIMEOUT(s.w->lblAnsPopUp->isVisible(), 2000);
                marked->ensurePolished();
                QCOMPARE(marked->font().bold(), !right);
                QTRY_VERIFY_WITH_TIMEOUT(!s.w->lblAnsPopUp->isVisible(), 2000);
                QVERIFY(!marked->font().bold());
            }
            QVERIFY(s.w->fraStat->isHidden());
            runs[keys] << QStringLiteral("%1/%2").arg(s.w->mod.RightCount).arg(s.w->mod.WrongCount);
        }
        QCOMPARE(runs[1], runs[0]);
        QCOMPARE(runs[0].last(), QStringLiteral("2/2"));
    }

    // The study keys, any number of times, with the focus on each control
    // Tab reaches ("End" apart, below): Space, Return and Enter show the
    // answer at most; no key ends the run, picks a choice or counts a mark
    // while its own control cannot be clicked.
    void studyKeysNeverFallThrough_data()
    {
        QTest::addColumn<QString>("mode");  // "0 shown": question and answer, the answer revealed
        QTest::addColumn<QList<int>>("keys");
        const QList<int> reveal{Qt::Key_Space, Qt::Key_Return, Qt::Key_Space, Qt::Key_Enter, Qt::Key_Space};
        for (const char *mode : {"0", "0 shown", "2", "4"})
            QTest::addRow("Space and Return, %s", mode) << mode << reveal;
        QTest::newRow("R before the answer") << "0" << QList<int>{Qt::Key_R};
        QTest::newRow("1 without choices") << "0 shown" << QList<int>{Qt::Key_1};
        QTest::newRow("3 with two choices") << "2" << QList<int>{Qt::Key_3};
        QTest::newRow("W with choices") << "4" << QList<int>{Qt::Key_W};
    }
    void studyKeysNeverFallThrough()
    {
        QFETCH(QString, mode);
        QFETCH(QList<int>, keys);
        Session s(mode);
        if (mode.endsWith("shown"))
            click(s.w->cmdAns);
        const auto unrevealed = [&s] { return s.state().section(' ', 0, 1) + s.state().section(' ', 3); };
        const QString before = unrevealed();
        for (int stop = 0; stop < 10; ++stop) {
            QTest::keyClick(s.w->focusWidget(), Qt::Key_Tab);
            if (s.w->focusWidget() == s.w->cmdEnd)
                continue;
            for (const int key : keys)
                QTest::keyClick(s.w->focusWidget(), Qt::Key(key));
            QCOMPARE(unrevealed(), before);
            QVERIFY(!s.w->cmdEnd->isHidden() && s.w->fraStat->isHidden() && !s.w->Timer1->isActive());
            QCOMPARE(s.w->AnswerShown, mode.startsWith('0') && (keys.size() > 1 || mode.endsWith("shown")));
        }
    }

    // A run ends only through "End": Space or Return once the user tabbed
    // to it (while "Show Answer" is offered they show the answer), Ctrl+E
    // anywhere; a focus that came onto it otherwise takes no key.
    void endOnlyByItself_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("focus");  // "tab", "other" (not by the user's Tab) or "" (left where it is)
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("ends");
        QTest::newRow("tabbed, Space") << "0 shown" << "tab" << int(Qt::Key_Space) << true;
        QTest::newRow("tabbed, Return") << "0 shown" << "tab" << int(Qt::Key_Return) << true;
        QTest::newRow("tabbed, Space, choices") << "4" << "tab" << int(Qt::Key_Space) << true;
        QTest::newRow("tabbed, Space shows the answer first") << "0" << "tab" << int(Qt::Key_Space) << false;
        QTest::newRow("not tabbed, Space") << "0 shown" << "other" << int(Qt::Key_Space) << false;
        QTest::newRow("Ctrl+E") << "0" << "" << (Qt::Key_E | Qt::ControlModifier).toCombined() << true;
        QTest::newRow("Ctrl+E, choices") << "2" << "" << (Qt::Key_E | Qt::ControlModifier).toCombined() << true;
    }
    void endOnlyByItself()
    {
        QFETCH(QString, mode);
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(bool, ends);
        Session s(mode);
        if (mode.endsWith("shown"))
            click(s.w->cmdAns);
        QCOMPARE(s.w->focusWidget(), mode.startsWith('0') ? static_cast<QWidget *>(mode.endsWith("shown") ? s.w->cmdRight : s.w->cmdAns) : s.w->OptAns1);
        for (int stop = 0; focus == "tab" && s.w->focusWidget() != s.w->cmdEnd && stop < 10; ++stop)
            QTest::keyClick(s.w->focusWidget(), Qt::Key_Tab);
        if (focus == "other")
            s.w->cmdEnd->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(s.w->focusWidget(), Qt::Key(key & ~Qt::KeyboardModifierMask), Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        QCOMPARE(!s.w->fraStat->isHidden(), ends);
        QVERIFY(ends || focus != "tab" || s.w->focusWidget() == s.w->cmdRight);
    }

    void aKeyInTheEditorsBoxesIsText()
    {
        Session s("0");
        const QString before = s.state();
        for (QTextEdit *box : {s.w->txtAddQuest, s.w->txtAddAns}) {
            box->show();
            QTest::keyClicks(box, "R w 1");
            QCOMPARE(box->toPlainText(), QStringLiteral("R w 1"));
        }
        QCOMPARE(s.state(), before);
    }

    void namedForAssistiveTechnologyAndTabbedInReadingOrder()
    {
        Session s;
        const QMap<QString, QString> keys = {{"cmdAns", "Space or Return"}, {"cmdRight", "R"}, {"cmdWrong", "W"},
                                             {"cmdEnd", "Ctrl+E"}, {"cmdSaveCard", "Ctrl+S"}, {"cmdUndo", "Ctrl+Z"}};
        const auto buttons = s.w->findChildren<PictureButton *>();
        QVERIFY(buttons.size() >= 15);
        for (PictureButton *b : buttons) {
            QCOMPARE(b->accessibleName(), b->label());
            QCOMPARE(b->toolTip(), QStringLiteral("%1 (%2)").arg(b->label(), keys.value(b->objectName(), "Space")));
        }
        for (PictureBox *box : s.w->findChildren<PictureBox *>())
            QVERIFY(!QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name).isEmpty());
        QStringList chain;
        for (QWidget *x = s.w->nextInFocusChain(); x != s.w.get(); x = x->nextInFocusChain())
            if (x->isVisibleTo(s.w.get()) && (x->focusPolicy() & Qt::TabFocus))
                chain << x->objectName();
        QCOMPARE(chain, (QStringList{"PicOpenDeck", "picAddDeck", "PicOptions1", "PicExit"}));

        openDeck(*s.w, s.folder.deckPath("Four.xls"));
        click(s.w->cmdAns);
        QCOMPARE(QAccessible::queryAccessibleInterface(s.w->lblQuestion)->text(QAccessible::Name), "France");
        QCOMPARE(QAccessible::queryAccessibleInterface(s.w->lblAnswer)->text(QAccessible::Name), "Paris");
    }

    // A deck outside Decks/Deck1 dropped on the window is opened as one
    // handed to the program is; only the start view takes a deck.
    void aDeckDroppedOnTheStartViewOpens()
    {
        Session s;
        QTemporaryDir elsewhere;
        const QString deck = elsewhere.filePath("Outside.xls");
        writeDeck(deck, kDeck);
        auto shown = answerMessageBox();
        QVERIFY(drop(*s.w, deck));
        QTRY_COMPARE(s.w->lblQuestion->text(), "France");
        QCOMPARE(shown->text, QString());
        QCOMPARE(s.w->StudyCopyPath, s.w->StudyCopyFileOf("Outside"));
        QVERIFY(QFile::exists(s.w->StudyCopyPath) && !s.w->PicOpenDeck->isVisible());
        QVERIFY(!drop(*s.w, deck));
    }

    void installedCopyWorksInAPerUserFolder()
    {
        QTemporaryDir prefix;
        // What a program printed, or "failed" when it did not run or end well.
        const auto run = [](const QString &program, const QStringList &args) {
            QProcess p;
            p.start(program, args);
            return p.waitForFinished(60000) && p.exitCode() == 0 ? p.readAllStandardOutput().trimmed() : "failed";
        };
        QVERIFY(run(MNEMORA_CMAKE, {"--install", MNEMORA_PROGRAM_DIR, "--prefix", prefix.path()}) != "failed");
        QVERIFY(QFile::exists(prefix.filePath("share/icons/hicolor/48x48/apps/mnemora.png")));
        // desktop-file-validate (desktop-file-utils) prints errors, warnings and hints.
        QCOMPARE(run("desktop-file-validate", {prefix.filePath("share/applications/mnemora.desktop")}), QByteArray());
        QCOMPARE(run(prefix.filePath("bin/mnemora"), {"--version"}), QByteArray("Mnemora 1.0"));  // offscreen, as the test runs

        // The installed folder cannot be written: the program works in a
        // per-user folder made from it.
        const QString program = prefix.filePath("lib/mnemora"), user = programfolder::perUserFolder();
        QDir(user).removeRecursively();
        frmQuestion w(programfolder::workingFolder(program, [&](const QString &f) { return f != program; }));
        QCOMPARE(w.AppPath(), user);
        // A deck made there from the template, its card a picture chosen
        // there, then edited and studied.
        w.show();
        onNextModal<QInputDialog>([](QInputDialog *box) { box->setTextValue("Travel"); box->accept(); });
        click(w.picAddDeck);
        answerFileDialog(user + "/Images/circle.jpg");
        click(w.cmdAddBrowse);
        w.txtAddAns->setPlainText("Circle");
        click(w.cmdAdd);
        click(w.cmdAddDone);
        answerFileDialog(user + "/Decks/Deck1/Travel.xls");
        w.mnuEditDeck->trigger();
        w.txtAddQuest->setPlainText("Capital of Peru");
        w.txtAddAns->setPlainText("Lima");
        click(w.cmdAdd);
        click(w.cmdAddDone);
        stopPollers();
        QVERIFY(!openDeck(w, user + "/Decks/Deck1/Travel.xls")->shown);
        QCOMPARE(w.CardCount, qint16(2));
        QCOMPARE(w.picQuest->pictureSource(), user + "/Images/circle.jpg");
        QDir(user).removeRecursively();
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
