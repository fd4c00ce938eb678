// Deck editing: creating a deck, the card editor (adding cards, pictures,
// stepping through the cards), editing a deck that exists, and removing a
// card.

#include "app/Widgets.h"
#include "app/frmQuestion.h"
#include "base/Trap.h"
#include "decks/DeckFormat.h"
#include "decks/DeckPaths.h"
#include "decks/DeckSave.h"
#include "decks/DeckStore.h"
#include "editor/CardFiles.h"
#include "editor/RemovalShift.h"
#include "study/CardQueue.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTextEdit>

#include <utility>

namespace {

const QString kFillBoth = QStringLiteral("Please enter the Question and Answer");
const QString kPictureInAnswer = QStringLiteral("Please provide the Image path in the Questions");
const QString kBadName = QStringLiteral("Please enter a deck name without . \\ / : * ? \" < > |");
const QString kNameTaken = QStringLiteral("A deck with this name already exists. Please choose another name");
const QString kNotSaved = QStringLiteral("The deck could not be saved: ");
const QString kChangedOutside = QStringLiteral("The deck was changed by another program. It will be read again.");
const QString kNotADeck = QStringLiteral("You have opened a Blank file or a file with Invalid file format");
const QString kTooLong = QStringLiteral("The Question and the Answer can each hold at most 32,767 characters");
const QString kSaveChanges = QStringLiteral("Save the changes to this card?");
const QString kAddTyped = QStringLiteral("Add the card you typed to the deck?");
const QString kReadOnly = QStringLiteral("This deck is read-only. It can be studied but not changed.");
const QString kCardRemoved = QStringLiteral("Card removed.");

// A deck name becomes a file name as it stands: it may hold none of the
// characters that a file name cannot carry or that would take it out of the
// deck folder, nor a "." (a deck's name ends at its first ".").
bool isUsableDeckName(const QString &name)
{
    static const QString forbidden = QStringLiteral(".\\/:*?\"<>|");
    for (const QChar c : name) {
        if (forbidden.contains(c) || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

// Copies a picture into place through a new file, so that a failed copy
// leaves a picture of the same name whole; a picture chosen from that very
// place stays as it is.
void copyPicture(const QString &from, const QString &to)
{
    const QFileInfo source(from), target(to);
    if (target.exists() && source.canonicalFilePath() == target.canonicalFilePath())
        return;
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        throw StepFailed(in.errorString());
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly) || out.write(in.readAll()) < 0 || !out.commit())
        throw StepFailed(out.errorString());
}

}  // namespace

// ---- Creating a deck --------------------------------------------------------------

void frmQuestion::mnuAdd_Click()
{
    if (!ConfirmLeaveCard())
        return;
    NewDeck();
    ConnectDB();
}

void frmQuestion::picAddDeck_Click()
{
    NewDeck();
    cmdAddBrowse->show();
    ConnectDB();
}

void frmQuestion::NewDeck()
{
    trapErrors([&] {
        const QString name = InputBox(QStringLiteral("Enter Deck Name"), QStringLiteral("New Deck"));
        if (name.isEmpty())
            return;
        if (!isUsableDeckName(name)) {
            MsgBox(kBadName, true);
            return;
        }
        const QString target = AppPath() + QStringLiteral("/Decks/Deck1/") + name + QStringLiteral(".xls");
        // The file system decides whether two names are the same deck.
        if (QFileInfo::exists(target)) {
            MsgBox(kNameTaken, true);
            return;
        }
        if (!QFile::copy(AppPath() + QStringLiteral("/Decks/default.xls"), target))
            throw StepFailed(QStringLiteral("the template could not be copied"));
        // The copy keeps the template's permissions; a deck is the user's
        // to change.
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        editDeckPath_ = target;
        ShowEditor(name);
    });
}

void frmQuestion::ShowEditor(const QString &name)
{
    // The options view, reached from the toolbar, leaves "&Decks" on: it
    // makes way, keeping the options chosen there.
    SettlePendingVerdict();
    LeaveOptionsView();
    ForgetRemoval();
    chosenPicture_.clear();
    HideToolbar();
    ShowEditButtons();
    fraQuestion->show();
    fraAnswer1->show();
    PicAnswer1->show();
    txtAddQuest->show();
    txtAddAns->show();
    lblDecknameAdd->setText(name);
    ShowRunPlace();
    HideAnswerButtons();
    cmdEnd->hide();
    lblQuestion->hide();
    lblAnswer->hide();
    cmdRemoveQuest->setEnabled(false);
    cmdPrev->setEnabled(false);
    cmdNext->setEnabled(false);
    mnuOpt->setVisible(false);
    txtAddQuest->clear();
    txtAddAns->clear();
    cmdAdd->setEnabled(true);
    txtAddQuest->setFocus();
    SyncEditorCommands();
}

// ---- Editing a deck that exists ---------------------------------------------------

void frmQuestion::mnuEditDeck_Click()
{
    if (!ConfirmLeaveCard())
        return;
    trapErrors([&] {
        QString path;
        for (;;) {
            path = ShowOpenDialog(AppPath() + QStringLiteral("/Decks/Deck1/"), decks::kDeckFileFilter,
                                  QStringLiteral("xls"));
            if (path.isEmpty() || (checkDeckWritable ? checkDeckWritable(path) : editor::deckCanBeWritten(path)))
                break;
            // Said before any card is typed: the deck is offered for study,
            // or another one can be chosen.
            QMessageBox box(QMessageBox::Information, QStringLiteral("Mnemora"), kReadOnly, QMessageBox::NoButton, this);
            box.setTextFormat(Qt::PlainText);
            QPushButton *study = box.addButton(QStringLiteral("Study It"), QMessageBox::AcceptRole);
            QPushButton *another = box.addButton(QStringLiteral("Choose Another"), QMessageBox::ActionRole);
            box.addButton(QMessageBox::Cancel);
            box.setDefaultButton(study);
            box.exec();
            if (box.clickedButton() == study)
                OpenDeckFile(path);
            if (box.clickedButton() != another)
                return;
        }
        if (path.isEmpty())
            return;
        auto connection = std::make_unique<decks::DeckConnection>();
        auto recordset = std::make_unique<decks::DeckRecordset>();
        try {
            connection->Open(path, decks::DeckConnection::Mode::Edit);
            recordset->Open(*connection);
            toInt16(recordset->RecordCount());
        } catch (const decks::DeckNotEditable &) {
            // An .xlsx or .ods deck is studied, never written.
            MsgBox(decks::kNotEditableMessage, true);
            return;
        } catch (const std::exception &) {
            MsgBox(kNotADeck, true);
            return;
        }
        editDeckPath_ = path;
        ShowEditor(QFileInfo(path).completeBaseName());
        DeckRecordset.reset();
        DeckConnection = std::move(connection);
        DeckRecordset = std::move(recordset);
        TakeEditCounts();
        cmdPrev->setEnabled(EditCardCount > 0);
        // A picture card can be added to a deck that exists too.
        cmdAddBrowse->show();
        // Open in another program: shown as it is, and nothing is saved
        // while that program holds it.
        if (const QString elsewhere = decks::openElsewhereMessage(path); !elsewhere.isEmpty())
            MsgBox(elsewhere, true);
    });
}

void frmQuestion::TakeEditCounts()
{
    // Rows left blank by removals lie after the card rows; the editor counts
    // only the rows before them as cards, and an add fills the first blank
    // row. << brings back the last card.
    BlankRows = toInt16(DeckRecordset->BlankRowsAtEnd());
    EditCardCount = toInt16(DeckRecordset->RecordCount() - BlankRows);
    LastAddedPos = EditCardCount > 0 ? QVariant(EditCardCount) : QVariant();
}

// ---- Showing a row -------------------------------------------------------------------

void frmQuestion::ShowEditorRow()
{
    const QVariant questionValue = DeckRecordset->Field(0), answerValue = DeckRecordset->Field(1);
    const QString question = decks::fieldText(questionValue);
    const QString answer = decks::fieldText(answerValue);
    // What the boxes are filled with is the card as it stands: only the
    // user's own typing makes it an edited card.
    shownCard_ = {question, answer, questionValue, answerValue};
    if (study::isPictureReference(question)) {
        questionPicturePath_ = QDir::toNativeSeparators(study::picturePath(AppPath(), question));
        shownCard_.question = questionPicturePath_;
    }
    txtAddQuest->setPlainText(shownCard_.question);
    txtAddAns->setPlainText(answer);
}

void frmQuestion::EnterNewCardState(bool keepText)
{
    txtAddQuest->setFocus();
    if (!keepText) {
        txtAddQuest->clear();
        txtAddAns->clear();
    }
    cmdNext->setEnabled(false);
    cmdRemoveQuest->setEnabled(false);
    cmdAdd->setEnabled(true);
}

// ---- Saving a command's changes --------------------------------------------------

bool frmQuestion::RunDeckCommand(const std::function<void()> &steps)
{
    struct EditorState {
        qint16 cards, blanks;
        QVariant lastAdded;
        bool removed;
        int position;
        QString question, answer;
        bool prev, next, add, remove;
        ShownCard shown;
        QString pictureReference;
    };
    const auto save = [&] {
        int position = decks::DeckRecordset::PosUnknown;
        if (DeckRecordset && DeckRecordset->IsOpen())
            position = DeckRecordset->AbsolutePosition();
        return EditorState{EditCardCount, BlankRows, LastAddedPos, CardRemoved, position,
                           txtAddQuest->toPlainText(), txtAddAns->toPlainText(),
                           cmdPrev->isEnabled(), cmdNext->isEnabled(), cmdAdd->isEnabled(),
                           cmdRemoveQuest->isEnabled(), shownCard_, lblHide->text()};
    };
    const EditorState before = save();
    const bool editedBefore = CardEdited();
    pictureCopied_.clear();
    const auto restore = [&] {
        EditCardCount = before.cards;
        BlankRows = before.blanks;
        LastAddedPos = before.lastAdded;
        CardRemoved = before.removed;
        trapErrors([&] {
            DeckRecordset->Requery();
            if (before.position >= 1)
                DeckRecordset->SetAbsolutePosition(before.position);
        });
        if (txtAddQuest->toPlainText() != before.question)
            txtAddQuest->setPlainText(before.question);
        if (txtAddAns->toPlainText() != before.answer)
            txtAddAns->setPlainText(before.answer);
        cmdPrev->setEnabled(before.prev);
        cmdNext->setEnabled(before.next);
        cmdAdd->setEnabled(before.add);
        cmdRemoveQuest->setEnabled(before.remove);
        shownCard_ = before.shown;
        lblHide->setText(before.pictureReference);
        // A picture copied for a card that was not stored goes again.
        if (!pictureCopied_.isEmpty())
            QFile::remove(std::exchange(pictureCopied_, QString()));
    };

    const bool done = trapErrors(steps);
    if (!DeckConnection || !DeckConnection->IsOpen() || !DeckRecordset || !DeckRecordset->IsOpen())
        return false;
    if (!done) {
        // Nothing of a command that failed part-way reaches the deck.
        DeckConnection->Revert();
        restore();
        return false;
    }
    try {
        DeckConnection->Commit();
    } catch (const decks::DeckChanged &) {
        // The typed card (or the correction) stays for the user to add
        // again to the deck as it is now.
        const bool typed = before.add || editedBefore;
        restore();
        MsgBox(kChangedOutside, true);
        ForgetRemoval();
        ConnectDB();
        EnterNewCardState(typed);
        cmdPrev->setEnabled(EditCardCount > 0);
        return false;
    } catch (const decks::DeckInUse &e) {
        restore();
        MsgBox(QString::fromUtf8(e.what()), true);
        return false;
    } catch (const std::exception &e) {
        restore();
        MsgBox(kNotSaved + editor::saveFailureReason(QString::fromUtf8(e.what()), DeckConnection->Path()), true);
        return false;
    }
    pictureCopied_.clear();
    return true;
}

// ---- Adding a card ---------------------------------------------------------------------

bool frmQuestion::CardFitsCells(const QString &question, const QString &answer)
{
    if (question.isEmpty() || answer.isEmpty()) {
        MsgBox(kFillBoth, true);
        return false;
    }
    if (question.size() > decks::kMaxCellText || answer.size() > decks::kMaxCellText) {
        MsgBox(kTooLong, true);
        return false;
    }
    return true;
}

void frmQuestion::cmdAdd_Click()
{
    bool added = false;
    const bool written = RunDeckCommand([&] {
        txtAddQuest->setFocus();
        mnuDecks->setVisible(true);
        const QString typedQuestion = txtAddQuest->toPlainText();
        const QString typedAnswer = txtAddAns->toPlainText();
        if (!CardFitsCells(typedQuestion, typedAnswer))
            return;
        if (!DeckConnection)
            throw StepFailed(QStringLiteral("no deck is open"));
        const QVariant question = QuestionValue(typedQuestion, false);
        added = true;
        DeckConnection->AppendRow(question, typedAnswer);
        DeckRecordset->Requery();

        if (BlankRows > 0) {
            // The new row went after the blank rows: it moves up into the
            // first of them.
            DeckRecordset->MoveLast();
            const QVariant heldQuestion = DeckRecordset->Field(0);
            const QString heldAnswer = decks::fieldText(DeckRecordset->Field(1));
            DeckRecordset->SetField(0, QString());
            DeckRecordset->SetField(1, QString());
            DeckRecordset->SetAbsolutePosition(DeckRecordset->RecordCount() - BlankRows);
            DeckRecordset->SetField(0, heldQuestion);
            DeckRecordset->SetField(1, heldAnswer);
        }

        txtAddQuest->clear();
        txtAddAns->clear();
        cmdPrev->setEnabled(true);
        EditCardCount = toInt16(EditCardCount + 1);
        LastAddedPos = EditCardCount;
        // The cursor goes to the first blank row when there is one; else it
        // stays on the first row, where the re-read left it.
        if (EditCardCount + 1 > DeckRecordset->RecordCount())
            return;
        DeckRecordset->SetAbsolutePosition(EditCardCount + 1);
        if (!(EditCardCount > 0 && BlankRows > 0))
            cmdNext->setEnabled(false);
    });
    if (written && added)
        ForgetRemoval();
}

// ---- Stepping through the cards -------------------------------------------------

void frmQuestion::cmdNext_Click()
{
    if (!ConfirmLeaveCard())
        return;
    trapErrors([&] {
        const auto pastTheCards = [&] {
            return DeckRecordset->AbsolutePosition() > EditCardCount || DeckRecordset->EOF_();
        };
        if (pastTheCards()) {
            DeckRecordset->SetAbsolutePosition(LastAddedPos.isValid() ? LastAddedPos.toInt() : 0);
        } else {
            cmdPrev->setEnabled(true);
            DeckRecordset->MoveNext();
        }
        if (pastTheCards()) {
            EnterNewCardState(false);
        } else {
            cmdPrev->setEnabled(true);
            ShowEditorRow();
            cmdRemoveQuest->setEnabled(true);
            cmdAdd->setEnabled(false);
        }
    });
}

void frmQuestion::cmdPrev_Click()
{
    if (!ConfirmLeaveCard())
        return;
    trapErrors([&] {
        if (DeckRecordset->AbsolutePosition() == 1 || DeckRecordset->BOF()) {
            DeckRecordset->SetAbsolutePosition(LastAddedPos.isValid() ? LastAddedPos.toInt() : 0);
        } else {
            cmdNext->setEnabled(true);
            DeckRecordset->MovePrevious();
        }
        if (DeckRecordset->AbsolutePosition() == 1) {
            cmdPrev->setEnabled(false);
            if (EditCardCount != 1)
                cmdNext->setEnabled(true);
        } else {
            cmdNext->setEnabled(true);
        }
        ShowEditorRow();
        cmdRemoveQuest->setEnabled(true);
        cmdAdd->setEnabled(false);
    });
}

// ---- Pictures -------------------------------------------------------------------------------

QString frmQuestion::Imgpath(const QString &img1)
{
    const qsizetype cut = std::max(img1.lastIndexOf(QLatin1Char('\\')), img1.lastIndexOf(QLatin1Char('/')));
    ImageFile = img1.mid(cut + 1);
    return ImageFile;
}

void frmQuestion::cmdAddBrowse_Click()
{
    trapErrors([&] {
        const QString chosen = ShowOpenDialog(AppPath() + QStringLiteral("/Images/"),
                                              QStringLiteral("Graphic files (*.bmp *.gif *.jpg *.jpeg *.png)"),
                                              QStringLiteral("jpg"));
        if (chosen.isEmpty())
            return;
        questionPicturePath_ = QDir::toNativeSeparators(chosen);
        chosenPicture_ = chosen;
        txtAddQuest->setPlainText(questionPicturePath_);
        Imgpath(chosen);
        txtAddAns->setFocus();
        // The picture is copied when its card is added or saved, under a
        // name that replaces no other picture (see QuestionValue).
        const QString images = AppPath() + QStringLiteral("/Images/");
        const QString name = editor::pictureFileName(
            ImageFile, [&](const QString &n) { return editor::comparePicture(chosen, images + n); });
        lblHide->setText(QStringLiteral("\\Images\\") + name);
    });
}

QVariant frmQuestion::QuestionValue(const QString &typed, bool forShownCard)
{
    // A corrected card keeps the question it had when only its answer was
    // changed.
    if (forShownCard && typed == shownCard_.question)
        return shownCard_.questionValue;
    if (!chosenPicture_.isEmpty() && typed == QDir::toNativeSeparators(chosenPicture_)) {
        const QString images = AppPath() + QStringLiteral("/Images/");
        const QString name = editor::pictureFileName(
            Imgpath(chosenPicture_), [&](const QString &n) { return editor::comparePicture(chosenPicture_, images + n); });
        if (!QFileInfo::exists(images + name)) {
            copyPicture(chosenPicture_, images + name);
            pictureCopied_ = images + name;
        }
        ImageFile = name;
        lblHide->setText(QStringLiteral("\\Images\\") + name);
        return lblHide->text();
    }
    // A question naming a picture is stored as the reference of the
    // picture chosen last.
    const bool picture = typed.contains(QLatin1Char('\\'))
                         || (!questionPicturePath_.isEmpty() && typed == questionPicturePath_);
    return picture ? lblHide->text() : typed;
}

// ---- The boxes ----------------------------------------------------------------------------

void frmQuestion::txtAddQuest_Change()
{
    // While a card is being typed, no other deck can be started or opened.
    mnuDecks->setEnabled(txtAddQuest->toPlainText().isEmpty() && txtAddAns->toPlainText().isEmpty());
    SyncEditorCommands();
}

void frmQuestion::txtAddAns_Change()
{
    txtAddQuest_Change();
}

void frmQuestion::txtAddAns_Validate()
{
    trapErrors([&] {
        if (!txtAddAns->toPlainText().contains(QLatin1String(":\\")))
            return;
        MsgBox(kPictureInAnswer, false);
        txtAddQuest->clear();
        txtAddAns->clear();
        txtAddQuest->setFocus();
    });
}

void frmQuestion::answerBoxLeft(const QFocusEvent &event)
{
    // Only a move to another control of this window; not the window losing
    // the focus to a dialog or a menu.
    const Qt::FocusReason reason = event.reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isActiveWindow())
        txtAddAns_Validate();
}

