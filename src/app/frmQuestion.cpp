#include "app/frmQuestion.h"

#include "app/FileSystemObject.h"
#include "app/ProgramFolder.h"
#include "app/Widgets.h"
#include "base/Trap.h"
#include "decks/DeckStore.h"
#include "study/Choices.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QInputDialog>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTextEdit>

frmQuestion::frmQuestion(const QString &appFolder, QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmQuestion"));
    // The program's own folder, or the per-user one standing in for an
    // installed copy; a folder given (by a test) is taken as it is.
    appPath_ = appFolder.isEmpty() ? programfolder::workingFolder(QCoreApplication::applicationDirPath())
                                   : appFolder;
    appPath_ = QDir::cleanPath(appPath_);
    while (appPath_.size() > 1 && appPath_.endsWith(QLatin1Char('/')))
        appPath_.chop(1);

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        dpiX_ = screen->logicalDotsPerInchX();
        dpiY_ = screen->logicalDotsPerInchY();
    }

    setWindowTitle(QStringLiteral("Mnemora"));
    buildMenus();

    QWidget *client = buildClientArea();

    buildStartView(client);
    buildOptionsView(client);
    buildStudyView(client);
    buildStatisticsView(client);
    buildHistoryView(client);
    buildEditor(client);
    buildUnusedControls(client);
    buildAboutPanel(client);  // last: it covers everything else

    Timer1 = new IntervalTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer2 = new IntervalTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));

    connectHandlers();
    setUpDesktop();
    setUpOptionsKeyboard();
    fillAboutPanel();
    setUpHistory();
    applyZoom();

    Form_Load();
}

frmQuestion::~frmQuestion() = default;

int frmQuestion::twipsX(int twips) const
{
    return qRound(twips * dpiX_ / 1440.0);
}

int frmQuestion::twipsY(int twips) const
{
    return qRound(twips * dpiY_ / 1440.0);
}

void frmQuestion::place(QWidget *w, int left, int top, int width, int height) const
{
    setUnscaledGeometry(w, QRect(twipsX(left), twipsY(top), twipsX(width), twipsY(height)));
}

PictureButton *frmQuestion::pictureButton(const char *name, const QString &label, QWidget *parent,
                                          int left, int top, int width, int height)
{
    artwork::FaceStyle style = artwork::FaceStyle::Standard;
    if (qstrcmp(name, "cmdRight") == 0)
        style = artwork::FaceStyle::Right;
    else if (qstrcmp(name, "cmdWrong") == 0)
        style = artwork::FaceStyle::Wrong;
    auto *b = new PictureButton(label, style, parent);
    b->setObjectName(QLatin1String(name));
    place(b, left, top, width, height);
    return b;
}

QLabel *frmQuestion::label(const char *name, const QString &caption, QWidget *parent,
                           int left, int top, int width, int height)
{
    auto *l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    place(l, left, top, width, height);
    return l;
}

QRadioButton *frmQuestion::optionButton(const char *name, const QString &caption, QWidget *parent,
                                        int left, int top, int width, int height)
{
    auto *o = new QRadioButton(caption, parent);
    o->setObjectName(QLatin1String(name));
    place(o, left, top, width, height);
    // Wide enough for the caption at the current font, from the given left.
    growToSizeHint(o);
    return o;
}

QFrame *frmQuestion::frame(const char *name, QWidget *parent, int left, int top, int width, int height)
{
    auto *f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    place(f, left, top, width, height);
    return f;
}

QFrame *frmQuestion::cardPanel(const char *name, const char *pictureName, PictureBox *&picture, QWidget *parent,
                               int left, int top, int width, int height)
{
    QFrame *panel = frame(name, parent, left, top, width, height);
    // White, by its palette: a style sheet would keep the panel's controls
    // from following the window's font when the layout is zoomed.
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    panel->setPalette(white);
    panel->setAutoFillBackground(true);
    picture = new PictureBox(artwork::Backdrop::LinedCard, panel);
    picture->setObjectName(QLatin1String(pictureName));
    place(picture, 0, 0, width, height);
    return panel;
}

