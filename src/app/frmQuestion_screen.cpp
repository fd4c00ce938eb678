// The window on the screen: a layout that grows with the window, the size
// remembered between runs, the title and the line that tell where a run
// stands, the verdict drawn so that anyone can read it, the options view
// from the keyboard, and the About panel's facts.

#include "app/Widgets.h"
#include "app/frmQuestion.h"
#include "decks/OpenFailure.h"
#include "options/StudyOptions.h"
#include "stats/PieChart.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>

#include <functional>

namespace {

// The client area of the window, in twips.
constexpr int kClientWidth = 6555;
constexpr int kClientHeight = 5535;

// The dynamic properties a placed control keeps: its geometry in pixels at
// zoom 1, and the point size of a font of its own at zoom 1.
constexpr const char *kUnscaledGeometry = "unscaledGeometry";
constexpr const char *kUnscaledPointSize = "unscaledPointSize";

// The settings: the window's size and nothing else.
constexpr const char *kSizeKey = "window/size";
constexpr const char *kMaximizedKey = "window/maximized";

QSettings settings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("mnemora"),
                     QStringLiteral("mnemora"));
}

// The widget that fills the window: the window's backdrop, with the client
// area centred on it at the zoom that fits.
class ClientHost : public PictureBox {
public:
    ClientHost(QWidget *parent, std::function<void()> resized)
        : PictureBox(artwork::Backdrop::Window, parent), resized_(std::move(resized))
    {
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        PictureBox::resizeEvent(event);
        resized_();
    }

private:
    std::function<void()> resized_;
};

QRect scaled(const QRect &r, double zoom)
{
    return QRect(qRound(r.x() * zoom), qRound(r.y() * zoom), qRound(r.width() * zoom), qRound(r.height() * zoom));
}

// Whether a control was placed in twips and keeps its place when zoomed.
bool isPlaced(const QWidget *w)
{
    return w->property(kUnscaledGeometry).isValid();
}

// Tab into a group of option buttons lands on the selected one, as the
// arrows then move from there.
class TabToSelected : public QObject {
public:
    explicit TabToSelected(QButtonGroup *group) : QObject(group), group_(group) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::FocusIn)
            return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        QAbstractButton *selected = group_->checkedButton();
        if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) && selected && selected != watched)
            // Once the focus move that brought it here is over.
            QMetaObject::invokeMethod(selected, [selected, reason] { selected->setFocus(reason); }, Qt::QueuedConnection);
        return false;
    }

private:
    QButtonGroup *group_;
};

}  // namespace

// ---- A layout that grows with the window -------------------------------------

QWidget *frmQuestion::buildClientArea()
{
    clientHost_ = new ClientHost(this, [this] { applyZoom(); });
    clientHost_->setObjectName(QStringLiteral("clientHost"));
    clientHost_->setMinimumSize(twipsX(kClientWidth), twipsY(kClientHeight));
    setCentralWidget(clientHost_);
    client_ = new QWidget(clientHost_);
    client_->setObjectName(QStringLiteral("client"));
    client_->setGeometry(0, 0, twipsX(kClientWidth), twipsY(kClientHeight));
    resize(minimumSizeHint());
    return client_;
}

QRect frmQuestion::unscaledGeometry(const QWidget *w)
{
    return w->property(kUnscaledGeometry).toRect();
}

void frmQuestion::setUnscaledGeometry(QWidget *w, const QRect &geometry) const
{
    w->setProperty(kUnscaledGeometry, geometry);
    w->setGeometry(scaled(geometry, zoom_));
}

void frmQuestion::growToSizeHint(QWidget *w) const
{
    // Sizes hinted at zoom 1: the window is built before it is zoomed.
    const QRect r = unscaledGeometry(w);
    const QSize hint = w->sizeHint();
    setUnscaledGeometry(w, QRect(r.topLeft(), r.size().expandedTo(hint)));
}

void frmQuestion::setUnscaledFont(QWidget *w, QFont font, double pointSize) const
{
    w->setProperty(kUnscaledPointSize, pointSize);
    font.setPointSizeF(pointSize * zoom_);
    w->setFont(font);
}

