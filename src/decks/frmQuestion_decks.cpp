// Deck files: the worksheet store, the study copy, and opening a deck.

#include "app/FileSystemObject.h"
#include "app/Widgets.h"
#include "app/frmQuestion.h"
#include "base/Trap.h"
#include "decks/DeckPaths.h"
#include "decks/DeckStore.h"
#include "decks/StudyCopy.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

// ---- The worksheet store ----------------------------------------------------

void frmQuestion::ConnectDB()
{
    trapErrors([&] {
        DeckRecordset.reset();  // a record set never outlives its connection
        DeckConnection = std::make_unique<decks::DeckConnection>();
        DeckRecordset = std::make_unique<decks::DeckRecordset>();
        const QString name = lblDecknameAdd->text();
        // The deck the editor was started on; a deck chosen with Edit Deck
        // may lie outside the deck folder.
        const QString path = !editDeckPath_.isEmpty()
                                 ? editDeckPath_
                                 : AppPath() + QStringLiteral("/Decks/Deck1/") + name + QStringLiteral(".xls");
        if (name.isEmpty())
            return;
        DeckConnection->Open(path, decks::DeckConnection::Mode::Edit);
        DeckRecordset->Open(*DeckConnection);
        toInt16(DeckRecordset->RecordCount());
        TakeEditCounts();
    });
}

void frmQuestion::CloseDB()
{
    trapErrors([&] {
        if (!DeckRecordset)
            throw StepFailed(QStringLiteral("no record set"));
        DeckRecordset->Close();
        DeckRecordset.reset();
        if (!DeckConnection)
            throw StepFailed(QStringLiteral("no connection"));
        DeckConnection->Close();
        DeckConnection.reset();
    });
}

// ---- The study copy -----------------------------------------------------------

QString frmQuestion::StudyCopyFileOf(const QString &baseName) const
{
    return decks::studyCopyFolder() + QLatin1Char('/') + baseName + QStringLiteral(".xml");
}

QString frmQuestion::SplitDeckFileName(const QString &path)
{
    DeckFileName = decks::fileNameOf(path);
    mod.DeckName = decks::deckNameOf(DeckFileName);
    return mod.DeckName;
}

bool frmQuestion::xmlGenerator(const QString &path)
{
    return trapErrors([&] {
        StudyCopyPath = StudyCopyFileOf(SplitDeckFileName(path));

        DeckRecordset.reset();
        DeckConnection = std::make_unique<decks::DeckConnection>();
        DeckConnection->Open(path, decks::DeckConnection::Mode::ReadOnly);
        DeckRecordset = std::make_unique<decks::DeckRecordset>();
        DeckRecordset->Open(*DeckConnection);

        const QString document = decks::buildStudyCopyText(*DeckRecordset);
        DeckRecordset->Close();
        DeckConnection->Close();

        FileSys = NewFileSystem();
        FileSys->WriteTextLine(StudyCopyPath, document);
        if (document == decks::kEmptyStudyCopy)
            EmptyDeck = true;
    });
}

void frmQuestion::LoadStudyCopy()
{
    const bool loaded = trapErrors([&] {
        if (!StudyDoc)
            StudyDoc = std::make_unique<decks::StudyDocument>();
        if (!StudyDoc->load(StudyCopyFileOf(mod.DeckName)))
            throw StepFailed(QStringLiteral("no well-formed study copy"));
        StudyRoot = StudyDoc->documentElement();
        CardCount = toInt16(StudyRoot.childCount());
    });
    if (!loaded)
        StudyRoot = decks::StudyElement();
    StudyCopyLoaded = loaded;
}

// ---- Opening a deck ---------------------------------------------------------------

void frmQuestion::DiscardStudyCopy()
{
    trapErrors([&] {
        if (!FileSys)
            FileSys = NewFileSystem();
        if (FileSys->FileExists(StudyCopyPath))
            FileSys->DeleteFile(StudyCopyPath);
    });
}