void frmQuestion::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setNativeMenuBar(false);

    QMenu *decks = bar->addMenu(QStringLiteral("&Decks"));
    decks->setObjectName(QStringLiteral("mnuDecks"));
    mnuDecks = decks->menuAction();
    mnuDecks->setObjectName(QStringLiteral("mnuDecks"));
    mnuAdd = decks->addAction(QStringLiteral("Add Deck"));
    mnuAdd->setObjectName(QStringLiteral("mnuAdd"));
    mnuEditDeck = decks->addAction(QStringLiteral("&Edit Deck\u2026"));
    mnuEditDeck->setObjectName(QStringLiteral("mnuEditDeck"));
    mnuOpen = decks->addAction(QStringLiteral("Open Deck"));
    mnuOpen->setObjectName(QStringLiteral("mnuOpen"));

    mnuOpt = bar->addAction(QStringLiteral("&Options"));
    mnuOpt->setObjectName(QStringLiteral("mnuOpt"));
    mnuStat = bar->addAction(QStringLiteral("&Statistics"));
    mnuStat->setObjectName(QStringLiteral("mnuStat"));

    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelp = help->menuAction();
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuAbout = help->addAction(QStringLiteral("About Mnemora"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
}

void frmQuestion::buildStartView(QWidget *client)
{
    PicDeck = new PictureBox(artwork::Backdrop::Banner, client);
    PicDeck->setObjectName(QStringLiteral("PicDeck"));
    PicDeck->setAccessibleName(QStringLiteral("Mnemora 1.0"));
    place(PicDeck, 240, 480, 6060, 2445);

    PicOpenDeck = pictureButton("PicOpenDeck", QStringLiteral("Open Deck"), client, 1920, 3120, 2955, 375);
    picAddDeck = pictureButton("picAddDeck", QStringLiteral("Add Deck"), client, 1920, 3600, 2955, 375);
    PicOptions1 = pictureButton("PicOptions1", QStringLiteral("Options"), client, 1920, 4080, 2955, 375);
    PicExit = pictureButton("PicExit", QStringLiteral("Exit"), client, 1920, 4500, 2955, 375);
}

void frmQuestion::buildAboutPanel(QWidget *client)
{
    picAboutUs = new PictureBox(artwork::Backdrop::About, client);
    picAboutUs->setObjectName(QStringLiteral("picAboutUs"));
    place(picAboutUs, 0, 0, 6615, 5595);

    Label12 = label("Label12", QStringLiteral("Mnemora v 1.0"), picAboutUs, 600, 2520, 4200, 480);
    QFont big = Label12->font();
    big.setBold(true);
    setUnscaledFont(Label12, big, big.pointSizeF() * 1.6);
    // Their texts: fillAboutPanel().
    Label13 = label("Label13", QString(), picAboutUs, 600, 3120, 600, 255);
    Label14 = label("Label14", QString(), picAboutUs, 1200, 3120, 4200, 255);
    Label15 = label("Label15", QString(), picAboutUs, 600, 3420, 4200, 255);
    Command1 = pictureButton("Command1", QStringLiteral("Done"), picAboutUs, 5100, 3720, 975, 315);
    picAboutUs->raise();
}

void frmQuestion::buildOptionsView(QWidget *client)
{
    fraOptions = frame("fraOptions", client, 240, 120, 6080, 5000);
    PicOptions = new PictureBox(artwork::Backdrop::Options, fraOptions);
    PicOptions->setObjectName(QStringLiteral("PicOptions"));
    place(PicOptions, 0, 0, 6065, 5000);

    Label6 = label("Label6", QStringLiteral("Sorting :"), PicOptions, 240, 780, 615, 195);
    OptSortVovivIz = optionButton("OptSortVovivIz", QStringLiteral("VovivIz"), PicOptions, 2145, 780, 975, 195);
    OptSortRandom = optionButton("OptSortRandom", QStringLiteral("Random"), PicOptions, 3540, 780, 1035, 195);

    Label2 = label("Label2", QStringLiteral("Show First :"), PicOptions, 240, 1440, 855, 195);
    Frame3 = frame("Frame3", PicOptions, 1980, 1320, 2535, 375);
    OptShowFirstQuest = optionButton("OptShowFirstQuest", QStringLiteral("Question"), Frame3, 180, 120, 1095, 195);
    OptShowFirstAns = optionButton("OptShowFirstAns", QStringLiteral("Answer"), Frame3, 1560, 120, 1095, 195);

    Label3 = label("Label3", QStringLiteral("Multiple Choice :"), PicOptions, 240, 2100, 1155, 195);
    Frame1 = frame("Frame1", PicOptions, 1980, 2040, 3795, 375);
    OptMultZero = optionButton("OptMultZero", QStringLiteral("0"), Frame1, 180, 60, 495, 195);
    OptMultTwo = optionButton("OptMultTwo", QStringLiteral("2"), Frame1, 1560, 60, 495, 195);
    OptMultFour = optionButton("OptMultFour", QStringLiteral("4"), Frame1, 3000, 60, 495, 195);

    Label4 = label("Label4", QStringLiteral("Font Size :"), PicOptions, 240, 2760, 795, 195);
    Frame2 = frame("Frame2", PicOptions, 1980, 2700, 3795, 375);
    OptFontSmall = optionButton("OptFontSmall", QStringLiteral("Small"), Frame2, 200, 60, 735, 195);
    OptFontDefault = optionButton("OptFontDefault", QStringLiteral("Default"), Frame2, 1560, 60, 855, 195);
    OptFontLarge = optionButton("OptFontLarge", QStringLiteral("Large"), Frame2, 3000, 60, 735, 195);

    Label5 = label("Label5", QStringLiteral("Timer :"), PicOptions, 240, 3420, 555, 195);
    ChkTimerEnable = new QCheckBox(QStringLiteral("Enable"), PicOptions);
    ChkTimerEnable->setObjectName(QStringLiteral("ChkTimerEnable"));
    place(ChkTimerEnable, 2220, 3420, 795, 195);
    growToSizeHint(ChkTimerEnable);

    // The captions sit on the background picture; labels are sized to their
    // text so that no caption is cut.
    for (QLabel *l : {Label6, Label2, Label3, Label4, Label5})
        growToSizeHint(l);

    cmdDone = pictureButton("cmdDone", QStringLiteral("Done"), PicOptions, 4800, 4500, 975, 315);
}

void frmQuestion::buildStudyView(QWidget *client)
{
    // The question panel.
    fraQuestion = cardPanel("fraQuestion", "PicQuestions", PicQuestions, client, 240, 120, 6075, 2445);

    lblQuestion = new WrapLabel(PicQuestions);
    lblQuestion->setObjectName(QStringLiteral("lblQuestion"));
    // The card texts fill their panel's text area, with the left margin on
    // either side, and wrap at its inner edge.
    place(lblQuestion, 540, 440, 6075 - 2 * 540, 2445 - 440 - 120);

    fraPicQuest = frame("fraPicQuest", PicQuestions, 2040, 360, 1815, 1455);
    picQuest = new ImageBox(fraPicQuest);
    picQuest->setObjectName(QStringLiteral("picQuest"));
    place(picQuest, 0, 0, 1815, 1455);

    // The verdict's green or red stands on a black badge, where either
    // reads at a contrast above 4.5:1 whatever the card behind it.
    lblAnsPopUp = new BadgeLabel(PicQuestions);
    lblAnsPopUp->setObjectName(QStringLiteral("lblAnsPopUp"));
    lblAnsPopUp->setTextFormat(Qt::PlainText);
    place(lblAnsPopUp, 2220, 1800, 1635, 555);
    lblAnsPopUp->setAlignment(Qt::AlignCenter);
    lblAnsPopUp->setAttribute(Qt::WA_TranslucentBackground);
    setUnscaledFont(lblAnsPopUp, QFont(QStringLiteral("Verdana")), 21.75);
    lblAnsPopUp->hide();  // until a verdict is shown
    lblProgress = label("lblProgress", QString(), PicQuestions, 2700, 110, 6075 - 2700 - 240, 255);
    lblProgress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette discreet = lblProgress->palette();
    discreet.setColor(QPalette::WindowText, QColor(0x55, 0x55, 0x55));
    lblProgress->setPalette(discreet);
    lblProgress->hide();  // while a run is shown

    // The answer panel.
    fraAnswer1 = cardPanel("fraAnswer1", "PicAnswer1", PicAnswer1, client, 240, 2640, 6075, 2440);
    lblAnswer = new WrapLabel(PicAnswer1);
    lblAnswer->setObjectName(QStringLiteral("lblAnswer"));
    place(lblAnswer, 600, 480, 6075 - 2 * 600, 2440 - 480 - 120);

    // The choice panel, in the same place as the answer panel.
    fraAnswer = frame("fraAnswer", client, 240, 2640, 6075, 2450);
    PicAnswer = new PictureBox(artwork::Backdrop::Choices, fraAnswer);
    PicAnswer->setObjectName(QStringLiteral("PicAnswer"));
    place(PicAnswer, 0, 0, 6075, 2450);
    OptAns1 = new QRadioButton(PicAnswer);
    OptAns1->setObjectName(QStringLiteral("OptAns1"));
    place(OptAns1, 780, 720, 195, 255);
    OptAns2 = new QRadioButton(PicAnswer);
    OptAns2->setObjectName(QStringLiteral("OptAns2"));
    place(OptAns2, 3240, 720, 195, 195);
    OptAns3 = new QRadioButton(PicAnswer);
    OptAns3->setObjectName(QStringLiteral("OptAns3"));
    place(OptAns3, 780, 1380, 195, 255);
    OptAns4 = new QRadioButton(PicAnswer);
    OptAns4->setObjectName(QStringLiteral("OptAns4"));
    place(OptAns4, 3240, 1380, 195, 255);
    lblOptAns1 = label("lblOptAns1", QString(), PicAnswer, 1140, 720, 570, 195);
    lblOptAns2 = label("lblOptAns2", QString(), PicAnswer, 3650, 720, 750, 195);
    lblOptAns3 = label("lblOptAns3", QString(), PicAnswer, 1140, 1380, 750, 195);
    lblOptAns4 = label("lblOptAns4", QString(), PicAnswer, 3660, 1380, 570, 195);
    for (QRadioButton *o : {OptAns1, OptAns2, OptAns3, OptAns4})
        growToSizeHint(o);
    for (QLabel *l : {lblOptAns1, lblOptAns2, lblOptAns3, lblOptAns4}) {
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    // The key that picks each choice, just left of its button.
    const QList<QPair<QRadioButton *, QPoint>> keyed = {
        {OptAns1, {780, 720}}, {OptAns2, {3240, 720}}, {OptAns3, {780, 1380}}, {OptAns4, {3240, 1380}}};
    for (int i = 0; i < keyed.size(); ++i) {
        QLabel *key = label(qPrintable(QStringLiteral("lblOptKey%1").arg(i + 1)), QString::number(i + 1), PicAnswer,
                            keyed[i].second.x() - 240, keyed[i].second.y(), 210, 255);
        key->setAlignment(Qt::AlignRight | Qt::AlignTop);
        QPalette grey = key->palette();
        grey.setColor(QPalette::WindowText, QColor(0x55, 0x55, 0x55));
        key->setPalette(grey);
    }

    // The study buttons.
    cmdAns = pictureButton("cmdAns", QStringLiteral("Show Answer"), client, 240, 5160, 1395, 315);
    cmdRight = pictureButton("cmdRight", QStringLiteral("Right"), client, 2186, 5160, 975, 335);
    cmdWrong = pictureButton("cmdWrong", QStringLiteral("Wrong"), client, 3712, 5160, 1000, 330);
    cmdEnd = pictureButton("cmdEnd", QStringLiteral("End"), client, 5220, 5160, 995, 315);
}

void frmQuestion::buildStatisticsView(QWidget *client)
{
    fraStat = frame("fraStat", client, 240, 240, 6060, 5015);
    PicStat = new PictureBox(artwork::Backdrop::Statistics, fraStat);
    PicStat->setObjectName(QStringLiteral("PicStat"));
    place(PicStat, 0, 0, 6045, 5000);
    cmdClose = pictureButton("cmdClose", QStringLiteral("End"), PicStat, 4860, 4560, 975, 315);

    fraStatistics = frame("fraStatistics", PicStat, 180, 360, 5655, 1935);
    fraStatistics->setFrameShape(QFrame::StyledPanel);
    const int tops[] = {240, 540, 840, 1140, 1440};
    Label11 = label("Label11", QStringLiteral("Deck :"), fraStatistics, 360, tops[0], 2300, 255);
    Label10 = label("Label10", QStringLiteral("Cards Answered :"), fraStatistics, 360, tops[1], 2300, 255);
    Label9 = label("Label9", QStringLiteral("Cards Right :"), fraStatistics, 360, tops[2], 2300, 255);
    Label7 = label("Label7", QStringLiteral("Cards Wrong :"), fraStatistics, 360, tops[3], 2300, 255);
    Label8 = label("Label8", QStringLiteral("Session Time :"), fraStatistics, 360, tops[4], 2300, 255);
    lblDeckName = label("lblDeckName", QString(), fraStatistics, 2760, tops[0], 2800, 255);
    lblCardsAnswered = label("lblCardsAnswered", QString(), fraStatistics, 2760, tops[1], 2800, 255);
    lblCardsRight = label("lblCardsRight", QString(), fraStatistics, 2760, tops[2], 2800, 255);
    lblCardsWrong = label("lblCardsWrong", QString(), fraStatistics, 2760, tops[3], 2800, 255);
    lblSessionTime = label("lblSessionTime", QString(), fraStatistics, 2760, tops[4], 2800, 255);

    fraPieChart = frame("fraPieChart", PicStat, 180, 2340, 5655, 2160);
    fraPieChart->setFrameShape(QFrame::StyledPanel);
    // The pie chart (chMnemora) is made when the statistics are first shown.
}

void frmQuestion::buildEditor(QWidget *client)
{
    cmdPrev = pictureButton("cmdPrev", QStringLiteral("<<"), client, 330, 5160, 1005, 315);
    cmdAdd = pictureButton("cmdAdd", QStringLiteral("Add"), client, 1567, 5160, 1005, 315);
    cmdRemoveQuest = pictureButton("cmdRemoveQuest", QStringLiteral("Remove"), client, 2804, 5160, 975, 315);
    cmdNext = pictureButton("cmdNext", QStringLiteral(">>"), client, 4011, 5160, 975, 315);
    cmdAddDone = pictureButton("cmdAddDone", QStringLiteral("Done"), client, 5220, 5160, 975, 315);

    // Below the visible client area: never seen or used.
    cmdAddDeck = new QPushButton(QStringLiteral("Add Deck"), client);
    cmdAddDeck->setObjectName(QStringLiteral("cmdAddDeck"));
    place(cmdAddDeck, 240, 5760, 1215, 315);

    lblDecknameAdd = label("lblDecknameAdd", QString(), PicQuestions, 240, 60, 1095, 300);
    place(lblDecknameAdd, 240, 60, 5535, 300);
    txtAddQuest = new QTextEdit(PicQuestions);
    txtAddQuest->setObjectName(QStringLiteral("txtAddQuest"));
    txtAddQuest->setAcceptRichText(false);
    place(txtAddQuest, 240, 355, 5535, 1650);
    cmdAddBrowse = pictureButton("cmdAddBrowse", QStringLiteral("Browse"), PicQuestions, 4740, 2040, 975, 315);
    txtAddAns = new QTextEdit(PicAnswer1);
    txtAddAns->setObjectName(QStringLiteral("txtAddAns"));
    txtAddAns->setAcceptRichText(false);
    place(txtAddAns, 240, 395, 5535, 1710);

    // Right of the client area: holds the reference of the picture last chosen.
    lblHide = label("lblHide", QString(), client, 6720, 0, 1215, 255);
    for (QWidget *w : {static_cast<QWidget *>(lblDecknameAdd), static_cast<QWidget *>(txtAddQuest),
                       static_cast<QWidget *>(cmdAddBrowse), static_cast<QWidget *>(txtAddAns)})
        w->hide();
    buildCardCorrection(client);
}

void frmQuestion::buildUnusedControls(QWidget *client)
{
    fraDeck = frame("fraDeck", client, 240, 120, 6075, 4935);
    lstDeck = new QListWidget(fraDeck);
    lstDeck->setObjectName(QStringLiteral("lstDeck"));
    place(lstDeck, 120, 120, 5835, 4095);
    cmdOpen = new QPushButton(QStringLiteral("&Open"), client);
    cmdOpen->setObjectName(QStringLiteral("cmdOpen"));
    place(cmdOpen, 1920, 4380, 1215, 375);
    cmdRemove = new QPushButton(QStringLiteral("&Remove"), client);
    cmdRemove->setObjectName(QStringLiteral("cmdRemove"));
    place(cmdRemove, 3420, 4380, 1215, 375);
}

void frmQuestion::connectHandlers()
{
    connect(mnuOpen, &QAction::triggered, this, &frmQuestion::mnuOpen_Click);
    connect(mnuOpt, &QAction::triggered, this, &frmQuestion::mnuOpt_Click);
    connect(mnuStat, &QAction::triggered, this, &frmQuestion::mnuStat_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmQuestion::mnuAbout_Click);

    connect(PicOpenDeck, &QAbstractButton::clicked, this, &frmQuestion::PicOpenDeck_Click);
    connect(PicOptions1, &QAbstractButton::clicked, this, &frmQuestion::PicOptions1_Click);
    connect(PicExit, &QAbstractButton::clicked, this, &frmQuestion::PicExit_Click);
    connect(Command1, &QAbstractButton::clicked, this, &frmQuestion::Command1_Click);

    connect(cmdAns, &QAbstractButton::clicked, this, &frmQuestion::cmdAns_Click);
    connect(cmdRight, &QAbstractButton::clicked, this, &frmQuestion::cmdRight_Click);
    connect(cmdWrong, &QAbstractButton::clicked, this, &frmQuestion::cmdWrong_Click);
    connect(cmdEnd, &QAbstractButton::clicked, this, &frmQuestion::cmdEnd_Click);
    connect(cmdClose, &QAbstractButton::clicked, this, &frmQuestion::cmdClose_Click);
    connect(cmdDone, &QAbstractButton::clicked, this, &frmQuestion::cmdDone_Click);

    connect(mnuAdd, &QAction::triggered, this, &frmQuestion::mnuAdd_Click);
    connect(picAddDeck, &QAbstractButton::clicked, this, &frmQuestion::picAddDeck_Click);
    connect(mnuEditDeck, &QAction::triggered, this, &frmQuestion::mnuEditDeck_Click);
    connect(cmdAdd, &QAbstractButton::clicked, this, &frmQuestion::cmdAdd_Click);
    connect(cmdNext, &QAbstractButton::clicked, this, &frmQuestion::cmdNext_Click);
    connect(cmdPrev, &QAbstractButton::clicked, this, &frmQuestion::cmdPrev_Click);
    connect(cmdAddBrowse, &QAbstractButton::clicked, this, &frmQuestion::cmdAddBrowse_Click);
    connect(cmdAddDone, &QAbstractButton::clicked, this, &frmQuestion::cmdAddDone_Click);
    connect(cmdRemoveQuest, &QAbstractButton::clicked, this, &frmQuestion::cmdRemoveQuest_Click);
    connect(txtAddQuest, &QTextEdit::textChanged, this, &frmQuestion::txtAddQuest_Change);
    connect(txtAddAns, &QTextEdit::textChanged, this, &frmQuestion::txtAddAns_Change);
    connect(Timer1, &IntervalTimer::Timer, this, &frmQuestion::Timer1_Timer);
    connect(Timer2, &IntervalTimer::Timer, this, &frmQuestion::Timer2_Timer);

    // An option button's handler runs whenever it becomes selected, by a
    // click or from code; setting one off runs nothing.
    const auto onSelect = [this](QRadioButton *button, void (frmQuestion::*handler)()) {
        connect(button, &QAbstractButton::toggled, this, [this, handler](bool on) {
            if (on)
                (this->*handler)();
        });
    };
    onSelect(OptAns1, &frmQuestion::OptAns1_Click);
    onSelect(OptAns2, &frmQuestion::OptAns2_Click);
    onSelect(OptAns3, &frmQuestion::OptAns3_Click);
    onSelect(OptAns4, &frmQuestion::OptAns4_Click);
    onSelect(OptMultZero, &frmQuestion::OptMultZero_Click);
    onSelect(OptMultTwo, &frmQuestion::OptMultTwo_Click);
    onSelect(OptMultFour, &frmQuestion::OptMultFour_Click);
    onSelect(OptSortVovivIz, &frmQuestion::OptSortVovivIz_Click);
    onSelect(OptSortRandom, &frmQuestion::OptSortRandom_Click);
    onSelect(OptShowFirstQuest, &frmQuestion::OptShowFirstQuest_Click);
    onSelect(OptShowFirstAns, &frmQuestion::OptShowFirstAns_Click);
    onSelect(OptFontSmall, &frmQuestion::OptFontSmall_Click);
    onSelect(OptFontDefault, &frmQuestion::OptFontDefault_Click);
    onSelect(OptFontLarge, &frmQuestion::OptFontLarge_Click);
    // The check box's handler runs whenever its state changes.
    connect(ChkTimerEnable, &QCheckBox::toggled, this, &frmQuestion::ChkTimerEnable_Click);
}

std::unique_ptr<FileSystemObject> frmQuestion::NewFileSystem() const
{
    return makeFileSystem ? makeFileSystem() : std::make_unique<FileSystemObject>();
}

QString frmQuestion::InputBox(const QString &prompt, const QString &title)
{
    QInputDialog box(this);
    box.setObjectName(QStringLiteral("InputBox"));
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    if (box.exec() != QDialog::Accepted)
        return QString();
    return box.textValue();
}

void frmQuestion::MsgBox(const QString &text, bool informationIcon, const QString &informativeText)
{
    QMessageBox box(informationIcon ? QMessageBox::Information : QMessageBox::NoIcon,
                    QStringLiteral("Mnemora"), text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(informativeText);
    box.exec();
}

// ---- View switching ----------------------------------------------------

void frmQuestion::ShowToolbar()
{
    for (QWidget *w : {static_cast<QWidget *>(PicDeck), static_cast<QWidget *>(PicOpenDeck),
                       static_cast<QWidget *>(PicOptions1), static_cast<QWidget *>(PicExit),
                       static_cast<QWidget *>(picAddDeck)})
        w->show();
    mnuHelp->setEnabled(true);
}

void frmQuestion::HideToolbar()
{
    for (QWidget *w : {static_cast<QWidget *>(PicDeck), static_cast<QWidget *>(PicOpenDeck),
                       static_cast<QWidget *>(PicOptions1), static_cast<QWidget *>(PicExit),
                       static_cast<QWidget *>(picAddDeck)})
        w->hide();
    mnuHelp->setEnabled(false);
}

void frmQuestion::ShowStudyPanels()
{
    // The frames of the answer and choice panels stay as they were.
    fraQuestion->show();
    PicAnswer1->show();
    PicAnswer->show();
    cmdAns->show();
    cmdEnd->show();
    cmdRight->show();
    cmdWrong->show();
    cmdRight->setEnabled(false);
    cmdWrong->setEnabled(false);
}

void frmQuestion::HideStudyPanels()
{
    fraQuestion->hide();
    fraAnswer->hide();
    fraAnswer1->hide();
    fraStat->hide();
    cmdAns->hide();
    cmdEnd->hide();
    cmdRight->hide();
    cmdWrong->hide();
}

void frmQuestion::HideAnswerButtons()
{
    cmdAns->hide();
    cmdRight->hide();
    cmdWrong->hide();
}

void frmQuestion::DisableMarkButtons()
{
    cmdRight->setEnabled(false);
    cmdWrong->setEnabled(false);
}

void frmQuestion::ShowEditButtons()
{
    cmdPrev->show();
    cmdNext->show();
    cmdAddDeck->show();
    cmdAdd->show();
    cmdRemoveQuest->show();
    lblDecknameAdd->show();
    cmdAddDone->show();
}

void frmQuestion::HideEditButtons()
{
    cmdSaveCard->hide();
    lblCardRemoved->hide();
    cmdUndo->hide();
    cmdPrev->hide();
    cmdNext->hide();
    cmdAddDeck->hide();
    cmdAdd->hide();
    cmdRemoveQuest->hide();
    lblDecknameAdd->hide();
    cmdAddDone->hide();
}

// ---- Start-up and shutdown -----------------------------------------------

void frmQuestion::Form_Load()
{
    trapErrors([&] {
        SyncOptionButtons();
        HideStudyPanels();
        HideEditButtons();
        picAboutUs->hide();
        fraOptions->hide();
        fraDeck->hide();
        mnuStat->setVisible(false);
        Timer1->setEnabled(false);
        Timer2->setEnabled(false);
        lstDeck->hide();
        cmdOpen->hide();
        cmdRemove->hide();
        // The options left the check box unchecked; checking it records the
        // timer option as on.
        ChkTimerEnable->setChecked(true);
    });
}

void frmQuestion::Form_Unload()
{
    RecordRunEnd();
    DiscardStudyCopy();
}

void frmQuestion::closeEvent(QCloseEvent *event)
{
    // A card typed or corrected in the editor is not dropped unasked.
    if (!exiting_ && !ConfirmLeaveCard()) {
        event->ignore();
        return;
    }
    if (!exiting_)
        Form_Unload();
    if (rememberSize_)
        saveWindowSize();
    event->accept();
}

void frmQuestion::PicExit_Click()
{
    // Ends the program at once, without the shutdown steps; the window's
    // size is still remembered.
    exiting_ = true;
    if (rememberSize_)
        saveWindowSize();
    hide();
    QCoreApplication::exit(0);
}

// ---- About panel -----------------------------------------------------------

void frmQuestion::mnuAbout_Click()
{
    trapErrors([&] {
        SettlePendingVerdict();
        LeaveOptionsView();
        picAboutUs->show();
        mnuOpt->setEnabled(false);
        mnuDecks->setEnabled(false);
        mnuStat->setEnabled(false);
        HideToolbar();
    });
}

void frmQuestion::Command1_Click()
{
    trapErrors([&] {
        picAboutUs->hide();
        ShowToolbar();
        mnuOpt->setEnabled(true);
        mnuDecks->setEnabled(true);
        mnuStat->setEnabled(true);
    });
}

// ---- Into the options view -------------------------------------------------

void frmQuestion::mnuOpt_Click()
{
    trapErrors([&] {
        SettlePendingVerdict();
        mnuDecks->setEnabled(false);
        mnuStat->setEnabled(false);
        mnuHelp->setEnabled(false);
        fraOptions->show();
        HideToolbar();
        HideStudyPanels();
    });
}

void frmQuestion::PicOptions1_Click()
{
    trapErrors([&] {
        SettlePendingVerdict();
        fraOptions->show();
        HideToolbar();
        HideStudyPanels();
    });
}

// ---- Leaving the statistics view --------------------------------------------

void frmQuestion::cmdClose_Click()
{
    trapErrors([&] {
        HideStudyPanels();
        if (SessionEnded) {
            ShowToolbar();
            mnuStat->setVisible(false);
            fraStat->hide();
            mnuDecks->setVisible(true);
        } else if (OptMultZero->isChecked()) {
            fraQuestion->show();
            cmdAns->show();
            cmdRight->show();
            cmdWrong->show();
            cmdEnd->show();
            mnuStat->setVisible(true);
            mnuOpt->setVisible(true);
            if (AnswerShown) {
                fraAnswer1->show();
                PicAnswer1->show();
                cmdAns->hide();
                cmdRight->setEnabled(true);
                cmdWrong->setEnabled(true);
            } else {
                fraAnswer1->hide();
                PicAnswer1->hide();
                cmdAns->show();
                cmdRight->setEnabled(false);
                cmdWrong->setEnabled(false);
            }
            ResumeRun();
        } else {
            fraQuestion->show();
            fraAnswer->show();
            PicAnswer->show();
            cmdEnd->show();
            mnuStat->setVisible(true);
            mnuOpt->setVisible(true);
            ResumeRun();
        }
    });
    ShowRunPlace();
}
