// The window on the screen: the layout grown with the window, the size
// remembered, a long card read to its end, the verdict's contrast, the
// options view by keyboard, the title and the run's line, why a deck did
// not open, and the command line.

#include "app/CommandLine.h"
#include "app/SignalClose.h"
#include "app/Widgets.h"
#include "support/GuiTest.h"

#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QWheelEvent>

#include <csignal>

using namespace guitest;

namespace {

// What every named control under the client area looks like now.
QMap<QString, QPair<QRect, double>> layoutOf(frmQuestion &w)
{
    QMap<QString, QPair<QRect, double>> controls;
    for (QWidget *c : w.findChild<QWidget *>("client")->findChildren<QWidget *>())
        if (!c->objectName().isEmpty() && !c->objectName().startsWith("qt_") && (c->ensurePolished(), true))
            controls[c->objectName()] = {c->geometry(), c->font().pointSizeF()};
    return controls;
}

// The WCAG contrast of two colours.
double contrast(QColor a, QColor b)
{
    const auto luminance = [](QColor c) {
        const auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// A file dropped from a file manager.
void drop(frmQuestion &w, const QString &path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&w, &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QVERIFY(enter.isAccepted());
    QApplication::sendEvent(&w, &dropped);
}

struct Session {
    explicit Session(const QList<QPair<QVariant, QVariant>> &deck = {{"France", "Paris"}, {"Italy", "Rome"},
                                                                        {"Spain", "Madrid"}, {"Peru", "Lima"}})
    {
        writeDeck(folder.deckPath("Elements.xls"), deck);
        w = std::make_unique<frmQuestion>(folder.path());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void open() { openDeck(*w, folder.deckPath("Elements.xls")); }
    void choose(const char *mode)
    {
        click(w->PicOptions1);
        clickIndicator(w->findChild<QRadioButton *>(mode));
        click(w->cmdDone);
    }
    ProgramFolder folder;
    std::unique_ptr<frmQuestion> w;
};

}  // namespace

class TestScreen : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { guitest::initTestCase(); }
    void cleanup() { guitest::stopPollers(); }

    // Every control keeps its place, size and font times the zoom, the
    // layout centred in the window; never smaller than the design.
    void theLayoutGrowsWithTheWindow_data()
    {
        QTest::addColumn<double>("factor");  // 0: maximised
        QTest::newRow("1.5x") << 1.5;
        QTest::newRow("2x") << 2.0;
        QTest::newRow("maximised") << 0.0;
    }
    void theLayoutGrowsWithTheWindow()
    {
        QFETCH(double, factor);
        Session s;
        s.open();  // the study view
        QWidget *host = s.w->centralWidget();
        const QSize design = host->size();
        const auto before = layoutOf(*s.w);
        QVERIFY(before.size() > 90);
        if (factor > 0)
            s.w->resize(qRound(design.width() * factor), qRound(design.height() * factor) + s.w->menuBar()->height());
        else
            s.w->showMaximized();
        QTRY_VERIFY(factor > 0 ? host->width() == qRound(design.width() * factor) : s.w->isMaximized());
        QTRY_VERIFY(host->size() != design || factor == 0);
        const double zoom = std::min(double(host->width()) / design.width(), double(host->height()) / design.height());
        QCOMPARE(s.w->zoom(), std::max(1.0, zoom));
        const QRect client = s.w->findChild<QWidget *>("client")->geometry();
        QVERIFY(std::abs(client.left() - (host->width() - client.right() - 1)) <= 1);
        QVERIFY(std::abs(client.top() - (host->height() - client.bottom() - 1)) <= 1);
        const auto after = layoutOf(*s.w);
        const double z = s.w->zoom();
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            const QRect was = it->first, is = after[it.key()].first;
            const QRect want(qRound(was.x() * z), qRound(was.y() * z), qRound(was.width() * z), qRound(was.height() * z));
            const bool near = std::abs(is.x() - want.x()) <= 1 && std::abs(is.y() - want.y()) <= 1
                              && std::abs(is.width() - want.width()) <= 1 && std::abs(is.height() - want.height()) <= 1;
            QVERIFY2(near, qPrintable(QStringLiteral("%1 at %2x: %3,%4 %5x%6").arg(it.key()).arg(z).arg(is.x())
                                          .arg(is.y()).arg(is.width()).arg(is.height())));
            // The font of a control that draws text now.
            QWidget *c = s.w->findChild<QWidget *>(it.key());
            QVERIFY2(!c->isVisible() || std::abs(after[it.key()].second - it->second * z) < 0.01, qPrintable(it.key()));
        }
        click(s.w->cmdAns);
        QCOMPARE(s.w->lblAnswer->font().pointSizeF(), before["lblAnswer"].second * z);
        QCOMPARE(s.w->PicAnswer1->font().pointSizeF(), before["PicAnswer1"].second * z);
        s.w->showNormal();
        s.w->resize(100, 100);
        QTRY_COMPARE(host->size(), design);
    }

    // The size comes back at the next start, from a settings file that
    // holds nothing else.
    void theSizeIsRemembered()
    {
        QTemporaryDir settings;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        QSize closedAt;
        for (int run = 0; run < 2; ++run) {
            Session s;
            s.w->RememberSize();
            if (run == 0) {
                s.w->resize(s.w->size() * 1.5);
                closedAt = s.w->size();
                QVERIFY(s.w->close());
            } else {
                QCOMPARE(s.w->size(), closedAt);
            }
        }
        QSettings file(QSettings::NativeFormat, QSettings::UserScope, "mnemora", "mnemora");
        QCOMPARE(file.allKeys(), (QStringList{"window/maximized", "window/size"}));
    }

    // A card too long for its panel is drawn small, then scrolled to its
    // last line; a word too long for a line breaks.
    void aLongCardIsReadToItsEnd_data()
    {
        QTest::addColumn<QString>("question");
        QTest::addColumn<int>("key");  // 0: the wheel
        QString forty;
        for (int i = 1; i <= 120; ++i)
            forty += QStringLiteral("Sentence %1 of the question. ").arg(i);
        QTest::newRow("40 lines, wheel") << forty << 0;
        QTest::newRow("40 lines, arrow keys") << forty << int(Qt::Key_Down);
        QTest::newRow("one long word") << QString(300, QChar('x')) << int(Qt::Key_Down);
    }
    void aLongCardIsReadToItsEnd()
    {
        QFETCH(QString, question);
        QFETCH(int, key);
        Session s({{question, "answer"}, {"two", "2"}});
        s.open();
        WrapLabel *card = s.w->lblQuestion;
        // Wrapped at the panel's inner edge, the left margin on either side.
        QCOMPARE(card->x() + card->width() + card->x(), s.w->PicQuestions->width());
        QVERIFY(card->lineCount() >= (question.contains(' ') ? 40 : 5));
        for (int line = 0; line < card->lineCount(); ++line)
            QVERIFY(card->lineRect(line).right() <= card->width());
        const double floorPixels = QFontInfo(card->fittedFont()).pixelSize();
        QVERIFY(floorPixels >= 11 && floorPixels < QFontInfo(card->font()).pixelSize());
        for (int i = 0; i < 200 && !card->rect().contains(card->lineRect(-1)); ++i) {
            if (key) {
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : s.w.get(), Qt::Key(key));
            } else {
                QWheelEvent wheel(QPointF(10, 10), card->mapToGlobal(QPointF(10, 10)), {}, QPoint(0, -120),
                                  Qt::NoButton, {}, Qt::NoScrollPhase, false);
                QApplication::sendEvent(card, &wheel);
            }
        }
        QVERIFY(card->rect().contains(card->lineRect(-1)));
        QVERIFY(!card->rect().contains(card->lineRect(0)) || card->maxScroll() == 0);
        QCOMPARE(s.w->mod.RightCount + s.w->mod.WrongCount, 0);  // no key answered anything
    }

