// The study run: the card order, showing a card, answering and scoring,
// multiple choice with its verdict timers, and ending a run.

#include "app/FileSystemObject.h"
#include "app/Widgets.h"
#include "app/frmQuestion.h"
#include "base/Trap.h"
#include "study/CardQueue.h"
#include "study/Choices.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QRadioButton>

#include <limits>

namespace {

// A colour value as the program stores it: red in the low byte, then green,
// then blue.
QColor colourOf(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

// A counter of marks stops at the largest 16-bit value instead of failing.
qint16 countOne(qint16 counter)
{
    return counter < std::numeric_limits<qint16>::max() ? static_cast<qint16>(counter + 1) : counter;
}

}  // namespace

// ---- Card order ---------------------------------------------------------

void frmQuestion::ResetCounters()
{
    mod.CardPos = 0;
    mod.RightCount = 0;
    mod.WrongCount = 0;
}

void frmQuestion::NextCardIndex()
{
    trapErrors([&] {
        const qint16 head = study::advanceQueue(CardOrder, CardCount, LastAnswerWrong);
        mod.CardPos = toInt16(head + 1);
    });
}

QString frmQuestion::CardText(int card, int side) const
{
    return StudyRoot.text(card, side);
}

void frmQuestion::LoadQuestionPicture(const QString &reference)
{
    // The previous card's picture never stands beside this card's answer.
    picQuest->clearPicture();
    const QString path = study::picturePath(AppPath(), reference);
    picQuest->setPicture(loadPictureFile(path), path);
}

void frmQuestion::ShowRandomCard()
{
    trapErrors([&] {
        const int n = mod.RandomInt(0, CardCount - 1);
        const QString question = CardText(n, 0);
        const QString answer = CardText(n, 1);
        if (!mod.ShowAnswerFirst) {
            lblQuestion->setText(question);
            lblAnswer->setText(answer);
        } else {
            lblAnswer->setText(question);
            lblQuestion->setText(answer);
        }
        QuestionText = question;
        AnswerText = answer;

        if (study::isPictureReference(QuestionText))
            lblAnswer->setText(AnswerText);
        ShowQuestionSide();
        FillFourChoices();
    });
}

// ---- Card presentation ----------------------------------------------------

// Both sides wrap at their panel's inner edge, whichever panel they stand in.
void frmQuestion::LayoutQuestionFirst()
{
    lblQuestion->setText(QuestionText);
    lblAnswer->setText(AnswerText);
}

void frmQuestion::LayoutAnswerFirst()
{
    lblQuestion->setText(AnswerText);
    lblAnswer->setText(QuestionText);
}

void frmQuestion::ShowQuestionSide()
{
    if (study::isPictureReference(QuestionText)) {
        lblQuestion->hide();
        fraPicQuest->show();
        picQuest->show();
        LoadQuestionPicture(QuestionText);
    } else {
        fraPicQuest->hide();
        lblQuestion->show();
    }
}

void frmQuestion::SetRevealPicture(bool revealsQuestion)
{
    const QString reveal = AppPath() + (revealsQuestion ? QStringLiteral("/Images/showque.jpg")
                                                        : QStringLiteral("/Images/showans.jpg"));
    cmdAns->setPicture(loadPictureFile(reveal));
    cmdAns->setPictureSource(reveal);
}

void frmQuestion::ShowCard()
{
    try {
        fraQuestion->show();
        if (mod.CardPos == 0)
            study::setUpQueue(CardOrder, CardCount);
        if (CardOrder.isEmpty())
            throw StepFailed(QStringLiteral("no card queue"));
        const int card = CardOrder.at(0);
        QuestionText = CardText(card, 0);
        AnswerText = CardText(card, 1);
        CardCount = toInt16(StudyRoot.childCount());
        mod.CardPos = CardOrder.at(0);

        ShowQuestionSide();
        if (!mod.ShowAnswerFirst) {
            LayoutQuestionFirst();
        } else {
            if (study::isPictureReference(QuestionText))
                LayoutQuestionFirst();
            else
                LayoutAnswerFirst();
            SetRevealPicture(true);
        }

        if (mod.SortMode)
            ShowRandomCard();
        ApplyFontSize();
        OptAns3->show();
        OptAns4->show();
        SetupChoices();
    } catch (const PictureMissing &) {
        ImageMissing = true;
        ShowPictureMissing(QStringLiteral("Please ensure the Image is in proper folder\nPlease Open a new Deck"));
    } catch (const std::exception &) {
        // Anything else ends the card silently; what was shown stays.
    }
}

void frmQuestion::ShowPictureMissing(const QString &message)
{
    // The run cannot go on without the picture: Done no longer returns to it.
    runInProgress_ = false;
    nextCardDue_ = false;
    RecordRunEnd();
    DiscardStudyCopy();  // the run is over
    HideStudyPanels();
    ShowToolbar();
    mnuStat->setVisible(false);
    mnuDecks->setVisible(true);
    ShowRunPlace();
    MsgBox(message, true);
}

void frmQuestion::ShowFirstSide()
{
    trapErrors([&] {
        if (!mod.ShowAnswerFirst || study::isPictureReference(QuestionText))
            LayoutQuestionFirst();
        else
            LayoutAnswerFirst();
        SetRevealPicture(mod.ShowAnswerFirst);
        if (mod.ShowAnswerFirst && mod.SortMode)
            ShowQuestionSide();
    });
}

// ---- Answering and scoring ------------------------------------------------------

void frmQuestion::cmdAns_Click()
{
    trapErrors([&] {
        fraAnswer1->show();
        PicAnswer1->show();
        lblAnswer->show();
        cmdAns->hide();
        cmdRight->setEnabled(true);
        cmdWrong->setEnabled(true);
        AnswerShown = true;
    });
}

void frmQuestion::cmdRight_Click()
{
    trapErrors([&] { MarkCard(false); });
}

void frmQuestion::cmdWrong_Click()
{
    trapErrors([&] { MarkCard(true); });
}

void frmQuestion::MarkCard(bool wrong)
{
    RecordAnswer(!wrong);
    LastAnswerWrong = wrong;
    if (mod.SortMode) {
        ShowRandomCard();
    } else {
        NextCardIndex();
        ShowCard();
    }
    qint16 &counter = wrong ? mod.WrongCount : mod.RightCount;
    counter = countOne(counter);
    cmdAns->setVisible(!ImageMissing);
    fraAnswer1->hide();
    PicAnswer1->hide();
    DisableMarkButtons();
    AnswerShown = false;
    ImageMissing = false;
    ShowRunPlace();
}

// ---- Multiple choice ------------------------------------------------------------

void frmQuestion::showChoiceKeys(int choices)
{
    for (int i = 1; i <= 4; ++i)
        if (auto *key = findChild<QLabel *>(QStringLiteral("lblOptKey%1").arg(i)))
            key->setVisible(i <= choices);
}

void frmQuestion::SetupChoices()
{
    trapErrors([&] {
        const options::Choices choices = options::choicesOf(mod.ChoiceMode);
        if (choices == options::Choices::Four) {
            FillTwoChoices();
            OptAns3->show();
            OptAns4->show();
            lblOptAns3->show();
            lblOptAns4->show();
            showChoiceKeys(4);
            const QVector<int> cards = study::choiceCards(CardCount, mod.CardPos, 4);
            lblOptAns3->setText(CardText(cards[2], 1));
            lblOptAns4->setText(CardText(cards[3], 1));
            FillFourChoices();
            HideAnswerButtons();
        } else if (choices == options::Choices::Two) {
            FillTwoChoices();
            OptAns3->hide();
            OptAns4->hide();
            lblOptAns3->hide();
            lblOptAns4->hide();
            showChoiceKeys(2);
            const int k = mod.RandomInt(1, 2);
            (k == 1 ? lblOptAns1 : lblOptAns2)->setText(AnswerText);
            HideAnswerButtons();
            ClearChoices();
        } else {
            fraAnswer->hide();
            PicAnswer->hide();
            fraAnswer1->hide();
            PicAnswer1->hide();
            DisableMarkButtons();
            if (mod.ShowAnswerFirst)
                ShowFirstSide();
        }
    });
}

void frmQuestion::FillTwoChoices()
{
    trapErrors([&] {
        const QVector<int> cards = study::choiceCards(CardCount, mod.CardPos, 2);
        lblOptAns1->setText(CardText(cards[0], 1));
        lblOptAns2->setText(CardText(cards[1], 1));
        ResetChoiceWidths();
    });
}

void frmQuestion::FillFourChoices()
{
    trapErrors([&] {
        const int k = mod.RandomInt(1, 4);
        QLabel *const labels[] = {lblOptAns1, lblOptAns2, lblOptAns3, lblOptAns4};
        if (k < 1 || k > 4)
            throw StepFailed(QStringLiteral("no choice %1").arg(k));
        labels[k - 1]->setText(AnswerText);
        ResetChoiceWidths();
    });
}

void frmQuestion::ResetChoiceWidths()
{
    for (QLabel *l : {lblOptAns1, lblOptAns2, lblOptAns3, lblOptAns4})
        setUnscaledGeometry(l, QRect(unscaledGeometry(l).topLeft(),
                                     QSize(twipsX(study::kChoiceWidthTwips), unscaledGeometry(l).height())));
}

void frmQuestion::ClearChoices()
{
    for (QRadioButton *o : {OptAns1, OptAns2, OptAns3, OptAns4}) {
        // A selected button of a group can only be set off on its own.
        o->setAutoExclusive(false);
        o->setChecked(false);
        o->setAutoExclusive(true);
    }
}

void frmQuestion::CheckChoice(QLabel *label)
{
    const study::Verdict verdict = study::judgeChoice(label->text(), lblAnswer->text());
    RecordAnswer(verdict.right);
    qint16 &counter = verdict.right ? mod.RightCount : mod.WrongCount;
    counter = countOne(counter);
    PopupCaption = verdict.caption;
    LastAnswerWrong = !verdict.right;
    QPalette palette = lblAnsPopUp->palette();
    palette.setColor(QPalette::WindowText, colourOf(verdict.colour));
    lblAnsPopUp->setPalette(palette);
    lblAnsPopUp->hide();
    Timer1->setEnabled(true);
    Timer1->setInterval(study::kVerdictDelayMs);
    ShowRunPlace();
}

void frmQuestion::OptAns1_Click()
{
    trapErrors([&] { CheckChoice(lblOptAns1); });
}

void frmQuestion::OptAns2_Click()
{
    trapErrors([&] { CheckChoice(lblOptAns2); });
}

void frmQuestion::OptAns3_Click()
{
    trapErrors([&] { CheckChoice(lblOptAns3); });
}

void frmQuestion::OptAns4_Click()
{
    trapErrors([&] { CheckChoice(lblOptAns4); });
}

void frmQuestion::Timer1_Timer()
{
    trapErrors([&] {
        lblAnsPopUp->setText(PopupCaption);
        lblAnsPopUp->show();
        lblAnsPopUp->raise();
        Timer2->setEnabled(true);
        Timer2->setInterval(study::kVerdictShownMs);
    });
}

void frmQuestion::SettlePendingVerdict()
{
    if (!Timer1->isEnabled() && !Timer2->isEnabled())
        return;
    // The choice was counted when it was made; only the move to the next
    // card is left, and the card itself waits until the run resumes.
    Timer2->setEnabled(false);
    Timer1->setEnabled(false);
    lblAnsPopUp->hide();
    ClearChoices();
    NextCardIndex();
    nextCardDue_ = true;
}

void frmQuestion::ResumeRun()
{
    if (nextCardDue_) {
        nextCardDue_ = false;
        ShowCard();
    }
    moveStudyFocus();
}

void frmQuestion::Timer2_Timer()
{
    trapErrors([&] {
        // Both timers stop before the next card comes, so that a message the
        // card may show is not followed by further ticks behind it.
        Timer2->setEnabled(false);
        Timer1->setEnabled(false);
        lblAnsPopUp->hide();
        ClearChoices();
        NextCardIndex();
        ShowCard();
    });
}

// ---- Ending a run ------------------------------------------------------------------

void frmQuestion::cmdEnd_Click()
{
    trapErrors([&] {
        SettlePendingVerdict();
        nextCardDue_ = false;
        runInProgress_ = false;
        mod.EndTime = mod.Now();
        SessionEnded = true;
        ShowStatistics();
        HideEditButtons();
        fraStat->show();
        fraQuestion->hide();
        fraAnswer->hide();
        fraAnswer1->hide();
        HideAnswerButtons();
        cmdEnd->hide();
        if (!FileSys)
            FileSys = NewFileSystem();
        FileSys->DeleteFile(StudyCopyPath);
    });
    RecordRunEnd();
    mod.DeckName.clear();
    ShowRunPlace();
}
