#pragma once
// The study options record and the rules that couple its settings, without
// any widget. The record keeps its settings as the strings and flags the
// program has always stored ("0"/"2"/"4" choices, "S"/"D"/"L" font); every
// comparison goes through choicesOf() and fontOf().

#include <QString>

#include <optional>

namespace options {

// How many answers are offered. Unset is the empty record before start-up
// (or any other value); it behaves as Off everywhere but in Done.
enum class Choices { Unset, Off, Two, Four };
Choices choicesOf(const QString &choiceMode);
QString choiceModeValue(Choices choices);
// Two or four choices: the multiple-choice modes.
bool offersChoices(const QString &choiceMode);

enum class Font { Unset, Small, Default, Large };
Font fontOf(const QString &fontSize);
QString fontSizeValue(Font font);

// The point sizes the font option requests for the card labels.
constexpr double kSmallPoints = 4;
constexpr double kDefaultPoints = 13;
constexpr double kLargePoints = 16;
// The requested size of a font option; none for Unset.
std::optional<double> requestedPoints(Font font);

// The smallest text height, in logical pixels, that the screen's fonts show
// legibly; about 8 points at 96 dots per inch.
constexpr double kLegiblePixels = 11;
// The size a request is drawn at on a screen of the given logical DPI: the
// request itself, or the smallest legible size when it asks for less.
double renderedPoints(double requested, double logicalDpi);

// The five settings of a study run.
struct Record {
    QString ChoiceMode;
    bool SortMode = false;
    bool ShowAnswerFirst = false;
    QString FontSize;
    bool TimerOn = false;
    bool operator==(const Record &) const = default;
};

// What the user picks in the options view.
enum class Pick {
    ChoicesOff, TwoChoices, FourChoices,
    QuestionFirst, AnswerFirst,
    SmallFont, DefaultFont, LargeFont,
    VovivIzOrder, RandomOrder,
    TimerOn, TimerOff,
};

// The record after the user picks one setting: two or four choices put the
// question first in the small font; the answer first, or a Default or Large
// font, switch multiple choice off; a font picked while multiple choice was
// on stays Small until the view is left (see fontOnLeaving()).
Record choose(Record record, Pick pick);

// The font size kept when the options view is left in the question-and-
// answer mode: the font whose button is selected.
QString fontOnLeaving(const Record &record, Font selected);

}  // namespace options