// ---- Leaving the editor ------------------------------------------------------------

void frmQuestion::cmdAddDone_Click()
{
    if (!ConfirmLeaveCard())
        return;
    ForgetRemoval();
    trapErrors([&] {
        HideEditButtons();
        cmdAns->hide();
        cmdWrong->hide();
        cmdRight->hide();
        cmdEnd->hide();
        mnuStat->setVisible(false);
        fraAnswer1->hide();
        fraQuestion->hide();
        CloseDB();
        ShowToolbar();
        mnuDecks->setEnabled(true);
    });
    ShowRunPlace();
}

// ---- Removing a card ---------------------------------------------------------------

void frmQuestion::cmdRemoveQuest_Click()
{
    if (!ConfirmLeaveCard())
        return;
    RemovedCard removed;
    const bool written = RunDeckCommand([&] {
        const int p = DeckRecordset->AbsolutePosition();
        removed.removed = CardRemoved;
        if (!CardRemoved)
            EditCardCount = toInt16(DeckRecordset->RecordCount() - BlankRows);
        if (p < 1 || p > EditCardCount)
            throw StepFailed(QStringLiteral("the row shown is not a card"));
        // What Undo needs: the rows the removal changes, as they are.
        removed.position = p;
        removed.cards = EditCardCount;
        removed.blanks = BlankRows;
        removed.lastAdded = LastAddedPos;
        removed.prev = cmdPrev->isEnabled();
        removed.next = cmdNext->isEnabled();
        for (int row = p; row <= EditCardCount; ++row) {
            DeckRecordset->SetAbsolutePosition(row);
            removed.rows.emplace_back(DeckRecordset->Field(0), DeckRecordset->Field(1));
        }
        DeckRecordset->SetAbsolutePosition(p);
        BlankRows = toInt16(BlankRows + 1);

        const auto afterRemoval = [&] {
            CardRemoved = true;
            EditCardCount = toInt16(EditCardCount - 1);
            if (EditCardCount == 1)
                cmdPrev->setEnabled(false);
            if (EditCardCount == 0) {
                cmdNext->setEnabled(false);
                cmdPrev->setEnabled(false);
                cmdAdd->setEnabled(true);
            }
        };

        if (p == EditCardCount) {
            // The last card: its row is blanked in place, and the card
            // before it is shown.
            DeckRecordset->SetField(0, QString());
            DeckRecordset->SetField(1, QString());
            DeckRecordset->SetAbsolutePosition(p == 1 ? 1 : p - 1);
            if (EditCardCount == 1) {
                txtAddQuest->clear();
                txtAddAns->clear();
                cmdRemoveQuest->setEnabled(false);
            } else {
                ShowEditorRow();
            }
            afterRemoval();
            return;
        }

        std::vector<editor::CardRow> rows;
        rows.reserve(static_cast<std::size_t>(EditCardCount - p + 1));
        for (int row = p; row <= EditCardCount; ++row) {
            DeckRecordset->SetAbsolutePosition(row);
            rows.push_back({DeckRecordset->Field(0), DeckRecordset->Field(1)});
        }
        const std::vector<editor::CardRow> shifted = editor::removeAndShiftUp(rows);
        for (std::size_t i = 0; i < shifted.size(); ++i) {
            if (shifted[i] == rows[i])
                continue;
            DeckRecordset->SetAbsolutePosition(p + static_cast<int>(i));
            DeckRecordset->SetField(0, shifted[i].question);
            DeckRecordset->SetField(1, shifted[i].answer);
        }
        DeckRecordset->SetAbsolutePosition(p);
        ShowEditorRow();
        afterRemoval();
    });
    if (written && removed.position > 0) {
        removedCard_ = std::move(removed);
        SyncEditorCommands();
    }
}

