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
#include <QSaveFile>
#include <QTextEdit>

namespace {

const QString kFillBoth = QStringLiteral("Please enter the Question and Answer");
const QString kPictureInAnswer = QStringLiteral("Please provide the Image path in the Questions");
const QString kBadName = QStringLiteral("Please enter a deck name without . \\ / : * ? \" < > |");
const QString kNameTaken = QStringLiteral("A deck with this name already exists. Please choose another name");
const QString kNotSaved = QStringLiteral("The deck could not be saved: ");
const QString kChangedOutside = QStringLiteral("The deck was changed by another program. It will be read again.");
const QString kNotADeck = QStringLiteral("You have opened a Blank file or a file with Invalid file format");
const QString kTooLong = QStringLiteral("The Question and the Answer can each hold at most 32,767 characters");

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
}

// ---- Editing a deck that exists ---------------------------------------------------

void frmQuestion::mnuEditDeck_Click()
{
    trapErrors([&] {
        const QString path = ShowOpenDialog(AppPath() + QStringLiteral("/Decks/Deck1/"), decks::kDeckFileFilter,
                                            QStringLiteral("xls"));
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
    const QString question = decks::fieldText(DeckRecordset->Field(0));
    const QString answer = decks::fieldText(DeckRecordset->Field(1));
    if (study::isPictureReference(question)) {
        questionPicturePath_ = QDir::toNativeSeparators(study::picturePath(AppPath(), question));
        txtAddQuest->setPlainText(questionPicturePath_);
    } else {
        txtAddQuest->setPlainText(question);
    }
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

void frmQuestion::RunDeckCommand(const std::function<void()> &steps)
{
    struct EditorState {
        qint16 cards, blanks;
        QVariant lastAdded;
        bool removed;
        int position;
        QString question, answer;
        bool prev, next, add, remove;
    };
    const auto save = [&] {
        int position = decks::DeckRecordset::PosUnknown;
        if (DeckRecordset && DeckRecordset->IsOpen())
            position = DeckRecordset->AbsolutePosition();
        return EditorState{EditCardCount, BlankRows, LastAddedPos, CardRemoved, position,
                           txtAddQuest->toPlainText(), txtAddAns->toPlainText(),
                           cmdPrev->isEnabled(), cmdNext->isEnabled(), cmdAdd->isEnabled(),
                           cmdRemoveQuest->isEnabled()};
    };
    const EditorState before = save();
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
    };

    const bool done = trapErrors(steps);
    if (!DeckConnection || !DeckConnection->IsOpen() || !DeckRecordset || !DeckRecordset->IsOpen())
        return;
    if (!done) {
        // Nothing of a command that failed part-way reaches the deck.
        DeckConnection->Revert();
        restore();
        return;
    }
    try {
        DeckConnection->Commit();
    } catch (const decks::DeckChanged &) {
        // The typed card stays for the user to add again to the deck as it
        // is now.
        const bool typed = before.add;
        restore();
        MsgBox(kChangedOutside, true);
        ConnectDB();
        EnterNewCardState(typed);
        cmdPrev->setEnabled(EditCardCount > 0);
    } catch (const decks::DeckInUse &e) {
        restore();
        MsgBox(QString::fromUtf8(e.what()), true);
    } catch (const std::exception &e) {
        restore();
        MsgBox(kNotSaved + QString::fromUtf8(e.what()), true);
    }
}

// ---- Adding a card ---------------------------------------------------------------------

void frmQuestion::cmdAdd_Click()
{
    RunDeckCommand([&] {
        txtAddQuest->setFocus();
        mnuDecks->setVisible(true);
        const QString typedQuestion = txtAddQuest->toPlainText();
        const QString typedAnswer = txtAddAns->toPlainText();
        if (typedQuestion.isEmpty() || typedAnswer.isEmpty()) {
            MsgBox(kFillBoth, true);
            return;
        }
        // A question naming a picture is stored as the reference of the
        // picture chosen last.
        const bool picture = typedQuestion.contains(QLatin1Char('\\'))
                             || (!questionPicturePath_.isEmpty() && typedQuestion == questionPicturePath_);
        const QString question = picture ? lblHide->text() : typedQuestion;
        if (question.size() > decks::kMaxCellText || typedAnswer.size() > decks::kMaxCellText) {
            MsgBox(kTooLong, true);
            return;
        }
        if (!DeckConnection)
            throw StepFailed(QStringLiteral("no deck is open"));
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
}

// ---- Stepping through the cards -------------------------------------------------

void frmQuestion::cmdNext_Click()
{
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
        txtAddQuest->setPlainText(questionPicturePath_);
        Imgpath(chosen);
        txtAddAns->setFocus();
        lblHide->setText(QStringLiteral("\\Images\\") + ImageFile);
        copyPicture(chosen, AppPath() + QStringLiteral("/Images/") + ImageFile);
    });
}

// ---- The boxes ----------------------------------------------------------------------------

void frmQuestion::txtAddQuest_Change()
{
    // While a card is being typed, no other deck can be started or opened.
    mnuDecks->setEnabled(txtAddQuest->toPlainText().isEmpty() && txtAddAns->toPlainText().isEmpty());
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
    RunDeckCommand([&] {
        const int p = DeckRecordset->AbsolutePosition();
        if (!CardRemoved)
            EditCardCount = toInt16(DeckRecordset->RecordCount() - BlankRows);
        if (p < 1 || p > EditCardCount)
            throw StepFailed(QStringLiteral("the row shown is not a card"));
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
}
