#pragma once
// Helpers for tests that drive the real window as a user would: a program
// folder of their own, clicks on controls, and answers to the file dialog
// and the message boxes.

#include "app/frmQuestion.h"
#include "decks/xls/BiffWriter.h"
#include "decks/Workbook.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace guitest {

// Writes a deck workbook whose Sheet1 holds the given rows (question,
// answer); a null string leaves the cell out.
inline void writeDeck(const QString &path, const QList<QPair<QVariant, QVariant>> &rows)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(xls::writeWorkbookFile(decks::deckWorkbook(rows)));
}

// A program folder for one test: Images/ with the reveal pictures and
// Decks/Deck1/ with the given deck files copied in, and the template a new
// deck is copied from (a title row).
class ProgramFolder {
public:
    explicit ProgramFolder(const QStringList &decks = {})
    {
        QDir root(dir.path());
        root.mkpath(QStringLiteral("Images"));
        root.mkpath(QStringLiteral("Decks/Deck1"));
        writePicture(QStringLiteral("Images/showque.jpg"), Qt::darkGreen);
        writePicture(QStringLiteral("Images/showans.jpg"), Qt::darkBlue);
        writeDeck(path() + QStringLiteral("/Decks/default.xls"), {{"Question", "Answer"}});
        for (const QString &deck : decks)
            addDeck(deck);
    }

    QString path() const { return dir.path(); }
    QString deckPath(const QString &fileName) const { return path() + QStringLiteral("/Decks/Deck1/") + fileName; }

    // Copies a deck from the test data under the given file name.
    QString addDeck(const QString &dataName, const QString &asName = QString())
    {
        const QString target = deckPath(asName.isEmpty() ? dataName : asName);
        QFile::remove(target);
        QFile::copy(QStringLiteral(MNEMORA_TEST_DATA "/") + dataName, target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        return target;
    }

    void writePicture(const QString &relative, Qt::GlobalColor colour) const
    {
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(colour);
        image.save(path() + QLatin1Char('/') + relative, "JPG");
    }

private:
    QTemporaryDir dir;
};

// The answers still waiting for their modal window.
inline QList<QPointer<QTimer>> &pollers()
{
    static QList<QPointer<QTimer>> list;
    return list;
}

// Stops every answer still waiting; a test calls it when it ends, so that
// nothing it left waiting answers a dialog of the next test.
inline void stopPollers()
{
    for (const QPointer<QTimer> &timer : pollers())
        if (timer)
            timer->deleteLater();
    pollers().clear();
}

// Runs action on the next modal window of type T that comes up, polling
// from the event loop; other modal windows are passed over. Nothing happens
// if none comes in time.
template <typename T>
void onNextModal(std::function<void(T *)> action, int timeoutMs = 10000)
{
    auto *timer = new QTimer(qApp);
    pollers().append(timer);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, clock, action, timeoutMs] {
        auto *modal = qobject_cast<T *>(QApplication::activeModalWidget());
        if (modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
}

// What a message box showed.
struct Message {
    bool shown = false;
    QString title;
    QString text;
    QString informative;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers the next message box with OK and records it in the result.
inline std::shared_ptr<Message> answerMessageBox(std::shared_ptr<Message> into = std::make_shared<Message>(),
                                                 int timeoutMs = 10000)
{
    onNextModal<QMessageBox>(
        [into](QMessageBox *box) {
            into->shown = true;
            into->title = box->windowTitle();
            into->text = box->text();
            into->informative = box->informativeText();
            into->icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        },
        timeoutMs);
    return into;
}

// Answers the next open-file dialog by typing path into its file-name box
// and pressing Enter; an empty path cancels it. A message box that follows
// at once is answered with OK and recorded in the result. The dialog's
// folder and filters go where asked.
inline std::shared_ptr<Message> answerFileDialog(const QString &path, QString *dialogFolder = nullptr,
                                                 QStringList *nameFilters = nullptr)
{
    auto message = std::make_shared<Message>();
    onNextModal<QFileDialog>([path, dialogFolder, nameFilters, message](QFileDialog *dialog) {
        if (dialogFolder)
            *dialogFolder = dialog->directory().absolutePath();
        if (nameFilters)
            *nameFilters = dialog->nameFilters();
        answerMessageBox(message, 3000);
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        edit->setText(path);
        QTest::keyClick(edit, Qt::Key_Return);
        if (dialog->isVisible())
            QMetaObject::invokeMethod(dialog, "accept");
    });
    return message;
}

inline void click(QAbstractButton *button)
{
    QVERIFY2(button, "no such button");
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// Clicks a radio button or check box at its indicator, where a click always
// lands whatever room a layout gave the control.
inline void clickIndicator(QAbstractButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    const bool radio = qobject_cast<QRadioButton *>(button) != nullptr;
    const QRect r = button->style()->subElementRect(
        radio ? QStyle::SE_RadioButtonClickRect : QStyle::SE_CheckBoxClickRect, &option, button);
    QTest::mouseClick(button, Qt::LeftButton, {}, r.center());
}

// A menu item as the user reaches it.
inline void trigger(QAction *action)
{
    QVERIFY2(action, "no such menu item");
    QVERIFY(action->isVisible());
    QVERIFY(action->isEnabled());
    action->trigger();
}

// Opens a deck the way a user does: "Open Deck", then the file typed into
// the dialog.
inline std::shared_ptr<Message> openDeck(frmQuestion &w, const QString &path)
{
    auto message = answerFileDialog(path);
    click(w.findChild<QAbstractButton *>(QStringLiteral("PicOpenDeck")));
    stopPollers();  // the opening is over: nothing more to answer for it
    return message;
}

// Common set-up for a GUI test program.
inline void initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

}  // namespace guitest
