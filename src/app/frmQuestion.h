#pragma once
// The program's one window. Every view (start view, About panel, options
// view, study view, statistics view, card editor) is a group of controls
// laid on top of each other in the client area and shown or hidden in place.
//
// The window's members are defined beside the subsystem they belong to:
//   src/app      construction, views and menus, start-up and shutdown
//   src/decks    the worksheet store, the study copy, opening a deck
//   src/study    the card order, showing a card, answering, multiple choice,
//                ending a run
//   src/stats    the statistics view
//   src/editor   creating a deck, the card editor, removing a card
//   src/options  the study options
//   src/history  the study history and the history view
//
// Every control and menu action carries its name as objectName, and every
// event handler is a slot named control_event, so that tests find a control
// with findChild() and drive it as a user would.

#include "app/modMnemora.h"

#include "decks/StudyDocument.h"
#include "options/StudyOptions.h"

#include <QMainWindow>
#include <QPointer>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAbstractButton;
class QAction;
class QCheckBox;
class QFocusEvent;
class QFrame;
class QKeyEvent;
class QLabel;
class QListWidget;
class QMenu;
class QMimeData;
class QPushButton;
class QRadioButton;
class QRect;
class QTableView;
class QTextEdit;

class FileSystemObject;
class ImageBox;
class IntervalTimer;
class PictureBox;
class PictureButton;
class WrapLabel;

namespace decks {
class DeckConnection;
class DeckRecordset;
}
namespace history {
class HistoryStore;
class TableModel;
}

class frmQuestion : public QMainWindow {
    Q_OBJECT

public:
    // appFolder is the program folder (App.Path): the folder that holds
    // Images/ and Decks/. Empty means the executable's folder, or the
    // per-user program folder when that cannot be written (see
    // ProgramFolder.h).
    explicit frmQuestion(const QString &appFolder = QString(), QWidget *parent = nullptr);
    ~frmQuestion() override;

    // The program folder, without a trailing separator.
    QString AppPath() const { return appPath_; }
    // A size in twips (1/1440 inch) in pixels at the screen's logical DPI.
    int twipsX(int twips) const;
    int twipsY(int twips) const;

    // ---- The window's size -------------------------------------------
    // The layout grows with the window: every position, size and font given
    // in twips is multiplied by one zoom factor, the aspect kept and the
    // spare space split evenly around the layout. 1 at the design size,
    // which is also the window's smallest.
    double zoom() const { return zoom_; }
    // The geometry a control placed in twips has at zoom 1, in pixels.
    static QRect unscaledGeometry(const QWidget *w);
    // Opens the window at the size it had when it was last closed and
    // remembers its size when it closes (QSettings). Windows that never
    // call this (tests) leave the settings alone.
    void RememberSize();

    // ---- Program-wide variables --------------------------------------
    modMnemora mod;

    // ---- Window-level state ------------------------------------------
    // The worksheet store.
    std::unique_ptr<decks::DeckConnection> DeckConnection;
    std::unique_ptr<decks::DeckRecordset> DeckRecordset;
    qint16 EditCardCount = 0;
    // The study copy.
    QString StudyCopyPath;
    QString DeckFileName;
    bool EmptyDeck = false;
    std::unique_ptr<FileSystemObject> FileSys;
    // Makes the file-system objects; tests set it to make file operations
    // fail. Unset: the ordinary one.
    std::function<std::unique_ptr<FileSystemObject>()> makeFileSystem;
    std::unique_ptr<decks::StudyDocument> StudyDoc;
    decks::StudyElement StudyRoot;
    qint16 CardCount = 0;
    bool StudyCopyLoaded = false;
    // Opening a deck.
    bool DeckOpen = false;
    // The run.
    QVector<qint16> CardOrder;
    QString QuestionText;
    QString AnswerText;
    bool LastAnswerWrong = false;
    QString PopupCaption;
    bool ImageMissing = false;
    bool AnswerShown = false;
    bool SessionEnded = false;
    // The card editor.
    qint16 BlankRows = 0;
    QVariant LastAddedPos;  // invalid (Empty) until the first add
    QString ImageFile;
    bool CardRemoved = false;
    // The study history, opened at the first run; HistoryFolder is where it
    // is kept (empty: the per-user data folder).
    std::shared_ptr<history::HistoryStore> History;
    QString HistoryFolder;