// ---- Correcting a card ----------------------------------------------------------

void frmQuestion::buildCardCorrection(QWidget *client)
{
    // Save stands in Add's place: Add is offered for a new card, Save for a
    // card shown.
    cmdSaveCard = pictureButton("cmdSaveCard", QStringLiteral("Save"), client, 1567, 5160, 1005, 315);
    // The undo line, below the question box, left of Browse.
    lblCardRemoved = label("lblCardRemoved", kCardRemoved, PicQuestions, 240, 2040, 1455, 315);
    lblCardRemoved->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    cmdUndo = pictureButton("cmdUndo", QStringLiteral("Undo"), PicQuestions, 1740, 2040, 975, 315);
    for (QWidget *w : {static_cast<QWidget *>(cmdSaveCard), static_cast<QWidget *>(lblCardRemoved),
                       static_cast<QWidget *>(cmdUndo)})
        w->hide();
    connect(cmdSaveCard, &QAbstractButton::clicked, this, &frmQuestion::cmdSaveCard_Click);
    connect(cmdUndo, &QAbstractButton::clicked, this, &frmQuestion::cmdUndo_Click);
}

bool frmQuestion::CardEdited() const
{
    const bool cardShown = !cmdAddDone->isHidden() && !txtAddQuest->isHidden() && !cmdAdd->isEnabled();
    return cardShown
           && (txtAddQuest->toPlainText() != shownCard_.question || txtAddAns->toPlainText() != shownCard_.answer);
}