    // The verdict's text against what is drawn behind it, from the pixels.
    void theVerdictIsReadable_data()
    {
        QTest::addColumn<bool>("right");
        QTest::newRow("Right") << true;
        QTest::newRow("Wrong") << false;
    }
    void theVerdictIsReadable()
    {
        QFETCH(bool, right);
        Session s;
        s.choose("OptMultFour");
        s.open();
        QVERIFY(!s.w->findChild<QLabel *>("lblOptKey4")->isHidden());
        QCOMPARE(s.w->findChild<QLabel *>("lblOptKey3")->text(), "3");
        QList<QLabel *> labels = {s.w->lblOptAns1, s.w->lblOptAns2, s.w->lblOptAns3, s.w->lblOptAns4};
        QList<QRadioButton *> choices = {s.w->OptAns1, s.w->OptAns2, s.w->OptAns3, s.w->OptAns4};
        for (int i = 0; i < 4; ++i)
            if ((labels[i]->text() == s.w->lblAnswer->text()) == right) {
                clickIndicator(choices[i]);
                break;
            }
        QTRY_VERIFY(s.w->lblAnsPopUp->isVisible());
        QCOMPARE(s.w->lblAnsPopUp->text(), right ? "Right" : "Wrong");
        const QImage shot = s.w->PicQuestions->grab(s.w->lblAnsPopUp->geometry()).toImage();
        QMap<QRgb, int> counts;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                ++counts[shot.pixel(x, y)];
        QRgb ground = counts.firstKey();
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            if (it.value() > counts[ground])
                ground = it.key();
        // The text: the coloured pixel that stands out most.
        QColor text = QColor(ground);
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            if (QColor(it.key()).hsvSaturationF() > 0.5 && contrast(QColor(it.key()), QColor(ground)) > contrast(text, QColor(ground)))
                text = QColor(it.key());
        QVERIFY2(contrast(text, QColor(ground)) >= 4.5, qPrintable(text.name() + " on " + QColor(ground).name()));
        QVERIFY(right ? text.green() > 2 * text.red() : text.red() > 2 * text.green());  // the colours' meaning
    }

