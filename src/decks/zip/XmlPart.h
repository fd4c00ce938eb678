#pragma once
// Pulling the XML parts of a ZIP-packaged workbook through QXmlStreamReader,
// one token at a time. A part with a document type declaration is refused
// (no entity of any kind is expanded), as is one that is not well-formed.

#include "decks/xls/Workbook.h"

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
            throw xls::XlsError("the card sheet expands past what a deck can hold");
    }

private:
    qint64 left_ = kMaxCardSheetText;
};

class XmlPart {
public:
    // The part's bytes are decoded at once (UTF-8, as the formats write
    // them): the reader is quicker on text than on bytes.
    explicit XmlPart(const QByteArray &xml) : text_(QString::fromUtf8(xml)), reader_(text_) {}

    // The next token; false at the end of the document. Throws for a DTD
    // and for XML that is not well-formed.
    bool next()
    {
        if (reader_.atEnd())
            return check(false);
        const QXmlStreamReader::TokenType t = reader_.readNext();
        if (t == QXmlStreamReader::DTD || t == QXmlStreamReader::EntityReference)
            throw xls::XlsError("a part of the workbook declares a document type");
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
    // Skips the rest of the current element.
    void skip()
    {
        for (int depth = 1; depth > 0 && next();) {
            if (reader_.isStartElement())
                ++depth;
            else if (reader_.isEndElement())
                --depth;
        }
    }
    QStringView name() const { return reader_.name(); }
    QStringView namespaceUri() const { return reader_.namespaceUri(); }
    // An attribute of the current start element by its qualified name, or by
    // namespace and local name; empty when it is absent.
    QStringView attribute(QStringView qualified) const { return find(nullptr, qualified); }
    QStringView attribute(QStringView ns, QStringView local) const { return find(&ns, local); }
    bool hasAttribute(QStringView ns, QStringView local) const { return !find(&ns, local).isNull(); }
    QXmlStreamReader &reader() { return reader_; }

private:
    QStringView find(const QStringView *ns, QStringView name) const
    {
        const QXmlStreamAttributes attributes = reader_.attributes();  // shared, not copied
        for (const QXmlStreamAttribute &a : attributes) {
            if (ns ? a.namespaceUri() == *ns && a.name() == name : a.qualifiedName() == name)
                return a.value().isNull() ? QStringView(u"") : a.value();
        }
        return {};
    }
    bool check(bool more)
    {
        if (reader_.hasError())
            throw xls::XlsError("a part of the workbook is not well-formed XML");
        return more;
    }
    QString text_;
    QXmlStreamReader reader_;
};

}  // namespace deckzip