bool frmQuestion::CardTyped() const
{
    const bool newCard = !cmdAddDone->isHidden() && !txtAddQuest->isHidden() && cmdAdd->isEnabled();
    return newCard && (!txtAddQuest->toPlainText().isEmpty() || !txtAddAns->toPlainText().isEmpty());
}

bool frmQuestion::ConfirmLeaveCard()
{
    const bool edited = CardEdited();
    if (exiting_ || (!edited && !CardTyped()))
        return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Mnemora"), edited ? kSaveChanges : kAddTyped,
                    QMessageBox::NoButton, this);
    box.setTextFormat(Qt::PlainText);
    QPushButton *keep = edited ? box.addButton(QMessageBox::Save)
                               : box.addButton(QStringLiteral("Add"), QMessageBox::AcceptRole);
    keep->setText(edited ? QStringLiteral("Save") : QStringLiteral("Add"));
    QPushButton *discard = box.addButton(QMessageBox::Discard);
    discard->setText(QStringLiteral("Discard"));
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(keep);
    box.exec();
    if (box.clickedButton() == discard)
        return true;
    if (box.clickedButton() != keep)
        return false;
    // Left only once the card is in the deck.
    if (edited) {
        cmdSaveCard_Click();
        return !CardEdited();
    }
    cmdAdd_Click();
    return !CardTyped();
}