    // Tab stops once in each group, the arrows choose within it, and every
    // option says what it does.
    void theOptionsByKeyboard_data()
    {
        QTest::addColumn<int>("tabs");
        QTest::addColumn<QString>("keys");  // R right, L left, S space
        QTest::addColumn<QString>("chosen");
        QTest::newRow("order") << 0 << "R" << "OptSortRandom";
        QTest::newRow("side first") << 1 << "R" << "OptShowFirstAns";
        QTest::newRow("multiple choice") << 2 << "RR" << "OptMultFour";
        QTest::newRow("font size") << 3 << "RRL" << "OptFontDefault";
        QTest::newRow("font size, large") << 3 << "R" << "OptFontLarge";
        QTest::newRow("timer") << 4 << "S" << "ChkTimerEnable";
        QTest::newRow("Done") << 5 << "S" << "cmdDone";
    }
    void theOptionsByKeyboard()
    {
        QFETCH(int, tabs);
        QFETCH(QString, keys);
        QFETCH(QString, chosen);
        Session s;
        const auto press = [](Qt::Key key) {
            QTest::keyClick(QApplication::focusWidget(), key);
            QCoreApplication::processEvents();
        };
        click(s.w->PicOptions1);
        s.w->OptSortVovivIz->setFocus();
        QStringList stops;
        for (int i = 0; i < 6; ++i) {
            stops << QApplication::focusWidget()->objectName();
            if (i < 5)
                press(Qt::Key_Tab);
        }
        QCOMPARE(stops, (QStringList{"OptSortVovivIz", "OptShowFirstQuest", "OptMultZero", "OptFontDefault",
                                     "ChkTimerEnable", "cmdDone"}));
        press(Qt::Key_Backtab);
        press(Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget()->objectName(), "OptFontDefault");  // back to the selected one
        s.w->OptSortVovivIz->setFocus();
        for (int i = 0; i < tabs; ++i)
            press(Qt::Key_Tab);
        for (const QChar k : keys)
            press(k == 'R' ? Qt::Key_Right : k == 'L' ? Qt::Key_Left : Qt::Key_Space);
        if (chosen == "cmdDone")
            QVERIFY(s.w->fraOptions->isHidden());
        else if (chosen == "ChkTimerEnable")
            QVERIFY(!s.w->mod.TimerOn);
        else
            QVERIFY(s.w->findChild<QAbstractButton *>(chosen)->isChecked());
        QCOMPARE(s.w->mod.SortMode, chosen == "OptSortRandom");
        QCOMPARE(s.w->mod.ShowAnswerFirst, chosen == "OptShowFirstAns");
        QCOMPARE(s.w->mod.ChoiceMode, chosen == "OptMultFour" ? "4" : "0");
        QCOMPARE(s.w->selectedFont(), chosen == "OptFontLarge"  ? options::Font::Large
                                      : chosen == "OptMultFour" ? options::Font::Small  // four choices take it
                                                                : options::Font::Default);
        for (QAbstractButton *b : s.w->fraOptions->findChildren<QAbstractButton *>())
            QVERIFY2(b == s.w->cmdDone || b->toolTip().size() > 20, qPrintable(b->objectName()));
        QCOMPARE(s.w->OptSortVovivIz->toolTip(),
                 "VovivIz: a card answered wrong comes back soon; a card answered right goes to the back");
    }

