// The statistics view: the deck, the cards answered, right and wrong with
// their shares, the session time and the pie chart.

#include "app/frmQuestion.h"
#include "base/Trap.h"
#include "stats/PieChart.h"
#include "stats/StatsText.h"

#include <QAction>
#include <QFrame>
#include <QLabel>

void frmQuestion::mnuStat_Click()
{
    trapErrors([&] {
        SettlePendingVerdict();
        LeaveOptionsView();
        HideStudyPanels();
        if (!SessionEnded)
            mod.EndTime = mod.Now();
        ShowStatistics();
        fraStat->show();
        mnuStat->setVisible(false);
        mnuOpt->setVisible(false);
    });
}

void frmQuestion::ShowStatistics()
{
    trapErrors([&] {
        // The total is counted wide enough never to overflow.
        const int total = int(mod.WrongCount) + int(mod.RightCount);
        Label8->hide();
        lblSessionTime->hide();
        if (!chMnemora) {
            chMnemora = stats::makePieChart(fraPieChart);
            if (chMnemora) {
                place(chMnemora, 30, 30, 5595, 2100);
                stats::setChartFont(chMnemora, chMnemora->font());  // the window's zoom, which the view follows
            }
        }
        if (chMnemora)
            chMnemora->setVisible(total != 0);
        lblDeckName->setText(mod.DeckName);
        lblCardsAnswered->setText(QString::number(total));
        lblCardsRight->setText(stats::rightLine(mod.RightCount, total));
        lblCardsWrong->setText(stats::wrongLine(mod.WrongCount, total));
        if (mod.TimerOn) {
            Label8->show();
            lblSessionTime->show();
            ShowSessionTime();
        } else {
            Label8->hide();
            lblSessionTime->hide();
        }
        stats::setPieChart(chMnemora, double(stats::percentOf(mod.WrongCount, total).value_or(0)),
                           double(stats::percentOf(mod.RightCount, total).value_or(0)), mod.DeckName);
    });
}

void frmQuestion::ShowSessionTime()
{
    trapErrors([&] { lblSessionTime->setText(stats::sessionTimeText(mod.StartTime, mod.EndTime)); });
}