void frmQuestion::applyZoom()
{
    if (!client_)
        return;
    const QSize design(twipsX(kClientWidth), twipsY(kClientHeight));
    const QSize room = clientHost_->size();
    zoom_ = qMax(1.0, qMin(double(room.width()) / design.width(), double(room.height()) / design.height()));
    const QSize size(qRound(design.width() * zoom_), qRound(design.height() * zoom_));
    client_->setGeometry((room.width() - size.width()) / 2, (room.height() - size.height()) / 2, size.width(),
                         size.height());

    // The controls without a font of their own follow the client area's.
    QFont base = QApplication::font();
    if (base.pointSizeF() > 0)
        base.setPointSizeF(base.pointSizeF() * zoom_);
    else
        base.setPixelSize(qRound(base.pixelSize() * zoom_));
    client_->setFont(base);
    stats::setChartFont(chMnemora, base);
    ZoomHistoryChart(base);

    const auto controls = client_->findChildren<QWidget *>();
    for (QWidget *w : controls) {
        if (isPlaced(w))
            w->setGeometry(scaled(unscaledGeometry(w), zoom_));
        const QVariant points = w->property(kUnscaledPointSize);
        if (points.isValid()) {
            QFont f = w->font();
            f.setPointSizeF(points.toDouble() * zoom_);
            w->setFont(f);
        }
    }
    // The card texts: the size the font option asks for, at the zoom; never
    // drawn smaller than the legible floor, at the zoom too.
    for (WrapLabel *card : {lblQuestion, lblAnswer}) {
        if (!card)
            continue;
        const QVariant requested = card->property(kRequestedPointSize);
        if (requested.isValid())
            RequestPointSize(card, requested.toDouble());
        card->setFloorPointSize(options::kLegiblePixels * 72.0 / logicalDpiY() * zoom_);
    }
    if (OptAns1 && OptAns1->property(kRequestedPointSize).isValid())
        for (QRadioButton *o : {OptAns1, OptAns2, OptAns3, OptAns4})
            RequestPointSize(o, o->property(kRequestedPointSize).toDouble());
}

// ---- The size remembered -------------------------------------------------------

void frmQuestion::RememberSize()
{
    rememberSize_ = true;
    QSettings s = settings();
    const QSize size = s.value(QLatin1String(kSizeKey)).toSize();
    if (size.isValid())
        resize(size.expandedTo(minimumSizeHint()));
    if (s.value(QLatin1String(kMaximizedKey)).toBool())
        setWindowState(windowState() | Qt::WindowMaximized);
}

void frmQuestion::saveWindowSize()
{
    QSettings s = settings();
    const bool maximized = isMaximized();
    s.setValue(QLatin1String(kMaximizedKey), maximized);
    if (!maximized)
        s.setValue(QLatin1String(kSizeKey), size());
    s.sync();
    // A size that cannot be kept is no reason to keep the program from
    // ending: it is said, and the next start opens at the design size.
    if (s.status() != QSettings::NoError)
        qWarning("mnemora: the window's size could not be saved in %s", qPrintable(s.fileName()));
}

// ---- Where the run stands ---------------------------------------------------------

void frmQuestion::ShowRunPlace()
{
    const QString suffix = QStringLiteral(" \u2014 Mnemora");
    const bool editing = !cmdAddDone->isHidden() && !lblDecknameAdd->text().isEmpty();
    const bool running = runInProgress_ && !mod.DeckName.isEmpty() && !editing;
    if (editing)
        setWindowTitle(lblDecknameAdd->text() + suffix);
    else if (running)
        setWindowTitle(mod.DeckName + suffix);
    else
        setWindowTitle(QStringLiteral("Mnemora"));
    const int right = mod.RightCount, wrong = mod.WrongCount;
    lblProgress->setText(QStringLiteral("Card %1 \u00b7 %2 right \u00b7 %3 wrong").arg(right + wrong + 1).arg(right).arg(wrong));
    lblProgress->setVisible(running);
}