    // The title names the deck studied or edited; the line in the question
    // panel tells the card's place and the counts; the About panel names
    // the program folder.
    void theTitleAndTheRunsLine()
    {
        Session s;
        QCOMPARE(s.w->windowTitle(), "Mnemora");
        s.open();
        QCOMPARE(s.w->windowTitle(), "Elements \u2014 Mnemora");
        QVERIFY(s.w->lblProgress->isVisible());
        QCOMPARE(s.w->lblProgress->text(), "Card 1 \u00b7 0 right \u00b7 0 wrong");
        click(s.w->cmdAns), click(s.w->cmdRight), click(s.w->cmdAns), click(s.w->cmdWrong), click(s.w->cmdAns), click(s.w->cmdRight);
        QCOMPARE(s.w->lblProgress->text(), "Card 4 \u00b7 2 right \u00b7 1 wrong");
        trigger(s.w->mnuStat);
        QVERIFY(!s.w->lblProgress->isVisible());
        click(s.w->cmdClose);
        QVERIFY(s.w->lblProgress->isVisible());
        click(s.w->cmdEnd);
        click(s.w->cmdClose);
        QCOMPARE(s.w->windowTitle(), "Mnemora");
        answerFileDialog(s.folder.deckPath("Elements.xls"));
        s.w->mnuEditDeck->trigger();
        QCOMPARE(s.w->windowTitle(), "Elements \u2014 Mnemora");
        QVERIFY(!s.w->lblProgress->isVisible());
        click(s.w->cmdAddDone);
        QCOMPARE(s.w->windowTitle(), "Mnemora");
        trigger(s.w->mnuAbout);
        QCOMPARE(s.w->Label15->toolTip(), QDir::toNativeSeparators(s.folder.path()));
        for (QLabel *l : s.w->picAboutUs->findChildren<QLabel *>())
            QVERIFY(!l->text().contains("example"));
    }