    // ---- Controls ------------------------------------------------------
    // Menus.
    QAction *mnuDecks = nullptr;  // the "&Decks" drop-down's own item
    QAction *mnuAdd = nullptr;
    QAction *mnuEditDeck = nullptr;
    QAction *mnuOpen = nullptr;
    QAction *mnuOpt = nullptr;
    QAction *mnuStat = nullptr;
    QAction *mnuHelp = nullptr;   // the "&Help" drop-down's own item
    QAction *mnuAbout = nullptr;

    // Start view.
    PictureBox *PicDeck = nullptr;
    PictureButton *PicOpenDeck = nullptr;
    PictureButton *picAddDeck = nullptr;
    PictureButton *PicOptions1 = nullptr;
    PictureButton *PicExit = nullptr;

    // About panel.
    PictureBox *picAboutUs = nullptr;
    QLabel *Label12 = nullptr;
    QLabel *Label13 = nullptr;
    QLabel *Label14 = nullptr;
    QLabel *Label15 = nullptr;
    PictureButton *Command1 = nullptr;

    // Options view.
    QFrame *fraOptions = nullptr;
    PictureBox *PicOptions = nullptr;
    QLabel *Label6 = nullptr;
    QRadioButton *OptSortVovivIz = nullptr;
    QRadioButton *OptSortRandom = nullptr;
    QLabel *Label2 = nullptr;
    QFrame *Frame3 = nullptr;
    QRadioButton *OptShowFirstQuest = nullptr;
    QRadioButton *OptShowFirstAns = nullptr;
    QLabel *Label3 = nullptr;
    QFrame *Frame1 = nullptr;
    QRadioButton *OptMultZero = nullptr;
    QRadioButton *OptMultTwo = nullptr;
    QRadioButton *OptMultFour = nullptr;
    QLabel *Label4 = nullptr;
    QFrame *Frame2 = nullptr;
    QRadioButton *OptFontSmall = nullptr;
    QRadioButton *OptFontDefault = nullptr;
    QRadioButton *OptFontLarge = nullptr;
    QLabel *Label5 = nullptr;
    QCheckBox *ChkTimerEnable = nullptr;
    PictureButton *cmdDone = nullptr;

    // Study view: the question panel.
    QFrame *fraQuestion = nullptr;
    PictureBox *PicQuestions = nullptr;
    WrapLabel *lblQuestion = nullptr;
    QFrame *fraPicQuest = nullptr;
    ImageBox *picQuest = nullptr;
    QLabel *lblAnsPopUp = nullptr;
    QLabel *lblProgress = nullptr;  // "Card 12 · 9 right · 3 wrong"
    // The answer panel.
    QFrame *fraAnswer1 = nullptr;
    PictureBox *PicAnswer1 = nullptr;
    WrapLabel *lblAnswer = nullptr;
    // The choice panel.
    QFrame *fraAnswer = nullptr;
    PictureBox *PicAnswer = nullptr;
    QRadioButton *OptAns1 = nullptr;
    QRadioButton *OptAns2 = nullptr;
    QRadioButton *OptAns3 = nullptr;
    QRadioButton *OptAns4 = nullptr;
    QLabel *lblOptAns1 = nullptr;
    QLabel *lblOptAns2 = nullptr;
    QLabel *lblOptAns3 = nullptr;
    QLabel *lblOptAns4 = nullptr;
    // The study buttons.
    PictureButton *cmdAns = nullptr;
    PictureButton *cmdRight = nullptr;
    PictureButton *cmdWrong = nullptr;
    PictureButton *cmdEnd = nullptr;

    // Statistics view.
    QFrame *fraStat = nullptr;
    PictureBox *PicStat = nullptr;
    PictureButton *cmdClose = nullptr;
    QFrame *fraStatistics = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label10 = nullptr;
    QLabel *Label9 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *lblDeckName = nullptr;
    QLabel *lblCardsAnswered = nullptr;
    QLabel *lblCardsRight = nullptr;
    QLabel *lblCardsWrong = nullptr;
    QLabel *lblSessionTime = nullptr;
    QFrame *fraPieChart = nullptr;
    QWidget *chMnemora = nullptr;  // the pie chart, made when the statistics are first shown
    PictureButton *cmdHistory = nullptr;