QString frmQuestion::OpenFailureText(const QString &path) const
{
    return decks::openFailureSentence(path, decks::classifyOpenFailure(path));
}

// ---- The card texts from the keyboard --------------------------------------------

bool frmQuestion::scrollCardByKey(const QKeyEvent &key)
{
    if (key.key() != Qt::Key_Up && key.key() != Qt::Key_Down && key.key() != Qt::Key_PageUp
        && key.key() != Qt::Key_PageDown)
        return false;
    if (!fraQuestion->isVisibleTo(this) || !fraOptions->isHidden() || !cmdAddDone->isHidden())
        return false;
    // The question panel's text when it has more to show, else the answer's.
    WrapLabel *card = lblQuestion->isVisibleTo(this) && lblQuestion->maxScroll() > 0 ? lblQuestion : lblAnswer;
    if (!card->isVisibleTo(this))
        return false;
    const int line = QFontMetrics(card->fittedFont()).lineSpacing();
    const bool page = key.key() == Qt::Key_PageUp || key.key() == Qt::Key_PageDown;
    const int step = page ? qMax(line, card->height() - line) : line;
    const bool down = key.key() == Qt::Key_Down || key.key() == Qt::Key_PageDown;
    card->scrollBy(down ? step : -step);
    return true;  // never a choice picked by an arrow
}

// ---- The options view from the keyboard -------------------------------------------

void frmQuestion::setUpOptionsKeyboard()
{
    // Each group is a button group of its own: Tab stops once in it, at the
    // selected button, and the arrows move the selection within it.
    const QList<QList<QRadioButton *>> groups = {{OptSortVovivIz, OptSortRandom},
                                                 {OptShowFirstQuest, OptShowFirstAns},
                                                 {OptMultZero, OptMultTwo, OptMultFour},
                                                 {OptFontSmall, OptFontDefault, OptFontLarge}};
    for (const QList<QRadioButton *> &group : groups) {
        auto *buttons = new QButtonGroup(this);
        auto *tab = new TabToSelected(buttons);
        for (QRadioButton *b : group) {
            buttons->addButton(b);
            b->installEventFilter(tab);
        }
    }
    const QList<QPair<QAbstractButton *, const char *>> tips = {
        {OptSortVovivIz, "VovivIz: a card answered wrong comes back soon; a card answered right goes to the back"},
        {OptSortRandom, "Random: every card is drawn at random from the whole deck"},
        {OptShowFirstQuest, "Question: the question is shown and the answer revealed"},
        {OptShowFirstAns, "Answer: the answer is shown and the question revealed (no multiple choice)"},
        {OptMultZero, "0: no choices; reveal the answer and mark it right or wrong"},
        {OptMultTwo, "2: pick the answer among two choices (question first, small font)"},
        {OptMultFour, "4: pick the answer among four choices (question first, small font)"},
        {OptFontSmall, "Small: the card texts in the small font"},
        {OptFontDefault, "Default: the card texts in the default font (no multiple choice)"},
        {OptFontLarge, "Large: the card texts in the large font (no multiple choice)"},
        {ChkTimerEnable, "Enable: the statistics show how long the run took"},
    };
    for (const auto &[button, tip] : tips)
        button->setToolTip(QString::fromUtf8(tip));
}

// ---- The About panel ------------------------------------------------------------

void frmQuestion::fillAboutPanel()
{
    // The program folder in use: where the decks and pictures are.
    Label12->setText(QStringLiteral("Mnemora v %1").arg(QStringLiteral(MNEMORA_VERSION)));
    // No web address: Label14 stays empty, and Label13's caption runs over
    // its room.
    Label13->setText(QStringLiteral("Your decks and pictures are in"));
    growToSizeHint(Label13);
    Label14->clear();
    const QString folder = QDir::toNativeSeparators(AppPath());
    Label15->setText(Label15->fontMetrics().elidedText(folder, Qt::ElideMiddle, Label15->width()));
    Label15->setToolTip(folder);
}
