// The study options: the options view's buttons, the rules that couple the
// options, and the font size of the card labels.

#include "app/Trap.h"
#include "app/Widgets.h"
#include "app/frmQuestion.h"
#include "study/CardQueue.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>

namespace {

bool isChoiceMode(const QString &mode)
{
    return mode == QLatin1String("2") || mode == QLatin1String("4");
}

void setPointSize(QWidget *w, qreal points)
{
    QFont f = w->font();
    f.setPointSizeF(points);
    w->setFont(f);
}

}  // namespace

void frmQuestion::SyncOptionButtons()
{
    trapErrors([&] {
        if (mod.ChoiceMode == QLatin1String("4")) {
            OptMultFour->setChecked(true);
            OptFontSmall->setChecked(true);
            fraQuestion->show();
            fraAnswer->show();
        } else if (mod.ChoiceMode == QLatin1String("2")) {
            OptMultTwo->setChecked(true);
            OptFontSmall->setChecked(true);
            mod.FontSize = QStringLiteral("S");
            fraQuestion->show();
            fraAnswer->show();
        } else {
            OptMultZero->setChecked(true);
            fraQuestion->show();
            fraAnswer1->show();
        }

        if (mod.ShowAnswerFirst)
            OptShowFirstAns->setChecked(true);
        else
            OptShowFirstQuest->setChecked(true);

        if (mod.SortMode)
            OptSortRandom->setChecked(true);
        else
            OptSortVovivIz->setChecked(true);

        if (mod.FontSize == QLatin1String("L"))
            OptFontLarge->setChecked(true);
        else if (mod.FontSize == QLatin1String("S"))
            OptFontSmall->setChecked(true);
        else
            OptFontDefault->setChecked(true);

        ChkTimerEnable->setChecked(mod.TimerOn);
    });
}

void frmQuestion::ApplyFontSize()
{
    trapErrors([&] {
        if (mod.FontSize == QLatin1String("S")) {
            setPointSize(lblQuestion, 4);
            setPointSize(lblAnswer, 4);
            for (QRadioButton *o : {OptAns1, OptAns2, OptAns3, OptAns4})
                setPointSize(o, 4);
        } else if (mod.FontSize == QLatin1String("D")) {
            setPointSize(lblQuestion, 13);
            setPointSize(lblAnswer, 13);
        } else if (mod.FontSize == QLatin1String("L")) {
            setPointSize(lblQuestion, 16);
            setPointSize(lblAnswer, 16);
        }
    });
}

void frmQuestion::OptMultZero_Click()
{
    trapErrors([&] {
        mod.ChoiceMode = QStringLiteral("0");
        SetupChoices();
    });
}

void frmQuestion::OptMultTwo_Click()
{
    trapErrors([&] {
        mod.ChoiceMode = QStringLiteral("2");
        mod.ShowAnswerFirst = false;
        OptShowFirstQuest->setChecked(true);
        OptFontSmall->setChecked(true);
        if (DeckOpen) {
            LayoutQuestionFirst();
            SetupChoices();
        }
    });
}

void frmQuestion::OptMultFour_Click()
{
    trapErrors([&] {
        mod.ChoiceMode = QStringLiteral("4");
        OptShowFirstQuest->setChecked(true);
        OptFontSmall->setChecked(true);
        if (DeckOpen) {
            LayoutQuestionFirst();
            SetupChoices();
        }
    });
}

void frmQuestion::OptSortVovivIz_Click()
{
    mod.SortMode = false;
}

void frmQuestion::OptSortRandom_Click()
{
    mod.SortMode = true;
}

void frmQuestion::OptShowFirstQuest_Click()
{
    trapErrors([&] {
        mod.ShowAnswerFirst = false;
        ShowFirstSide();
    });
}

void frmQuestion::OptShowFirstAns_Click()
{
    trapErrors([&] {
        mod.ShowAnswerFirst = true;
        OptMultZero->setChecked(true);
        SyncOptionButtons();
        HideStudyPanels();
        if (!isChoiceMode(mod.ChoiceMode))
            ShowFirstSide();
    });
}

void frmQuestion::OptFontSmall_Click()
{
    trapErrors([&] {
        mod.FontSize = QStringLiteral("S");
        OptFontSmall->setChecked(true);
        ApplyFontSize();
    });
}

void frmQuestion::OptFontDefault_Click()
{
    trapErrors([&] {
        if (!isChoiceMode(mod.ChoiceMode)) {
            mod.FontSize = QStringLiteral("D");
            OptFontDefault->setChecked(true);
        } else {
            mod.FontSize = QStringLiteral("S");
        }
        OptMultZero->setChecked(true);
        ApplyFontSize();
    });
}

void frmQuestion::OptFontLarge_Click()
{
    trapErrors([&] {
        mod.FontSize = isChoiceMode(mod.ChoiceMode) ? QStringLiteral("S") : QStringLiteral("L");
        OptFontLarge->setChecked(true);
        OptMultZero->setChecked(true);
        ApplyFontSize();
    });
}

void frmQuestion::ChkTimerEnable_Click()
{
    mod.TimerOn = ChkTimerEnable->isChecked();
}

void frmQuestion::cmdDone_Click()
{
    try {
        mnuDecks->setEnabled(true);
        mnuStat->setEnabled(true);
        fraOptions->hide();
        fraQuestion->show();

        if (study::isPictureReference(QuestionText))
            LoadQuestionPicture(QuestionText);

        if (isChoiceMode(mod.ChoiceMode)) {
            fraAnswer->show();
            PicAnswer->show();
            OptShowFirstQuest->setChecked(true);
            cmdEnd->show();
        } else if (mod.ChoiceMode == QLatin1String("0")) {
            ShowStudyPanels();
            cmdAns->setEnabled(true);
            OptMultZero->setChecked(true);
            if (OptFontLarge->isChecked()) {
                mod.FontSize = QStringLiteral("L");
                ApplyFontSize();
            } else if (OptFontDefault->isChecked()) {
                mod.FontSize = QStringLiteral("D");
                ApplyFontSize();
            } else if (OptFontSmall->isChecked()) {
                mod.FontSize = QStringLiteral("S");
                ApplyFontSize();
            }
        }

        if ((mod.DeckName.isEmpty() && DeckOpen) || (DeckOpen && !StudyCopyLoaded) || !DeckOpen
            || SessionEnded) {
            HideStudyPanels();
            ShowToolbar();
        }

        if (isChoiceMode(mod.ChoiceMode) && !mod.ShowAnswerFirst && mod.SortMode)
            LayoutQuestionFirst();
        if (mod.FontSize == QLatin1String("S"))
            OptFontSmall->setChecked(true);
    } catch (const PictureMissing &) {
        ShowPictureMissing(QStringLiteral("Please ensure the Image is in proper folder\nPlease open a new Deck"));
    } catch (const std::exception &) {
    }
}