    // Every reason a deck does not open, by the dialog, the command line
    // or a drop: the same message with the reason below it.
    void whyADeckDidNotOpen_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "Gone.xls" << "\u201cGone.xls\u201d cannot be studied because it does not exist.";
        QTest::newRow("folder") << "Folder.xls" << "it is a folder, not a file";
        QTest::newRow("empty") << "malformed-zero-bytes.xls" << "it is empty (0 bytes)";
        for (const char *locked : {"wild-password.xlsx", "wild-password.ods", "wild-password.xls"})
            QTest::newRow(locked) << locked << "it is protected by a password";
        QTest::newRow("not a workbook") << "malformed-csv-named-xls.xls" << "it is not a workbook";
        QTest::newRow("no Sheet1") << "no-sheet1-xlwt.xls" << "it has no sheet named Sheet1";
        QTest::newRow("no cards") << "title-only-xlwt.xls" << "its Sheet1 has no cards";
        QTest::newRow("too many cards") << "Huge.xls" << "it has more cards than a deck can hold (32,767)";
    }
    void whyADeckDidNotOpen()
    {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        ProgramFolder folder;
        const QString path = folder.deckPath(file);
        if (file == "Folder.xls")
            QDir().mkpath(path);
        else if (file == "Huge.xls") {
            QList<QPair<QVariant, QVariant>> rows;
            for (int i = 0; i < 32768; ++i)
                rows.append({QStringLiteral("q%1").arg(i), QStringLiteral("a")});
            writeDeck(path, rows);
        } else if (file != "Gone.xls")
            folder.addDeck(file);
        frmQuestion w(folder.path());
        w.show();
        for (const QString how : {"dialog", "command line", "drop"}) {
            if (how == "dialog" && (file == "Gone.xls" || file == "Folder.xls"))
                continue;  // the dialog offers only files that exist
            auto shown = how == "dialog" ? answerFileDialog(path) : answerMessageBox();
            if (how == "dialog")
                click(w.PicOpenDeck);
            else if (how == "command line")
                w.OpenDeckFile(path);
            else
                drop(w, path);
            QTRY_VERIFY(shown->shown);
            stopPollers();
            QCOMPARE(shown->text, "You have opened a Blank file or a file with Invalid file format");
            QVERIFY2(shown->informative.contains(reason), qPrintable(shown->informative));
            QVERIFY(shown->informative.startsWith("\u201c" + file + "\u201d cannot be studied because"));
            QVERIFY(w.PicOpenDeck->isVisible());
        }
    }

    void theCommandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("says");
        QTest::newRow("help") << QStringList{"--help"} << int(cli::Request::Action::Help) << "Usage: mnemora [options] [deck]";
        QTest::newRow("-h after a deck") << QStringList{"a.xls", "-h"} << int(cli::Request::Action::Help) << ".xlsx or .ods";
        QTest::newRow("version") << QStringList{"--version"} << int(cli::Request::Action::Version) << "Mnemora 1.0\n";
        QTest::newRow("a deck") << QStringList{"a.ods"} << int(cli::Request::Action::Run) << "";
        QTest::newRow("a deck named like an option") << QStringList{"--", "-a.xls"} << int(cli::Request::Action::Run) << "";
        QTest::newRow("two decks") << QStringList{"a.xls", "b.xls"} << int(cli::Request::Action::Error)
                                   << "mnemora: one deck at a time, but 2 were given: a.xls, b.xls";
        QTest::newRow("unknown option") << QStringList{"--fast"} << int(cli::Request::Action::Error)
                                        << "mnemora: unknown option --fast";
    }
    void theCommandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, action);
        QFETCH(QString, says);
        const cli::Request r = cli::parse(args);
        QCOMPARE(int(r.action), action);
        QVERIFY2(r.output.contains(says), qPrintable(r.output));
        if (r.action == cli::Request::Action::Run)
            QCOMPARE(r.deck, args.last());
    }

    // Without any display, as a shell prints them.
    void helpAndVersionWithoutADisplay()
    {
        for (const char *option : {"--help", "--version"}) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                env.remove(name);
            p.setProcessEnvironment(env);
            p.start(MNEMORA_PROGRAM_DIR "/mnemora", {option});
            QVERIFY(p.waitForFinished(30000));
            QCOMPARE(p.exitCode(), 0);
            QVERIFY(p.readAllStandardOutput().startsWith(option == QLatin1String("--help") ? "Usage: mnemora" : "Mnemora 1.0"));
        }
    }

    // A logout or a kill closes the window as its close button does: the
    // study copy goes. (Last: the signal also ends the program's loops.)
    void aSignalClosesTheWindow_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void aSignalClosesTheWindow()
    {
        QFETCH(int, signal);
        Session s;
        s.open();
        QVERIFY(QFile::exists(s.w->StudyCopyPath));
        closeOnTerminationSignals(s.w.get());
        ::raise(signal);
        QTRY_VERIFY(!s.w->isVisible());
        QVERIFY(!QFile::exists(s.w->StudyCopyPath));
    }
};

QTEST_MAIN(TestScreen)
#include "tst_screen.moc"