    // History view.
    QAction *mnuHistory = nullptr;
    QFrame *fraHistory = nullptr;
    PictureBox *PicHistory = nullptr;
    QLabel *lblHistoryDeck = nullptr;
    QWidget *chHistory = nullptr;  // the history chart, made when the history is first shown
    QTableView *tblRuns = nullptr;
    QLabel *lblHardest = nullptr;
    QTableView *tblHardest = nullptr;
    PictureButton *cmdClearHistory = nullptr;
    PictureButton *cmdHistoryDone = nullptr;

    // Card editor.
    PictureButton *cmdPrev = nullptr;
    PictureButton *cmdAdd = nullptr;
    PictureButton *cmdRemoveQuest = nullptr;
    PictureButton *cmdNext = nullptr;
    PictureButton *cmdAddDone = nullptr;
    QPushButton *cmdAddDeck = nullptr;
    QLabel *lblDecknameAdd = nullptr;
    QTextEdit *txtAddQuest = nullptr;
    PictureButton *cmdAddBrowse = nullptr;
    QTextEdit *txtAddAns = nullptr;
    QLabel *lblHide = nullptr;
    // Correcting a card shown ("Save", in Add's place while a card is
    // shown) and the line that offers to undo the last removal.
    PictureButton *cmdSaveCard = nullptr;
    QLabel *lblCardRemoved = nullptr;
    PictureButton *cmdUndo = nullptr;

    // Controls that belong to no view.
    QFrame *fraDeck = nullptr;
    QListWidget *lstDeck = nullptr;
    QPushButton *cmdOpen = nullptr;
    QPushButton *cmdRemove = nullptr;

    // The verdict timers.
    IntervalTimer *Timer1 = nullptr;
    IntervalTimer *Timer2 = nullptr;

    // ---- View switching ------------------------------------------------
    void ShowToolbar();
    void HideToolbar();
    void ShowStudyPanels();
    void HideStudyPanels();
    void HideAnswerButtons();
    void DisableMarkButtons();
    void ShowEditButtons();
    void HideEditButtons();

    // ---- Start-up and shutdown ---------------------------------------
    void Form_Load();
    void Form_Unload();

    // ---- The worksheet store and the study copy ----------------------
    void ConnectDB();
    void CloseDB();
    // Builds the study copy of the deck at path (its names go to DeckName
    // and DeckFileName); true when this conversion wrote the study copy.
    bool xmlGenerator(const QString &path);
    QString SplitDeckFileName(const QString &path);
    void LoadStudyCopy();
    // The study-copy file of a deck's base name.
    QString StudyCopyFileOf(const QString &baseName) const;

    // ---- Opening a deck ------------------------------------------------
    // Opens the deck at path as the "Open Deck" picture button opens the one
    // chosen in its dialog (a deck handed to the program or dropped on its
    // window); with no path, the dialog asks for one.
    void OpenDeckFile(const QString &path);
    // Deletes the study copy of a deck that was turned away.
    void DiscardStudyCopy();
    // Opens a deck for study: the file given, or the one chosen in the
    // dialog when none is given.
    void OpenDeck(const QString &deckFile = QString());
    // What choosing a deck came to: the path chosen ("" when the dialog was
    // cancelled), and whether its conversion wrote the study copy.
    struct DeckChoice {
        QString path;
        bool studyCopyWritten = false;
    };
    DeckChoice ChooseDeck(const QString &deckFile = QString());
    void HideEditor();
    // The open-file dialog. Returns the chosen path, or "" on cancel.
    QString ShowOpenDialog(const QString &folder, const QString &filter, const QString &defaultSuffix);

    // ---- The run ---------------------------------------------------------
    void ResetCounters();
    void NextCardIndex();
    void ShowRandomCard();
    void ShowCard();
    void ShowFirstSide();
    void LayoutQuestionFirst();
    void LayoutAnswerFirst();
    // The question (side 0) or answer (side 1) of card number card.
    QString CardText(int card, int side) const;
    // Shows the question side of the card: the picture QuestionText names,
    // or the question label.
    void ShowQuestionSide();
    // Puts the picture that reveals the question (showque.jpg) or the
    // answer (showans.jpg) on cmdAns.
    void SetRevealPicture(bool revealsQuestion);
    // Puts the picture named by a question text into picQuest.
    void LoadQuestionPicture(const QString &reference);
    // Marks the shown card right or wrong and brings the next one.
    void MarkCard(bool wrong);
    // A picture the card needs is missing: back to the start view, and the
    // user is told.
    void ShowPictureMissing(const QString &message);

