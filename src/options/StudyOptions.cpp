#include "options/StudyOptions.h"

#include <algorithm>

namespace options {

Choices choicesOf(const QString &choiceMode)
{
    if (choiceMode == QLatin1String("0"))
        return Choices::Off;
    if (choiceMode == QLatin1String("2"))
        return Choices::Two;
    if (choiceMode == QLatin1String("4"))
        return Choices::Four;
    return Choices::Unset;
}

QString choiceModeValue(Choices choices)
{
    switch (choices) {
    case Choices::Off: return QStringLiteral("0");
    case Choices::Two: return QStringLiteral("2");
    case Choices::Four: return QStringLiteral("4");
    case Choices::Unset: break;
    }
    return QString();
}

bool offersChoices(const QString &choiceMode)
{
    const Choices c = choicesOf(choiceMode);
    return c == Choices::Two || c == Choices::Four;
}

Font fontOf(const QString &fontSize)
{
    if (fontSize == QLatin1String("S"))
        return Font::Small;
    if (fontSize == QLatin1String("D"))
        return Font::Default;
    if (fontSize == QLatin1String("L"))
        return Font::Large;
    return Font::Unset;
}

QString fontSizeValue(Font font)
{
    switch (font) {
    case Font::Small: return QStringLiteral("S");
    case Font::Default: return QStringLiteral("D");
    case Font::Large: return QStringLiteral("L");
    case Font::Unset: break;
    }
    return QString();
}

std::optional<double> requestedPoints(Font font)
{
    switch (font) {
    case Font::Small: return kSmallPoints;
    case Font::Default: return kDefaultPoints;
    case Font::Large: return kLargePoints;
    case Font::Unset: break;
    }
    return std::nullopt;
}

double renderedPoints(double requested, double logicalDpi)
{
    if (logicalDpi <= 0)
        return requested;
    return std::max(requested, kLegiblePixels * 72.0 / logicalDpi);
}

Record choose(Record record, Pick pick)
{
    const bool choicesOn = offersChoices(record.ChoiceMode);
    // A font picked while multiple choice is on waits as Small until the
    // options view is left.
    const auto pickFont = [&](Font font) {
        record.FontSize = fontSizeValue(choicesOn ? Font::Small : font);
        record.ChoiceMode = choiceModeValue(Choices::Off);
    };
    switch (pick) {
    case Pick::ChoicesOff:
        record.ChoiceMode = choiceModeValue(Choices::Off);
        break;
    case Pick::TwoChoices:
    case Pick::FourChoices:
        record.ChoiceMode = choiceModeValue(pick == Pick::TwoChoices ? Choices::Two : Choices::Four);
        record.ShowAnswerFirst = false;
        record.FontSize = fontSizeValue(Font::Small);
        break;
    case Pick::QuestionFirst:
        record.ShowAnswerFirst = false;
        break;
    case Pick::AnswerFirst:
        record.ShowAnswerFirst = true;
        record.ChoiceMode = choiceModeValue(Choices::Off);
        break;
    case Pick::SmallFont:
        record.FontSize = fontSizeValue(Font::Small);
        break;
    case Pick::DefaultFont:
        pickFont(Font::Default);
        break;
    case Pick::LargeFont:
        pickFont(Font::Large);
        break;
    case Pick::VovivIzOrder:
    case Pick::RandomOrder:
        record.SortMode = pick == Pick::RandomOrder;
        break;
    case Pick::TimerOn:
    case Pick::TimerOff:
        record.TimerOn = pick == Pick::TimerOn;
        break;
    }
    return record;
}

QString fontOnLeaving(const Record &record, Font selected)
{
    if (choicesOf(record.ChoiceMode) != Choices::Off || selected == Font::Unset)
        return record.FontSize;
    return fontSizeValue(selected);
}

}  // namespace options