void frmQuestion::SyncEditorCommands()
{
    const bool editing = !cmdAddDone->isHidden() && !txtAddQuest->isHidden();
    const bool cardShown = editing && !cmdAdd->isEnabled();
    cmdAdd->setVisible(editing && !cardShown);
    cmdSaveCard->setVisible(cardShown);
    cmdSaveCard->setEnabled(CardEdited());
    lblCardRemoved->setVisible(editing && removedCard_.has_value());
    cmdUndo->setVisible(editing && removedCard_.has_value());
}

void frmQuestion::ForgetRemoval()
{
    removedCard_.reset();
    SyncEditorCommands();
}

void frmQuestion::cmdSaveCard_Click()
{
    bool saved = false;
    const bool written = RunDeckCommand([&] {
        if (!CardEdited())
            return;
        const QString typedQuestion = txtAddQuest->toPlainText();
        const QString typedAnswer = txtAddAns->toPlainText();
        if (!CardFitsCells(typedQuestion, typedAnswer))
            return;
        const int p = DeckRecordset->AbsolutePosition();
        if (p < 1 || p > EditCardCount)
            throw StepFailed(QStringLiteral("the row shown is not a card"));
        // A box left as it was keeps its cell as it was.
        DeckRecordset->SetField(0, QuestionValue(typedQuestion, true));
        DeckRecordset->SetField(1, typedAnswer == shownCard_.answer ? shownCard_.answerValue : QVariant(typedAnswer));
        ShowEditorRow();
        saved = true;
    });
    if (written && saved)
        ForgetRemoval();
    SyncEditorCommands();
}

void frmQuestion::cmdUndo_Click()
{
    if (!removedCard_ || !ConfirmLeaveCard())
        return;
    const RemovedCard card = *removedCard_;
    const bool written = RunDeckCommand([&] {
        // The rows go back as they were, the removed card at its place and
        // the cards after it one row down again.
        for (std::size_t i = 0; i < card.rows.size(); ++i) {
            DeckRecordset->SetAbsolutePosition(card.position + static_cast<int>(i));
            DeckRecordset->SetField(0, card.rows[i].first);
            DeckRecordset->SetField(1, card.rows[i].second);
        }
        EditCardCount = card.cards;
        BlankRows = card.blanks;
        LastAddedPos = card.lastAdded;
        CardRemoved = card.removed;
        DeckRecordset->SetAbsolutePosition(card.position);
        ShowEditorRow();
        cmdPrev->setEnabled(card.prev);
        cmdNext->setEnabled(card.next);
        cmdRemoveQuest->setEnabled(true);
        cmdAdd->setEnabled(false);
    });
    if (written)
        ForgetRemoval();
}
