#include "decks/StudyCopy.h"

#include "decks/DeckStore.h"

#include <QVariant>

namespace decks {
namespace {

constexpr int kMaxCount = 32767;  // counts are 16-bit signed

bool isXmlChar(char16_t c)
{
    if (c < 0x20)
        return c == u'\t' || c == u'\n' || c == u'\r';
    return c != 0xFFFE && c != 0xFFFF;
}

// Appends the text escaped, dropping what XML cannot hold; `quote` is what
// a double quote becomes. Every replaced character is one the earlier
// replacements never write, so one pass gives the same text as the steps one
// after the other. Runs of plain characters are copied whole.
void appendEscaped(QString &out, QStringView text, QLatin1String quote)
{
    const qsizetype n = text.size();
    const char16_t *p = text.utf16();
    qsizetype run = 0;  // start of the pending run of plain characters
    auto flush = [&](qsizetype i) {
        if (i > run)
            out.append(QStringView(p + run, i - run));
    };
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c >= 0x20 && c < 0xD800 && c != u'&' && c != u'"' && c != u'<' && c != u'>' && c != 0x2013)
            continue;
        if (c >= 0xE000 && c < 0xFFFE)
            continue;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            ++i;
            continue;
        }
        flush(i);
        run = i + 1;
        switch (c) {
        case u'&':
            out.append(QLatin1String("&amp;"));
            break;
        case u'"':
            out.append(quote);
            break;
        case u'<':
            out.append(QLatin1String("&lt;"));
            break;
        case u'>':
            out.append(QLatin1String("&gt;"));
            break;
        case 0x2013:  // en dash
            out.append(u'-');
            break;
        case u'\t':
        case u'\n':
        case u'\r':
            out.append(QChar(c));
            break;
        default:
            break;  // a character XML cannot hold
        }
    }
    flush(n);
}

QString escape(const QString &text, QLatin1String quote)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    appendEscaped(out, text, quote);
    return out;
}

void raise(int &count)
{
    if (count >= kMaxCount)
        throw DeckError("The deck has too many rows.");
    ++count;
}

}  // namespace

const QString kStudyCopyDeclaration = QStringLiteral("<?xml version='1.0' encoding='UTF-8'?>");
const QString kEmptyStudyCopy = QStringLiteral("<?xml version='1.0' encoding='UTF-8'?><Root></Root>");

QString removeNonXmlCharacters(const QString &text)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char16_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
                out.append(text.at(i));
                out.append(text.at(++i));
            }
        } else if (!QChar::isLowSurrogate(c) && isXmlChar(c)) {
            out.append(QChar(c));
        }
    }
    return out;
}

QString escapeQuestion(const QString &text) { return escape(text, QLatin1String("")); }
QString escapeAnswer(const QString &text) { return escape(text, QLatin1String("&quot;")); }

bool isEmptyCell(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return true;
    if (value.typeId() == QMetaType::QString)
        return value.toString().isEmpty();
    return false;
}

QString buildStudyCopyText(DeckRecordset &rs)
{
    QString doc = kStudyCopyDeclaration + QLatin1String("<Root>");

    // Counting pass: the rows whose first cell is filled make the limit.
    int limit = 0;
    if (!(rs.BOF() && rs.EOF_())) {
        rs.MoveFirst();
        while (!rs.EOF_()) {
            if (!isEmptyCell(rs.Field(0)))
                raise(limit);
            rs.MoveNext();
        }
        rs.MoveFirst();
    }

    // Building pass. A card takes some 60 characters of markup and text.
    doc.reserve(doc.size() + 64 * static_cast<qsizetype>(limit) + 16);
    while (!rs.EOF_()) {
        if (rs.AbsolutePosition() > limit)
            break;
        const QVariant q = rs.Field(0);
        const QVariant a = rs.Field(1);
        if (isEmptyCell(q) || isEmptyCell(a)) {
            raise(limit);
            rs.MoveNext();
            continue;
        }
        const QString question = fieldText(q);
        const QString answer = fieldText(a);
        if (question != QLatin1String("Question") && answer != QLatin1String("Answer")) {
            doc += QLatin1String("<Card><Que>");
            appendEscaped(doc, question, QLatin1String(""));
            doc += QLatin1String("</Que><Ans>");
            appendEscaped(doc, answer, QLatin1String("&quot;"));
            doc += QLatin1String("</Ans></Card>");
            if (doc.size() > kMaxStudyCopyLength)
                throw DeckError("The deck is too large to be studied.");
        }
        rs.MoveNext();
    }
    doc += QLatin1String("</Root>");
    return doc;
}

}  // namespace decks