    // ---- Multiple choice -----------------------------------------------
    void SetupChoices();
    void FillTwoChoices();
    void FillFourChoices();
    void ResetChoiceWidths();
    void ClearChoices();
    void CheckChoice(QLabel *label);

    // ---- Statistics ----------------------------------------------------
    void ShowStatistics();
    void ShowSessionTime();

    // ---- The study history -------------------------------------------------
    // The run's start, each answer and the run's end, as the study handlers
    // give them; nothing here can stop the run.
    void RecordRunStart(const QString &deckPath);
    void RecordAnswer(bool right);
    void RecordRunEnd();
    // Fills the history view with the history of the deck at deckPath.
    void ShowHistory(const QString &deckPath);
    // Tells the user what the history has to say, once, after the current
    // handler.
    void ShowHistoryNotice();

    // ---- The card editor -------------------------------------------------
    void NewDeck();
    // The text after the last path separator of img1 ("\\" or "/"), which
    // also becomes ImageFile.
    QString Imgpath(const QString &img1);
    // Switches to the editor in its new-card state on the deck named name.
    void ShowEditor(const QString &name);
    // Shows the record set's current row in the two boxes.
    void ShowEditorRow();
    // The editor's new-card state; keepText leaves the boxes as they are.
    void EnterNewCardState(bool keepText);
    // Takes the counts of the deck the store has just opened for editing.
    void TakeEditCounts();
    // Runs an editor command that changes the deck: its steps, then one
    // write of the deck. When the steps fail or the write does, the deck on
    // disk and in memory stays as it was, the editor's counts and boxes go
    // back to what they were, and a failed write is reported.
    // True when the deck was written (or had nothing to write).
    bool RunDeckCommand(const std::function<void()> &steps);

    // ---- Work in hand in the card editor ---------------------------------
    // A card of the deck is shown and its text in the boxes was changed.
    bool CardEdited() const;
    // The new-card state with text in either box.
    bool CardTyped() const;
    // Before the editor's card is left (<<, >>, Remove, Done, the "&Decks"
    // commands, closing the window): asks whether to save an edited card or
    // add a typed one. False when the user stays (Cancel, or the save
    // failed).
    bool ConfirmLeaveCard();
    // Save and Add share one place: Save while a card is shown, enabled
    // once it is edited; the undo line while a removal can be undone.
    void SyncEditorCommands();
    // The question value an Add or a Save stores for the text typed: a
    // picture chosen with Browse is copied into Images/ now, under a name
    // that replaces no other picture.
    QVariant QuestionValue(const QString &typed, bool forShownCard);
    // Both boxes filled and each text within a cell's limit; else the
    // message that says what is wrong.
    bool CardFitsCells(const QString &question, const QString &answer);
    // Forgets the removal that Undo would bring back.
    void ForgetRemoval();
    // Whether the deck at path can be written; tests set it. Unset: the
    // file and its folder are tried.
    std::function<bool(const QString &)> checkDeckWritable;

    // ---- Options ---------------------------------------------------------
    void SyncOptionButtons();
    void ApplyFontSize();
    // The record of the study options, read from and written to mod.
    options::Record OptionRecord() const;
    void SetOptionRecord(const options::Record &record);
    // Every command that shows another view calls this first: the options
    // view is hidden, and a font chosen in it is kept as Done keeps it.
    void LeaveOptionsView();
    // The dynamic property of a card label that holds the point size the
    // font option asked for; the label is drawn at no less than the
    // smallest size the screen shows legibly.
    static constexpr const char *kRequestedPointSize = "requestedPointSize";
    void RequestPointSize(QWidget *w, double points);
    // The font whose button is selected in the options view.
    options::Font selectedFont() const;

