// The statistics view: the deck, the cards answered, right and wrong with
// their shares, the session time and the pie chart.

#include "app/frmQuestion.h"
#include "base/Trap.h"
#include "stats/StatsText.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QFrame>
#include <QLabel>
#include <QPieSeries>
#include <QPieSlice>

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
        const QList<QPieSlice *> slices = pieSeries_->slices();
        slices.at(0)->setLabel(QStringLiteral("Wrong"));
        slices.at(0)->setValue(double(stats::percentOf(mod.WrongCount, total).value_or(0)));
        slices.at(1)->setLabel(QStringLiteral("Right"));
        slices.at(1)->setValue(double(stats::percentOf(mod.RightCount, total).value_or(0)));
        chMnemora->chart()->setTitle(mod.DeckName);
    });
}

void frmQuestion::ShowSessionTime()
{
    trapErrors([&] { lblSessionTime->setText(stats::sessionTimeText(mod.StartTime, mod.EndTime)); });
}
