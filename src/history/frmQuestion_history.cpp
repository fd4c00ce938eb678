// The study history in the window: recording a run as it is studied, and
// the history view (the share right per run over time, the runs, the
// hardest cards, clearing a deck's history).

#include "app/Widgets.h"
#include "app/frmQuestion.h"
#include "base/Trap.h"
#include "decks/DeckPaths.h"
#include "history/HistoryStore.h"
#include "history/TableModel.h"
#include "stats/PieChart.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTableView>
#include <QTimer>

#include <algorithm>

namespace {

// The chart's series and axes, found by name.
constexpr auto kShareSeries = "seriesShare";
constexpr auto kAnsweredSeries = "seriesAnswered";

QTableView *historyTable(const char *name, const QString &accessibleName, QAbstractItemModel *model,
                         QWidget *parent)
{
    auto *t = new QTableView(parent);
    t->setObjectName(QLatin1String(name));
    t->setAccessibleName(accessibleName);
    t->setModel(model);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setTabKeyNavigation(false);  // Tab leaves the table, the arrows move in it
    t->setWordWrap(false);
    t->setTextElideMode(Qt::ElideRight);  // a long text is cut with "…", its tooltip holds it whole
    t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    t->setAlternatingRowColors(true);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setHighlightSections(false);
    // Columns fit the first rows, not every one of a long history.
    t->horizontalHeader()->setResizeContentsPrecision(40);
    t->setFocusPolicy(Qt::StrongFocus);
    // One line of text a row, so that a short table shows several.
    t->verticalHeader()->setMinimumSectionSize(t->fontMetrics().height() + 2);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 4);
    return t;
}

}  // namespace

// ---- Recording ---------------------------------------------------------------

history::HistoryStore &frmQuestion::historyStore()
{
    if (!History)
        History = std::make_shared<history::HistoryStore>(HistoryFolder);
    return *History;
}

void frmQuestion::ShowHistoryNotice()
{
    if (!History)
        return;
    const QString notice = History->takeNotice();
    if (notice.isEmpty())
        return;
    // After the handler that recorded: the run is never held by the message.
    QTimer::singleShot(0, this, [this, notice] { MsgBox(notice, true); });
}

void frmQuestion::RecordRunStart(const QString &deckPath)
{
    trapErrors([&] {
        historyRun_ = 0;
        if (!runInProgress_)
            return;  // the deck was turned away
        historyDeck_ = deckPath;
        const options::Choices choices = options::choicesOf(mod.ChoiceMode);
        const QString opts = history::optionsText(
            mod.SortMode, mod.ShowAnswerFirst,
            choices == options::Choices::Four ? 4 : choices == options::Choices::Two ? 2 : 0);
        historyRun_ = historyStore().startRun(deckPath, decks::deckNameOf(decks::fileNameOf(deckPath)), opts,
                                              QDateTime::currentDateTime());
    });
    ShowHistoryNotice();
}

void frmQuestion::RecordAnswer(bool right)
{
    if (historyRun_ == 0)
        return;
    trapErrors([&] {
        const options::Choices choices = options::choicesOf(mod.ChoiceMode);
        const history::Mode mode = choices == options::Choices::Four  ? history::Mode::FourChoices
                                   : choices == options::Choices::Two ? history::Mode::TwoChoices
                                                                      : history::Mode::Reveal;
        historyStore().recordAnswer(historyRun_, QuestionText, AnswerText, right, mode,
                                    QDateTime::currentDateTime());
    });
    ShowHistoryNotice();
}

void frmQuestion::RecordRunEnd()
{
    if (historyRun_ == 0)
        return;
    trapErrors([&] { historyStore().endRun(historyRun_, QDateTime::currentDateTime()); });
    historyRun_ = 0;
    ShowHistoryNotice();
}

// ---- The history view -----------------------------------------------------------

void frmQuestion::ZoomHistoryChart(const QFont &base)
{
    if (!chHistory)
        return;
    // Small labels: the chart is a strip above the tables.
    QFont small = base;
    if (small.pointSizeF() > 0)
        small.setPointSizeF(small.pointSizeF() * 0.8);
    stats::setChartFont(chHistory, small);
}