QString frmQuestion::ShowOpenDialog(const QString &folder, const QString &filter, const QString &defaultSuffix)
{
    QFileDialog dialog(this, QString(), folder, filter);
    dialog.setObjectName(QStringLiteral("dlgFileOpen"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

void frmQuestion::HideEditor()
{
    txtAddQuest->hide();
    txtAddAns->hide();
    lblDecknameAdd->hide();
    cmdPrev->hide();
    cmdNext->hide();
    cmdAddDeck->hide();
    cmdAdd->hide();
    cmdAddDone->hide();
    cmdRemoveQuest->hide();
    cmdSaveCard->hide();
    lblCardRemoved->hide();
    cmdUndo->hide();
}

frmQuestion::DeckChoice frmQuestion::ChooseDeck(const QString &deckFile)
{
    DeckChoice choice;
    trapErrors([&] {
        choice.path = !deckFile.isEmpty() ? deckFile
                                          : ShowOpenDialog(AppPath() + QStringLiteral("/Decks/Deck1/"),
                                                           decks::kDeckFileFilter, QStringLiteral("xls"));
        mnuOpt->setEnabled(true);
        if (choice.path.isEmpty())
            mod.DeckName.clear();
        else
            choice.studyCopyWritten = xmlGenerator(choice.path);
    });
    return choice;
}

void frmQuestion::OpenDeck(const QString &deckFile)
{
    trapErrors([&] {
        ResetCounters();
        runInProgress_ = false;
        nextCardDue_ = false;
        DeckOpen = true;
        SessionEnded = false;
        ImageMissing = false;
        EmptyDeck = false;
        // The dialog comes up over the start view.
        ShowToolbar();
        cmdOpen->hide();
        cmdRemove->hide();
        const DeckChoice choice = ChooseDeck(deckFile);

        // Cancelled, or a file whose name is not a deck's.
        if (choice.path.isEmpty() || !decks::isDeckFileName(mod.DeckName, DeckFileName)) {
            if (choice.studyCopyWritten)
                DiscardStudyCopy();
            mnuStat->setVisible(false);
            mnuOpt->setVisible(true);
            return;
        }

        LoadStudyCopy();
        // A deck whose conversion failed is never studied from a study copy
        // an earlier opening left under the same name.
        if (StudyCopyLoaded && !EmptyDeck && choice.studyCopyWritten) {
            HideToolbar();
            CardOrder = QVector<qint16>(CardCount + 1, 0);
            SyncOptionButtons();
            runInProgress_ = true;  // until a missing picture breaks it off
            ShowCard();
            ShowStudyPanels();
            if (options::offersChoices(mod.ChoiceMode))
                HideAnswerButtons();
            mod.StartTime = mod.Now();
            HideEditor();
            mnuStat->setVisible(true);
            mnuOpt->setVisible(true);
            mnuDecks->setVisible(false);
            moveStudyFocus();
            if (ImageMissing) {
                HideStudyPanels();
                mnuStat->setVisible(false);
                mnuOpt->setVisible(true);
                mnuDecks->setVisible(true);
            }
            RecordRunStart(choice.path);
        } else {
            if (choice.studyCopyWritten)
                DiscardStudyCopy();
            mnuStat->setVisible(false);
            MsgBox(QStringLiteral("You have opened a Blank file or a file with Invalid file format"), true,
                   OpenFailureText(choice.path));
        }
    });
    ShowRunPlace();
}

void frmQuestion::mnuOpen_Click()
{
    if (!ConfirmLeaveCard())
        return;
    ForgetRemoval();
    trapErrors([&] {
        SettlePendingVerdict();
        LeaveOptionsView();
        mnuOpt->setEnabled(false);
        mnuHelp->setEnabled(false);
        fraAnswer1->hide();
        cmdAddBrowse->hide();
        OpenDeck();
        DeckRecordset.reset();
        DeckConnection.reset();
    });
}

void frmQuestion::PicOpenDeck_Click()
{
    OpenDeckFile(QString());
}

void frmQuestion::OpenDeckFile(const QString &path)
{
    trapErrors([&] {
        LeaveOptionsView();
        OpenDeck(path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath());
        cmdAddBrowse->hide();
        DeckRecordset.reset();
        DeckConnection.reset();
    });
}
