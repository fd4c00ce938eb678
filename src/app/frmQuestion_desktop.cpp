// What makes the window a desktop program beyond its views: study keys,
// tooltips naming them, names for assistive technology, the tab order, the
// icon, the marked right choice with the verdict, and decks dropped on the
// window or handed to the program.

#include "app/Artwork.h"
#include "app/Widgets.h"
#include "app/frmQuestion.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QRadioButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

namespace {

// The right choice while the "Wrong" verdict shows.
const QString kRightChoiceMark = QStringLiteral("QLabel { font-weight: bold; background: #b9f0c0; }");

// Space, Return and Enter: the keys that show the answer.
bool isRevealKey(const QKeyEvent &key)
{
    return key.key() == Qt::Key_Space || key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

// The keys of the study view: the reveal keys, R, W and 1 to 4.
bool isStudyKey(const QKeyEvent &key)
{
    if (key.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    return isRevealKey(key) || key.key() == Qt::Key_R || key.key() == Qt::Key_W
           || (key.key() >= Qt::Key_1 && key.key() <= Qt::Key_4);
}

}  // namespace

void frmQuestion::setUpDesktop()
{
    // The small icons at once; the large ones (most of the drawing) once the
    // window is up, which does not wait for them.
    const auto icon = [](std::initializer_list<int> sizes) {
        QIcon drawn;
        for (const int size : sizes)
            drawn.addPixmap(QPixmap::fromImage(artwork::appIcon(size)));
        return drawn;
    };
    setWindowIcon(icon({16, 32, 48}));
    QTimer::singleShot(0, this, [this, icon] { setWindowIcon(icon({16, 32, 48, 128, 256})); });
    setAcceptDrops(true);

    cmdAns->setKeyName(QStringLiteral("Space or Return"));
    cmdEnd->setKeyName(QStringLiteral("Ctrl+E"));
    cmdSaveCard->setKeyName(QStringLiteral("Ctrl+S"));
    cmdUndo->setKeyName(QStringLiteral("Ctrl+Z"));
    cmdRight->setKeyName(QStringLiteral("R"));
    cmdWrong->setKeyName(QStringLiteral("W"));
    QRadioButton *const choices[] = {OptAns1, OptAns2, OptAns3, OptAns4};
    QLabel *const choiceLabels[] = {lblOptAns1, lblOptAns2, lblOptAns3, lblOptAns4};
    for (int i = 0; i < 4; ++i) {
        choices[i]->setAccessibleName(QStringLiteral("Choice %1").arg(i + 1));
        choices[i]->setToolTip(QStringLiteral("Choice %1 (%1)").arg(i + 1));
        choiceLabels[i]->setBuddy(choices[i]);
    }
    PicQuestions->setAccessibleName(QStringLiteral("Question card"));
    PicAnswer1->setAccessibleName(QStringLiteral("Answer card"));

    // Tab goes through each view in reading order: one chain holds them all,
    // and the controls of the views not shown are passed over.
    for (QTextEdit *box : {txtAddQuest, txtAddAns})
        box->setTabChangesFocus(true);
    const QList<QWidget *> order = {
        PicOpenDeck, picAddDeck, PicOptions1, PicExit,
        OptSortVovivIz, OptSortRandom, OptShowFirstQuest, OptShowFirstAns, OptMultZero, OptMultTwo,
        OptMultFour, OptFontSmall, OptFontDefault, OptFontLarge, ChkTimerEnable, cmdDone,
        txtAddQuest, cmdUndo, cmdAddBrowse, txtAddAns,
        OptAns1, OptAns2, OptAns3, OptAns4, cmdAns, cmdRight, cmdWrong,
        cmdPrev, cmdAdd, cmdSaveCard, cmdRemoveQuest, cmdNext, cmdEnd, cmdAddDone, cmdClose, Command1};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    // After a command the focus goes where the user goes next; these run
    // after the commands' own handlers.
    for (QAbstractButton *b : {cmdAns, cmdRight, cmdWrong})
        connect(b, &QAbstractButton::clicked, this, &frmQuestion::moveStudyFocus);
    for (QAbstractButton *b : {cmdPrev, cmdNext, cmdAdd, cmdSaveCard, cmdRemoveQuest, cmdUndo, cmdAddBrowse})
        connect(b, &QAbstractButton::clicked, this, &frmQuestion::settleEditorFocus);

    qApp->installEventFilter(this);
}

void frmQuestion::moveStudyFocus()
{
    // "Show Answer" while it is offered, then "Right"; never "End", which
    // only the user's own Tab or click puts the focus on.
    if (cmdEnd->isHidden() || !cmdEnd->isVisibleTo(this))
        return;
    for (QWidget *next : {static_cast<QWidget *>(cmdAns), static_cast<QWidget *>(cmdRight),
                          static_cast<QWidget *>(OptAns1)}) {
        if (next->isVisibleTo(this) && next->isEnabled()) {
            next->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void frmQuestion::settleEditorFocus()
{
    SyncEditorCommands();
    if (txtAddQuest->isHidden())
        return;
    QWidget *focus = focusWidget();
    if (!focus || !focus->isVisibleTo(this) || !focus->isEnabled() || focus == cmdRemoveQuest
        || focus == cmdAddDone || focus == cmdUndo)
        txtAddQuest->setFocus(Qt::OtherFocusReason);
}

QAbstractButton *frmQuestion::commandKeyTarget(const QKeyEvent &key) const
{
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier)
        return nullptr;
    QAbstractButton *target = nullptr;
    switch (key.key()) {
    case Qt::Key_E:
        target = cmdEnd;
        break;
    case Qt::Key_S:
        target = cmdSaveCard;
        break;
    case Qt::Key_Z: {
        // A text box with typing to take back keeps its own Ctrl+Z.
        auto *box = qobject_cast<QTextEdit *>(focusWidget());
        if (box && box->document()->isUndoAvailable())
            return nullptr;
        target = cmdUndo;
        break;
    }
    default:
        return nullptr;
    }
    return target->isVisibleTo(this) && target->isEnabled() ? target : nullptr;
}

QAbstractButton *frmQuestion::studyKeyTarget(const QKeyEvent &key) const
{
    if (key.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return nullptr;
    QAbstractButton *target = nullptr;
    switch (key.key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        target = cmdAns;
        break;
    case Qt::Key_R:
        target = cmdRight;
        break;
    case Qt::Key_W:
        target = cmdWrong;
        break;
    case Qt::Key_1:
    case Qt::Key_2:
    case Qt::Key_3:
    case Qt::Key_4: {
        QAbstractButton *const choices[] = {OptAns1, OptAns2, OptAns3, OptAns4};
        target = choices[key.key() - Qt::Key_1];
        break;
    }
    default:
        return nullptr;
    }
    // Only a control the user could click now: shown, in a shown panel, and
    // enabled.
    return target->isVisibleTo(this) && target->isEnabled() ? target : nullptr;
}

bool frmQuestion::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtAddAns && event->type() == QEvent::FocusOut) {
        answerBoxLeft(*static_cast<QFocusEvent *>(event));
        return false;
    }
    if (watched == lblAnsPopUp && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        const bool shown = event->type() == QEvent::Show;
        markRightChoice(shown && lblAnsPopUp->text() == QLatin1String("Wrong"));
        if (shown) {
            QAccessibleEvent named(lblAnsPopUp, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&named);
            QAccessibleEvent alert(lblAnsPopUp, QAccessible::Alert);
            QAccessible::updateAccessibility(&alert);
        }
        return false;
    }
    if (watched == cmdEnd && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        // The window losing and regaining the focus (a menu, another
        // program) leaves it as the user put it.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            endTabbed_ = event->type() == QEvent::FocusIn
                         && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason);
        return false;
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (widget->window() != this)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (QAbstractButton *command = commandKeyTarget(*key)) {
        if (!key->isAutoRepeat())
            command->click();
        return true;
    }
    // In a text box a key is text.
    for (QWidget *w = widget; w && w != this; w = w->parentWidget())
        if (qobject_cast<QTextEdit *>(w) || qobject_cast<QLineEdit *>(w))
            return false;
    if (scrollCardByKey(*key))
        return true;
    QAbstractButton *target = studyKeyTarget(*key);
    if (target) {
        if (!key->isAutoRepeat())
            target->click();
        return true;
    }
    // In the study view a study key is never passed on to the focused
    // control: a second Space after "Show Answer" must not end the run or
    // pick a choice. Only an "End" the user tabbed to takes Space or Return.
    const bool studyView = !cmdEnd->isHidden() && cmdEnd->isVisibleTo(this);
    if (!studyView || !isStudyKey(*key))
        return false;
    if (isRevealKey(*key) && focusWidget() == cmdEnd && endTabbed_ && !key->isAutoRepeat())
        cmdEnd->click();
    return true;
}

void frmQuestion::markRightChoice(bool on)
{
    for (QLabel *choice : {lblOptAns1, lblOptAns2, lblOptAns3, lblOptAns4}) {
        const bool right = on && choice->isVisibleTo(this) && choice->text() == lblAnswer->text();
        choice->setStyleSheet(right ? kRightChoiceMark : QString());
    }
}

// ---- Decks from outside ----------------------------------------------------------

QString frmQuestion::droppedDeck(const QMimeData *data) const
{
    // Only in the start view, where "Open Deck" is offered.
    if (!PicOpenDeck->isVisibleTo(this) || !PicOpenDeck->isEnabled() || !data || data->urls().size() != 1)
        return QString();
    const QUrl url = data->urls().constFirst();
    const QString suffix = QFileInfo(url.toLocalFile()).suffix().toLower();
    if (!url.isLocalFile() || !(suffix == u"xls" || suffix == u"xlsx" || suffix == u"ods"))
        return QString();
    return url.toLocalFile();
}

void frmQuestion::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedDeck(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmQuestion::dropEvent(QDropEvent *event)
{
    const QString path = droppedDeck(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop is over, so that the program the deck came from
    // is not held by a message the opening may show.
    QTimer::singleShot(0, this, [this, path] { OpenDeckFile(path); });
}