void frmQuestion::buildHistoryView(QWidget *client)
{
    fraHistory = frame("fraHistory", client, 120, 60, 6315, 5415);
    PicHistory = new PictureBox(artwork::Backdrop::Statistics, fraHistory);
    PicHistory->setObjectName(QStringLiteral("PicHistory"));
    PicHistory->setAccessibleName(QStringLiteral("History"));
    place(PicHistory, 0, 0, 6315, 5415);

    lblHistoryDeck = label("lblHistoryDeck", QString(), PicHistory, 180, 120, 5955, 255);
    // Bold at the window's size, following its zoom.
    QFont bold = QApplication::font();
    bold.setBold(true);
    const double boldPoints = bold.pointSizeF() > 0 ? bold.pointSizeF() : 9.0;
    setUnscaledFont(lblHistoryDeck, bold, boldPoints);

    // The chart (chHistory) and the two tables are made when the history is
    // first shown: QtCharts is not loaded, nor the tables set up, at
    // start-up.
    runsModel_ = new history::TableModel(
        {QStringLiteral("Date"), QStringLiteral("Cards"), QStringLiteral("Right"), QStringLiteral("Wrong"),
         QStringLiteral("Share"), QStringLiteral("Time"), QStringLiteral("Options")},
        1, 6, this);
    lblHardest = label("lblHardest", QStringLiteral("Hardest cards"), PicHistory, 180, 3680, 3000, 255);
    setUnscaledFont(lblHardest, bold, boldPoints);
    hardestModel_ = new history::TableModel(
        {QStringLiteral("Question"), QStringLiteral("Answer"), QStringLiteral("Right"), QStringLiteral("Wrong"),
         QStringLiteral("Last answer")},
        2, 4, this);

    cmdClearHistory = pictureButton("cmdClearHistory", QStringLiteral("Clear History\u2026"), PicHistory,
                                    180, 5040, 1995, 315);
    cmdHistoryDone = pictureButton("cmdHistoryDone", QStringLiteral("Done"), PicHistory, 5160, 5040, 975, 315);
    fraHistory->hide();

    // The statistics view's way in, beside its "End".
    cmdHistory = pictureButton("cmdHistory", QStringLiteral("History"), PicStat, 3780, 4560, 975, 315);
}

void frmQuestion::ensureHistoryTables()
{
    if (tblRuns)
        return;
    tblRuns = historyTable("tblRuns", QStringLiteral("Runs"), runsModel_, PicHistory);
    place(tblRuns, 180, 2240, 5955, 1380);
    // The figures fit their column; the options take what is left.
    for (int c = 0; c < 6; ++c)
        tblRuns->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    tblRuns->horizontalHeader()->setSectionResizeMode(6, QHeaderView::Stretch);

    tblHardest = historyTable("tblHardest", QStringLiteral("Hardest cards"), hardestModel_, PicHistory);
    place(tblHardest, 180, 3940, 5955, 1020);
    // The two texts share the room the figures leave.
    for (int c = 0; c < 5; ++c)
        tblHardest->horizontalHeader()->setSectionResizeMode(c, c < 2 ? QHeaderView::Stretch
                                                                      : QHeaderView::ResizeToContents);
    lblHardest->setBuddy(tblHardest);

    // In reading order between the statistics' End and the view's buttons.
    for (auto [a, b] : {std::pair<QWidget *, QWidget *>{cmdClose, tblRuns}, {tblRuns, tblHardest},
                        {tblHardest, cmdClearHistory}})
        setTabOrder(a, b);
}

void frmQuestion::setUpHistory()
{
    // In the "&Decks" menu, which the start view offers.
    auto *decksMenu = findChild<QMenu *>(QStringLiteral("mnuDecks"));
    mnuHistory = decksMenu->addAction(QStringLiteral("&History\u2026"));
    mnuHistory->setObjectName(QStringLiteral("mnuHistory"));
    connect(decksMenu, &QMenu::aboutToShow, this,
            [this] { mnuHistory->setEnabled(PicOpenDeck->isVisibleTo(this) && PicOpenDeck->isEnabled()); });

    connect(mnuHistory, &QAction::triggered, this, &frmQuestion::mnuHistory_Click);
    connect(cmdHistory, &QAbstractButton::clicked, this, &frmQuestion::cmdHistory_Click);
    connect(cmdClearHistory, &QAbstractButton::clicked, this, &frmQuestion::cmdClearHistory_Click);
    connect(cmdHistoryDone, &QAbstractButton::clicked, this, &frmQuestion::cmdHistoryDone_Click);

    // Reading order: the statistics view's History before its End; the
    // history view's tables (made when it is first shown), then its buttons.
    setTabOrder(cmdHistory, cmdClose);
    for (auto [a, b] : {std::pair<QWidget *, QWidget *>{cmdClose, cmdClearHistory}, {cmdClearHistory, cmdHistoryDone}})
        setTabOrder(a, b);
}