    // ---- Leaving and resuming a run ------------------------------------
    // Every command that leaves the study view calls this first: a verdict
    // still pending is settled without being shown (both timers stop, the
    // popup hides, the queue moves on); the next card comes when the run
    // resumes, through ResumeRun().
    void SettlePendingVerdict();
    // Back to the study view of a running study: the card that follows a
    // settled verdict is shown, with fresh choices.
    void ResumeRun();

    // ---- Where the run stands ------------------------------------------
    // The window title names the deck studied or edited ("Elements —
    // Mnemora"), and the line lblProgress in the question panel tells the
    // card's place and the counts so far, while a run is shown.
    void ShowRunPlace();
    // The reason given when a deck did not open (informative text).
    QString OpenFailureText(const QString &path) const;

public slots:
    // Menus.
    void mnuOpen_Click();
    void mnuOpt_Click();
    void mnuStat_Click();
    void mnuAbout_Click();
    // Start view and About panel.
    void PicOpenDeck_Click();
    void PicOptions1_Click();
    void PicExit_Click();
    void Command1_Click();
    // Study view.
    void cmdAns_Click();
    void cmdRight_Click();
    void cmdWrong_Click();
    void cmdEnd_Click();
    void OptAns1_Click();
    void OptAns2_Click();
    void OptAns3_Click();
    void OptAns4_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    // Statistics view.
    void cmdClose_Click();
    void cmdHistory_Click();
    // History view.
    void mnuHistory_Click();
    void cmdClearHistory_Click();
    void cmdHistoryDone_Click();
    // Options view.
    void OptMultZero_Click();
    void OptMultTwo_Click();
    void OptMultFour_Click();
    void OptSortVovivIz_Click();
    void OptSortRandom_Click();
    void OptShowFirstQuest_Click();
    void OptShowFirstAns_Click();
    void OptFontSmall_Click();
    void OptFontDefault_Click();
    void OptFontLarge_Click();
    void ChkTimerEnable_Click();
    void cmdDone_Click();
    // Card editor.
    void mnuAdd_Click();
    void picAddDeck_Click();
    void mnuEditDeck_Click();
    void cmdAdd_Click();
    void cmdNext_Click();
    void cmdPrev_Click();
    void cmdAddBrowse_Click();
    void cmdAddDone_Click();
    void cmdRemoveQuest_Click();
    void txtAddQuest_Change();
    void txtAddAns_Change();
    void txtAddAns_Validate();
    void cmdSaveCard_Click();
    void cmdUndo_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    // The study keys, what the verdict popup brings with it, and the
    // answer box's check when the focus leaves it.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildMenus();
    void buildStartView(QWidget *client);
    void buildAboutPanel(QWidget *client);
    void buildOptionsView(QWidget *client);
    void buildStudyView(QWidget *client);
    void buildStatisticsView(QWidget *client);
    void buildHistoryView(QWidget *client);
    void ensureHistoryTables();
    // The history view's menu item, its handlers and its tab order.
    void setUpHistory();
    history::HistoryStore &historyStore();
    // Opens the history view on a deck, from the view shown now.
    void OpenHistoryView(const QString &deckPath);
    // The history chart's labels at the window's zoom.
    void ZoomHistoryChart(const QFont &base);
    void buildEditor(QWidget *client);
    // Save and the undo line of the card editor.
    void buildCardCorrection(QWidget *client);
    void buildUnusedControls(QWidget *client);
    void connectHandlers();
    // What a desktop program offers beyond its views: the study keys, their
    // tooltips, accessible names, the tab order, the icon and dropped decks.
    void setUpDesktop();
    // The control a study key presses now, or null.
    QAbstractButton *studyKeyTarget(const QKeyEvent &key) const;
    // After a study command: the focus on the control a user presses next.
    void moveStudyFocus();
    // After an editor command: the focus never left on a control that is
    // gone, nor on Remove or Done.
    void settleEditorFocus();
    // A command key (Ctrl+E, Ctrl+S, Ctrl+Z): the control it presses now,
    // or null.
    QAbstractButton *commandKeyTarget(const QKeyEvent &key) const;
    // The answer box lost the focus.
    void answerBoxLeft(const QFocusEvent &event);
    // Marks the right choice (bold on green) or takes the mark away.
    void markRightChoice(bool on);
    // The deck file (.xls, .xlsx, .ods) a drag brings, or "".
    QString droppedDeck(const QMimeData *data) const;

