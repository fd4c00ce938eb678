#pragma once
// Pulling the XML parts of a ZIP-packaged workbook through QXmlStreamReader,
// one token at a time. A part with a document type declaration is refused
// (no entity of any kind is expanded), as is one that is not well-formed.

#include "decks/Workbook.h"

#include <QByteArray>
#include <QStringView>
#include <QXmlStreamReader>

namespace deckzip {

// The characters all cells of the card sheet may hold together, counting a
// text as often as cells repeat or share it: a small file must not expand
// into a study copy of gigabytes.
inline constexpr qint64 kMaxCardSheetText = qint64(32) << 20;

// Counts the characters of the cells taken from the card sheet against
// kMaxCardSheetText; throws once they pass it.
class TextBudget {
public:
    void spend(qint64 characters)
    {
        left_ -= characters;
        if (left_ < 0)
            throw decks::FormatError("the card sheet expands past what a deck can hold",
                                     decks::FormatError::Kind::TooLarge);
    }

private:
    qint64 left_ = kMaxCardSheetText;
};

// How deeply elements may nest inside a cell's text (spans in a paragraph,
// runs in a string) or in a table's row groups. Deeper is taken as damage:
// no spreadsheet program writes that.
inline constexpr int kMaxNesting = 64;

// Throws when a cell's text of `have` characters cannot take `more`: past
// the characters a cell may hold (decks::kMaxCellText) a file is refused as
// damaged rather than shown cut short.
inline void checkCellRoom(qsizetype have, qsizetype more)
{
    if (more > decks::kMaxCellText - have)
        throw decks::FormatError("a cell holds more than 32,767 characters");
}

inline void appendCellText(QString &text, QStringView more)
{
    checkCellRoom(text.size(), more.size());
    text += more;
}

class XmlPart {
public:
    // The reader takes the part's bytes as they are (UTF-8, as the formats
    // write them): decoding them first would only have them encoded again.
    explicit XmlPart(const QByteArray &xml) : reader_(xml) {}

    // The next token; false at the end of the document. Throws for a DTD
    // and for XML that is not well-formed.
    bool next()
    {
        if (reader_.atEnd())
            return check(false);
        const QXmlStreamReader::TokenType t = reader_.readNext();
        if (t == QXmlStreamReader::DTD || t == QXmlStreamReader::EntityReference)
            throw decks::FormatError("a part of the workbook declares a document type");
        return check(t != QXmlStreamReader::Invalid && t != QXmlStreamReader::EndDocument);
    }
    // Moves to the next start element inside the current element; false at
    // the current element's end.
    bool nextChild()
    {
        while (next()) {
            if (reader_.isStartElement())
                return true;
            if (reader_.isEndElement())
                return false;
        }
        return false;
    }
    // Skips the rest of the current element. A document type can only come
    // before the root element, so none can hide in what is skipped.
    void skip()
    {
        reader_.skipCurrentElement();
        check(true);
    }
    // The text of the element the reader stands on (at its start tag), up to
    // its end tag: its characters and those of every element inside it, in
    // order. Throws when elements nest more than kMaxNesting deep inside it
    // or the text passes the characters a cell may hold. It keeps a count of
    // the open elements, not a call per level, so no depth costs stack.
    QString elementText()
    {
        QString text;
        int depth = 0;
        while (next()) {
            if (isStartElement()) {
                if (++depth > kMaxNesting)
                    throw decks::FormatError("elements nested too deeply");
            } else if (isEndElement()) {
                if (depth-- == 0)
                    break;
            } else if (isCharacters()) {
                appendCellText(text, this->text());
            }
        }
        return text;
    }
    QStringView name() const { return reader_.name(); }
    QStringView namespaceUri() const { return reader_.namespaceUri(); }
    bool isStartElement() const { return reader_.isStartElement(); }
    bool isEndElement() const { return reader_.isEndElement(); }
    bool isCharacters() const { return reader_.isCharacters(); }
    QStringView text() const { return reader_.text(); }
    // The attributes of the current start element, for elements that read
    // several of them (fetching them costs a list).
    QXmlStreamAttributes attributes() const { return reader_.attributes(); }
    // An attribute of the current start element by its qualified name, or by
    // namespace and local name; empty when it is absent.
    QStringView attribute(QStringView qualified) const { return valueOf(reader_.attributes(), qualified); }
    QStringView attribute(QStringView ns, QStringView local) const
    {
        return valueOf(reader_.attributes(), ns, local);
    }
    QXmlStreamReader &reader() { return reader_; }

    // The value of an attribute in a list, by qualified name or by namespace
    // and local name: empty when present without a value, null when absent.
    static QStringView valueOf(const QXmlStreamAttributes &attributes, QStringView qualified)
    {
        for (const QXmlStreamAttribute &a : attributes)
            if (a.qualifiedName() == qualified)
                return present(a);
        return {};
    }
    static QStringView valueOf(const QXmlStreamAttributes &attributes, QStringView ns, QStringView local)
    {
        for (const QXmlStreamAttribute &a : attributes)
            if (a.name() == local && a.namespaceUri() == ns)
                return present(a);
        return {};
    }

private:
    static QStringView present(const QXmlStreamAttribute &a)
    {
        return a.value().isNull() ? QStringView(u"") : a.value();
    }
    bool check(bool more)
    {
        if (reader_.hasError())
            throw decks::FormatError("a part of the workbook is not well-formed XML");
        return more;
    }
    QXmlStreamReader reader_;
};

}  // namespace deckzip
