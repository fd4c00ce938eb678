#pragma once
// Pulling the XML parts of a ZIP-packaged workbook one token at a time,
// parsed by libxml2's push parser: a part is inflated into the parser a
// chunk at a time, never held whole, and the tokens of one chunk wait in a
// short queue until they are pulled. A part with a document type
// declaration is refused (no entity of any kind is expanded), as is one
// that is not well-formed, one nested deeper than the parser's limit, or
// one that inflates past its cap: the parser stops at the first of these.
//
// Names and namespace URIs come as the part's own UTF-8 bytes, for
// comparing with ASCII names at no cost: compare them, do not keep them.
// Texts and attribute values are decoded when asked for and stay valid
// until the part moves on.

#include "decks/Workbook.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

struct _xmlParserCtxt;

namespace deckzip {

class ZipArchive;
class ZipStream;

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
    // The entry `name` of the archive, inflated as it is read, up to
    // maxSize bytes. Throws when it is missing or cannot be opened.
    XmlPart(const ZipArchive &zip, const QString &name, qint64 maxSize);
    // A part already in memory (UTF-8, as the formats write it).
    explicit XmlPart(const QByteArray &xml);
    ~XmlPart();
    XmlPart(const XmlPart &) = delete;
    XmlPart &operator=(const XmlPart &) = delete;

    // The next token; false at the end of the document. Throws for a DTD,
    // an entity reference, XML that is not well-formed and a part past its
    // cap or damaged. An empty element gives a start and an end, as any
    // other.
    bool next();
    // Moves to the next start element inside the current element; false at
    // the current element's end.
    bool nextChild()
    {
        while (next()) {
            if (current_.kind == Kind::Start)
                return true;
            if (current_.kind == Kind::End)
                return false;
        }
        return false;
    }
    // Skips the rest of the current start element: the part stands on its
    // end. A document type can only come before the root element, so none
    // can hide in what is skipped.
    void skip();
    // The text of the element the part stands on (at its start tag), up to
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

    QLatin1String name() const { return current_.name; }
    QLatin1String namespaceUri() const { return current_.namespaceUri; }
    bool isStartElement() const { return current_.kind == Kind::Start; }
    bool isEndElement() const { return current_.kind == Kind::End; }
    bool isCharacters() const { return current_.kind == Kind::Characters; }
    QStringView text() const;

    // An attribute of the current start element by its qualified name, or
    // by namespace and local name: empty when present without a value,
    // null when absent. Namespace declarations are not attributes.
    QStringView attribute(QStringView qualified) const;
    QStringView attribute(QStringView ns, QStringView local) const;
    // An attribute of this local name in some namespace (not in none).
    QStringView attributeInAnyNamespace(QStringView local) const;

    // The attributes of the current start element, for code that reads
    // several: a view of the part, looked up through valueOf.
    const XmlPart &attributes() const { return *this; }
    static QStringView valueOf(const XmlPart &attributes, QStringView qualified)
    {
        return attributes.attribute(qualified);
    }
    static QStringView valueOf(const XmlPart &attributes, QStringView ns, QStringView local)
    {
        return attributes.attribute(ns, local);
    }

private:
    enum class Kind { None, Start, End, Characters, Done };
    // A token of the queue. Names are the parser's own interned strings;
    // texts and attribute values are copied into `data_`.
    struct Token {
        Kind kind;
        QLatin1String name;
        QLatin1String namespaceUri;
        qsizetype at;  // text: its bytes in data_; start: its first attribute in attributes_
        qsizetype size;  // text bytes, or attributes
    };
    struct Attribute {
        QLatin1String local;
        QLatin1String prefix;
        QLatin1String namespaceUri;
        qsizetype at, size;  // the value's bytes in data_
    };
    void start();
    bool fill();  // feeds the parser until tokens wait; false at the end
    void check() const;  // throws for what the parser or the input refused
    const Attribute *findAttribute(QStringView qualified) const;
    QStringView keep(const Attribute &a) const;

    _xmlParserCtxt *parser_ = nullptr;
    std::unique_ptr<ZipStream> stream_;
    QByteArray bytes_;  // a part given in memory
    qsizetype fed_ = 0;  // of bytes_
    bool ended_ = false;  // the parser has had all the input
    std::vector<Token> tokens_;
    std::vector<Attribute> attributes_;
    QByteArray data_;
    std::size_t at_ = 0;  // the next token to pull
    Token current_{Kind::None, {}, {}, 0, 0};
    int depth_ = 0;
    bool documentType_ = false;  // a DTD or an entity reference was met
    bool failed_ = false;  // an error the parser reported
    mutable QString text_;
    mutable bool textDecoded_ = false;
    // The attribute values handed out for this token, one after another,
    // in room set aside for all of them so that none moves.
    mutable QString kept_;
    mutable std::vector<QString> keptMore_;

    friend struct XmlPartAccess;
};

}  // namespace deckzip