void frmQuestion::OpenHistoryView(const QString &deckPath)
{
    historyFromStats_ = fraStat->isVisibleTo(this);
    historyMenusEnabled_.clear();
    for (QAction *m : {mnuDecks, mnuOpt, mnuStat, mnuHelp}) {
        historyMenusEnabled_.append(m->isEnabled());
        m->setEnabled(false);
    }
    if (historyFromStats_)
        fraStat->hide();
    else
        HideToolbar();
    ensureHistoryTables();
    ShowHistory(deckPath);
    fraHistory->show();
    fraHistory->raise();
    tblRuns->setFocus();
}

void frmQuestion::ShowHistory(const QString &deckPath)
{
    historyShown_ = deckPath;
    const history::DeckHistory h = historyStore().read(deckPath);
    ShowHistoryNotice();

    lblHistoryDeck->setText(History->isOff() ? QStringLiteral("Deck : %1   (no history in this session)").arg(h.deckName)
                                             : QStringLiteral("Deck : %1   (%2 runs)").arg(h.deckName).arg(h.runs.size()));

    QVector<QStringList> runs;
    runs.reserve(h.runs.size());
    for (auto it = h.runs.crbegin(); it != h.runs.crend(); ++it)  // the latest first
        runs.append(history::runRow(*it));
    runsModel_->setRows(std::move(runs));
    QVector<QStringList> cards;
    for (const history::CardSummary &c : h.hardest)
        cards.append(history::cardRow(c));
    hardestModel_->setRows(std::move(cards));

    QList<QPointF> share, answered;
    share.reserve(h.runs.size());
    answered.reserve(h.runs.size());
    int most = 1;
    for (const history::RunSummary &r : h.runs) {
        const qreal x = qreal(r.started.toMSecsSinceEpoch());
        if (r.answered > 0)
            share.append({x, 100.0 * r.right / r.answered});
        answered.append({x, qreal(r.answered)});
        most = std::max(most, r.answered);
    }
    QDateTime first = h.runs.isEmpty() ? QDateTime::currentDateTime() : h.runs.constFirst().started;
    QDateTime last = h.runs.isEmpty() ? first : h.runs.constLast().started;
    // Half a day either side, so that the first and last runs are not drawn
    // on the frame.
    first = first.addSecs(-12 * 3600);
    last = last.addSecs(12 * 3600);
    if (!chHistory) {
        chHistory = stats::makeHistoryChart(PicHistory, QLatin1String(kShareSeries), QLatin1String(kAnsweredSeries));
        if (chHistory) {
            place(chHistory, 180, 380, 5955, 1800);
            ZoomHistoryChart(PicHistory->font());  // the window's zoom, which the view follows
            chHistory->show();
        }
    }
    // Smooth lines while they are few; a long history is drawn plain, which
    // is several times quicker.
    stats::setHistoryChart(chHistory, share, answered, first, last, most, h.runs.size() <= 200);
    cmdClearHistory->setEnabled(!h.runs.isEmpty() || !h.hardest.isEmpty());
}

void frmQuestion::cmdHistory_Click()
{
    trapErrors([&] {
        if (historyDeck_.isEmpty())
            return;
        OpenHistoryView(historyDeck_);
    });
}

void frmQuestion::mnuHistory_Click()
{
    trapErrors([&] {
        if (!PicOpenDeck->isVisibleTo(this))
            return;  // only from the start view
        // Any name may be typed: the history of a deck whose file is gone
        // can still be shown.
        QFileDialog dialog(this, QStringLiteral("History"), AppPath() + QStringLiteral("/Decks/Deck1/"),
                           decks::kDeckFileFilter);
        dialog.setObjectName(QStringLiteral("dlgFileOpen"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setLabelText(QFileDialog::Accept, QStringLiteral("&Open"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        OpenHistoryView(dialog.selectedFiles().constFirst());
    });
}

void frmQuestion::cmdClearHistory_Click()
{
    trapErrors([&] {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Mnemora"),
                        QStringLiteral("Clear the whole study history of the deck %1?")
                            .arg(decks::deckNameOf(decks::fileNameOf(historyShown_))),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::No);
        box.setTextFormat(Qt::PlainText);
        if (box.exec() != QMessageBox::Yes)
            return;
        historyStore().clear(historyShown_);
        ShowHistory(historyShown_);
    });
}

void frmQuestion::cmdHistoryDone_Click()
{
    trapErrors([&] {
        fraHistory->hide();
        QAction *const menus[] = {mnuDecks, mnuOpt, mnuStat, mnuHelp};
        for (qsizetype i = 0; i < historyMenusEnabled_.size() && i < 4; ++i)
            menus[i]->setEnabled(historyMenusEnabled_.at(i));
        if (historyFromStats_) {
            fraStat->show();
            cmdHistory->setFocus();
        } else {
            ShowToolbar();
            PicOpenDeck->setFocus();
        }
    });
}