    // Places a control at left, top, width x height twips in its parent; it
    // keeps that place, times the zoom, when the window is resized.
    void place(QWidget *w, int left, int top, int width, int height) const;
    // The same in pixels at zoom 1.
    void setUnscaledGeometry(QWidget *w, const QRect &geometry) const;
    // Makes a control at least as large as its size hint at zoom 1.
    void growToSizeHint(QWidget *w) const;
    // Gives a control its own font, at pointSize times the zoom.
    void setUnscaledFont(QWidget *w, QFont font, double pointSize) const;
    // The widget that fills the window, and the client area (the layout in
    // twips) centred in it.
    QWidget *buildClientArea();
    void applyZoom();
    void saveWindowSize();
    // The arrow keys scroll the card texts in the study view.
    bool scrollCardByKey(const QKeyEvent &key);
    // The options view from the keyboard: one Tab stop per group, the
    // arrows within it, and tooltips.
    void setUpOptionsKeyboard();
    void fillAboutPanel();
    // The key numbers beside the first `choices` choices are shown.
    void showChoiceKeys(int choices);
    PictureButton *pictureButton(const char *name, const QString &label, QWidget *parent,
                                 int left, int top, int width, int height);
    QLabel *label(const char *name, const QString &caption, QWidget *parent,
                  int left, int top, int width, int height);
    QRadioButton *optionButton(const char *name, const QString &caption, QWidget *parent,
                               int left, int top, int width, int height);
    QFrame *frame(const char *name, QWidget *parent, int left, int top, int width, int height);
    // A white frame holding a lined-card picture box of the same size.
    QFrame *cardPanel(const char *name, const char *pictureName, PictureBox *&picture, QWidget *parent,
                      int left, int top, int width, int height);

    // Shows a message box titled "Mnemora" with an OK button.
    // informativeText, when given, says more below the text.
    void MsgBox(const QString &text, bool informationIcon, const QString &informativeText = QString());
    // A new file-system object (see makeFileSystem).
    std::unique_ptr<FileSystemObject> NewFileSystem() const;
    // The input box: the text typed, or "" when cancelled.
    QString InputBox(const QString &prompt, const QString &title);

    QString appPath_;
    QWidget *clientHost_ = nullptr;
    QWidget *client_ = nullptr;
    double zoom_ = 1.0;
    bool rememberSize_ = false;
    double dpiX_ = 96.0;
    double dpiY_ = 96.0;
    bool exiting_ = false;
    // A deck was opened successfully and its run has neither ended nor been
    // broken off by a missing picture.
    bool runInProgress_ = false;
    // A verdict was settled while the study view was left; its next card is
    // still to be shown.
    bool nextCardDue_ = false;
    // The history: the run being recorded, its deck's file, the deck the
    // history view shows, where its Done returns to, and the menu states to
    // give back then.
    qint64 historyRun_ = 0;
    QString historyDeck_;
    QString historyShown_;
    bool historyFromStats_ = false;
    QVector<bool> historyMenusEnabled_;
    history::TableModel *runsModel_ = nullptr;
    history::TableModel *hardestModel_ = nullptr;
    // The file of the deck the editor works on.
    QString editDeckPath_;
    // The full path of the picture that Browse or the row display put into
    // the question box, which Add takes as that picture.
    QString questionPicturePath_;

    // The card editor's work in hand: the texts the shown card was put into
    // the boxes with, and its question cell as stored.
    struct ShownCard {
        QString question, answer;
        QVariant questionValue, answerValue;
    } shownCard_;
    // The picture chosen with Browse, copied when its card is added or saved.
    QString chosenPicture_;
    // A picture copied into Images/ by the command now running.
    QString pictureCopied_;
    // The last removal, as long as Undo can bring it back: the rows it
    // changed, from the removed card's position on, and the editor as it was.
    struct RemovedCard {
        int position = 0;
        std::vector<std::pair<QVariant, QVariant>> rows;
        qint16 cards = 0, blanks = 0;
        QVariant lastAdded;
        bool removed = false, prev = false, next = false;
    };
    std::optional<RemovedCard> removedCard_;
    // The focus came onto "End" by Tab: Space or Return presses it.
    bool endTabbed_ = false;
};
