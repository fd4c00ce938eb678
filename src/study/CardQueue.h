#pragma once
// The card order of a study run, without any widget: the VovivIz queue, the
// wrapping of neighbour card numbers, and where a card's picture is found.

#include <QString>
#include <QVector>

namespace study {

// How many other cards come before a card answered wrong comes back:
// two fifths of the deck, rounded (0.4 x N is never halfway).
int reinsertionPlace(int cardCount);

// Fills the queue with the identity order 0 .. cardCount - 1.
void setUpQueue(QVector<qint16> &order, int cardCount);

// Moves the card at the head of the queue after it was answered: to the
// back when right, behind reinsertionPlace() other cards when wrong. The
// queue keeps indexes 0 to cardCount (the last one is never read). Returns
// the card that left the head. Throws StepFailed when the queue is empty.
qint16 advanceQueue(QVector<qint16> &order, int cardCount, bool answeredWrong);

// The remainder of a whole-number division with the sign of the dividend.
// Throws StepFailed when divisor is 0.
int remainder(int dividend, int divisor);

// A question text that holds a backslash names a picture.
bool isPictureReference(const QString &questionText);

// The file of a picture reference. A reference with ":\" is a full path and
// is taken as it stands; any other is a path under the program folder,
// normally "\Images\" and a file name, whose backslashes become this
// platform's separators.
QString picturePath(const QString &appPath, const QString &reference);

}  // namespace study
