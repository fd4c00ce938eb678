// The study options: the options view's buttons, the rules that couple the
// options, and the font size of the card labels.

#include "app/Widgets.h"
#include "app/frmQuestion.h"
#include "base/Trap.h"
#include "options/StudyOptions.h"
#include "study/CardQueue.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>

using options::Choices;
using options::Font;
using options::Pick;

options::Record frmQuestion::OptionRecord() const
{
    return {mod.ChoiceMode, mod.SortMode, mod.ShowAnswerFirst, mod.FontSize, mod.TimerOn};
}

void frmQuestion::SetOptionRecord(const options::Record &record)
{
    mod.ChoiceMode = record.ChoiceMode;
    mod.SortMode = record.SortMode;
    mod.ShowAnswerFirst = record.ShowAnswerFirst;
    mod.FontSize = record.FontSize;
    mod.TimerOn = record.TimerOn;
}

void frmQuestion::SyncOptionButtons()
{
    trapErrors([&] {
        const Choices choices = options::choicesOf(mod.ChoiceMode);
        if (choices == Choices::Four) {
            OptMultFour->setChecked(true);
            OptFontSmall->setChecked(true);
            fraQuestion->show();
            fraAnswer->show();
        } else if (choices == Choices::Two) {
            OptMultTwo->setChecked(true);
            OptFontSmall->setChecked(true);
            mod.FontSize = options::fontSizeValue(Font::Small);
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

        const Font font = options::fontOf(mod.FontSize);
        if (font == Font::Large)
            OptFontLarge->setChecked(true);
        else if (font == Font::Small)
            OptFontSmall->setChecked(true);
        else
            OptFontDefault->setChecked(true);

        ChkTimerEnable->setChecked(mod.TimerOn);
    });
}

void frmQuestion::RequestPointSize(QWidget *w, double points)
{
    w->setProperty(kRequestedPointSize, points);
    QFont f = w->font();
    f.setPointSizeF(options::renderedPoints(points, logicalDpiY()) * zoom_);
    w->setFont(f);
}

void frmQuestion::ApplyFontSize()
{
    trapErrors([&] {
        const Font font = options::fontOf(mod.FontSize);
        const std::optional<double> points = options::requestedPoints(font);
        if (!points)
            return;
        RequestPointSize(lblQuestion, *points);
        RequestPointSize(lblAnswer, *points);
        // The choices' own buttons follow only the small font; their labels
        // keep their own font in every case.
        if (font == Font::Small)
            for (QRadioButton *o : {OptAns1, OptAns2, OptAns3, OptAns4})
                RequestPointSize(o, *points);
    });
}

void frmQuestion::OptMultZero_Click()
{
    trapErrors([&] {
        SetOptionRecord(options::choose(OptionRecord(), Pick::ChoicesOff));
        SetupChoices();
    });
}

void frmQuestion::OptMultTwo_Click()
{
    trapErrors([&] {
        SetOptionRecord(options::choose(OptionRecord(), Pick::TwoChoices));
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
        SetOptionRecord(options::choose(OptionRecord(), Pick::FourChoices));
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
    SetOptionRecord(options::choose(OptionRecord(), Pick::VovivIzOrder));
}

void frmQuestion::OptSortRandom_Click()
{
    SetOptionRecord(options::choose(OptionRecord(), Pick::RandomOrder));
}

void frmQuestion::OptShowFirstQuest_Click()
{
    trapErrors([&] {
        SetOptionRecord(options::choose(OptionRecord(), Pick::QuestionFirst));
        ShowFirstSide();
    });
}

void frmQuestion::OptShowFirstAns_Click()
{
    trapErrors([&] {
        SetOptionRecord(options::choose(OptionRecord(), Pick::AnswerFirst));
        OptMultZero->setChecked(true);
        SyncOptionButtons();
        HideStudyPanels();
        if (!options::offersChoices(mod.ChoiceMode))
            ShowFirstSide();
    });
}

void frmQuestion::OptFontSmall_Click()
{
    trapErrors([&] {
        SetOptionRecord(options::choose(OptionRecord(), Pick::SmallFont));
        OptFontSmall->setChecked(true);
        ApplyFontSize();
    });
}

void frmQuestion::OptFontDefault_Click()
{
    trapErrors([&] {
        SetOptionRecord(options::choose(OptionRecord(), Pick::DefaultFont));
        OptMultZero->setChecked(true);
        ApplyFontSize();
    });
}

void frmQuestion::OptFontLarge_Click()
{
    trapErrors([&] {
        SetOptionRecord(options::choose(OptionRecord(), Pick::LargeFont));
        OptMultZero->setChecked(true);
        ApplyFontSize();
    });
}

void frmQuestion::ChkTimerEnable_Click()
{
    SetOptionRecord(options::choose(OptionRecord(), ChkTimerEnable->isChecked() ? Pick::TimerOn : Pick::TimerOff));
}

void frmQuestion::LeaveOptionsView()
{
    if (fraOptions->isHidden())
        return;
    mnuDecks->setEnabled(true);
    mnuStat->setEnabled(true);
    fraOptions->hide();
    // A font chosen in the view is kept, as Done keeps it.
    mod.FontSize = options::fontOnLeaving(OptionRecord(), selectedFont());
}

Font frmQuestion::selectedFont() const
{
    if (OptFontLarge->isChecked())
        return Font::Large;
    if (OptFontDefault->isChecked())
        return Font::Default;
    if (OptFontSmall->isChecked())
        return Font::Small;
    return Font::Unset;
}

void frmQuestion::cmdDone_Click()
{
    try {
        mnuDecks->setEnabled(true);
        mnuStat->setEnabled(true);
        fraOptions->hide();
        fraQuestion->show();

        // Only a running study shows its question picture again.
        if (runInProgress_ && study::isPictureReference(QuestionText))
            LoadQuestionPicture(QuestionText);

        const Choices choices = options::choicesOf(mod.ChoiceMode);
        if (options::offersChoices(mod.ChoiceMode)) {
            fraAnswer->show();
            PicAnswer->show();
            OptShowFirstQuest->setChecked(true);
            cmdEnd->show();
        } else if (choices == Choices::Off) {
            ShowStudyPanels();
            cmdAns->setEnabled(true);
            OptMultZero->setChecked(true);
            const Font font = selectedFont();
            if (font != Font::Unset) {
                mod.FontSize = options::fontOnLeaving(OptionRecord(), font);
                ApplyFontSize();
            }
        }

        // The study view only for a run that opened and is still going.
        const bool running = runInProgress_ && DeckOpen && StudyCopyLoaded && !mod.DeckName.isEmpty()
                             && !SessionEnded;
        if (!running) {
            HideStudyPanels();
            ShowToolbar();
        }

        if (options::offersChoices(mod.ChoiceMode) && !mod.ShowAnswerFirst && mod.SortMode)
            LayoutQuestionFirst();
        if (options::fontOf(mod.FontSize) == Font::Small)
            OptFontSmall->setChecked(true);
        if (running)
            ResumeRun();
    } catch (const PictureMissing &) {
        ShowPictureMissing(QStringLiteral("Please ensure the Image is in proper folder\nPlease open a new Deck"));
    } catch (const std::exception &) {
    }
}
