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

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// What QStringView::toDouble(ok) gives, without its detour for the usual
// case of a decimal number of at most 15 digits (an exact integer divided
// by an exact power of ten: the division rounds as the conversion would).
inline double toDouble(QStringView s, bool *ok)
{
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char16_t *c = s.utf16();
    const char16_t *const end = c + s.size();
    const bool negative = c != end && *c == u'-';
    c += negative ? 1 : 0;
    qint64 digits = 0;
    int count = 0, decimals = -1;
    for (; c != end; ++c) {
        if (*c >= u'0' && *c <= u'9') {
            digits = digits * 10 + (*c - u'0');
            decimals += decimals >= 0 ? 1 : 0;
            if (++count > 15)
                return s.toDouble(ok);
        } else if (*c == u'.' && decimals < 0 && count > 0) {
            decimals = 0;
        } else {
            return s.toDouble(ok);
        }
    }
    if (count == 0 || decimals == 0 || (negative && digits == 0))
        return s.toDouble(ok);
    *ok = true;
    const double value = static_cast<double>(digits) / kPowers[std::max(decimals, 0)];
    return negative ? -value : value;
}

// A string literal (u"row") as a view, measured by its type rather than
// counted at run time: readers compare names with literals at every token.
// For literals only: an array of characters is taken as full up to its last.
template <std::size_t N> constexpr QStringView literal(const char16_t (&s)[N]) noexcept
{
    static_assert(N >= 1);
    return QStringView(s, static_cast<qsizetype>(N - 1));
}

// A name of the part (of an element) or a namespace URI: the parser's own
// UTF-8 bytes, compared with a name without being decoded. Valid while the
// part is.
class XmlName {
public:
    constexpr XmlName() = default;
    constexpr XmlName(const char *bytes, qsizetype size) : s_(bytes ? bytes : ""), size_(bytes ? size : 0) {}

    bool isEmpty() const { return size_ == 0; }
    QString toString() const { return QString::fromUtf8(s_, size_); }

    // A name of n bytes equals a text of n characters only when both are
    // ASCII, and then byte for char. Namespace URIs are long and alike up to
    // their last characters: they are compared eight characters at a time.
    bool operator==(QStringView other) const
    {
        if (other.size() != size_)
            return false;
        const char16_t *const q = other.utf16();
        qsizetype i = 0;
#if defined(__SSE2__)
        for (; i + 8 <= size_; i += 8) {
            const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(s_ + i));
            const __m128i wide = _mm_unpacklo_epi8(bytes, _mm_setzero_si128());
            const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i *>(q + i));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(wide, chars)) != 0xFFFF || (_mm_movemask_epi8(bytes) & 0xFF) != 0)
                return false;
        }
#endif
        for (; i < size_; ++i) {
            if (q[i] >= 0x80 || static_cast<unsigned char>(s_[i]) != q[i])
                return false;
        }
        return true;
    }
    template <std::size_t N> bool operator==(const char16_t (&other)[N]) const { return *this == literal(other); }

private:
    const char *s_ = "";
    qsizetype size_ = 0;
};

// What QStringView::toLongLong(ok) gives, without its detour for the usual
// case of a few decimal digits.
inline qint64 toInt64(QStringView s, bool *ok)
{
    if (s.size() > 0 && s.size() < 19) {
        qint64 n = 0;
        for (const QChar c : s) {
            const unsigned digit = c.unicode() - u'0';
            if (digit > 9)
                return s.toLongLong(ok);
            n = n * 10 + digit;
        }
        *ok = true;
        return n;
    }
    return s.toLongLong(ok);
}

class XmlPart {
public:
    // How a part read from an archive is parsed: on the thread that reads
    // it, or ahead of it on a thread of its own (for a large part, when that
    // thread would otherwise wait: the reader then only walks the tokens).
    // Ahead, the archive is read on that thread until the part is
    // destroyed, and must not be read from elsewhere meanwhile.
    enum class Parsing { Here, Ahead };
    // The entry `name` of the archive, inflated as it is read, up to
    // maxSize bytes. Throws when it is missing or cannot be opened.
    XmlPart(const ZipArchive &zip, const QString &name, qint64 maxSize, Parsing parsing = Parsing::Here);
    // A part already in memory (UTF-8, as the formats write it).
    explicit XmlPart(const QByteArray &xml);
    ~XmlPart();
    XmlPart(const XmlPart &) = delete;
    XmlPart &operator=(const XmlPart &) = delete;

    // The next token; false at the end of the document. Throws for a DTD,
    // an entity reference, XML that is not well-formed and a part past its
    // cap or damaged. An empty element gives a start and an end, as any
    // other.
    bool next()
    {
        if (at_ < batch_.tokens.size()) {
            current_ = batch_.tokens[at_++];
            return true;
        }
        return nextBatch();
    }
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
    // Appends to `text` the text of the element the part stands on (at its
    // start tag), up to its end tag: its characters and those of every
    // element inside it, in order. Throws when elements nest more than
    // kMaxNesting deep inside it or `text` passes the characters a cell may
    // hold. It keeps a count of the open elements, not a call per level, so
    // no depth costs stack.
    void appendElementText(QString &text)
    {
        int depth = 0;
        while (next()) {
            if (isStartElement()) {
                if (++depth > kMaxNesting)
                    throw decks::FormatError("elements nested too deeply");
            } else if (isEndElement()) {
                if (depth-- == 0)
                    break;
            } else if (isCharacters()) {
                appendText(text);
            }
        }
    }
    QString elementText()
    {
        QString text;
        appendElementText(text);
        return text;
    }

    XmlName name() const { return XmlName(current_.name, lengths_.of(current_.name)); }
    XmlName namespaceUri() const { return XmlName(current_.namespaceUri, lengths_.of(current_.namespaceUri)); }
    bool isStartElement() const { return current_.kind == Kind::Start; }
    bool isEndElement() const { return current_.kind == Kind::End; }
    bool isCharacters() const { return current_.kind == Kind::Characters; }
    QStringView text() const
    {
        return current_.kind == Kind::Characters ? decoded(current_.at, current_.size) : QStringView();
    }
    // Appends text() to `text`, decoded straight into it, as
    // appendCellText() would: throws when `text` would pass the characters
    // a cell may hold.
    void appendText(QString &text) const;

    // An attribute of the current start element by its qualified name, or
    // by namespace and local name: empty when present without a value,
    // null when absent. Namespace declarations are not attributes.
    QStringView attribute(QStringView qualified) const;
    QStringView attribute(QStringView ns, QStringView local) const;
    template <std::size_t N> QStringView attribute(const char16_t (&qualified)[N]) const
    {
        return attribute(literal(qualified));
    }
    template <std::size_t N> QStringView attribute(QStringView ns, const char16_t (&local)[N]) const
    {
        return attribute(ns, literal(local));
    }
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
    template <std::size_t N> static QStringView valueOf(const XmlPart &attributes, const char16_t (&qualified)[N])
    {
        return attributes.attribute(literal(qualified));
    }
    template <std::size_t N>
    static QStringView valueOf(const XmlPart &attributes, QStringView ns, const char16_t (&local)[N])
    {
        return attributes.attribute(ns, literal(local));
    }

private:
    enum class Kind { None, Start, End, Characters, Done };
    // A token of the queue. Names are the parser's own interned strings;
    // texts and attribute values are copied into the batch's data.
    struct Token {
        Kind kind;
        const char *name;
        const char *namespaceUri;
        qsizetype at;  // text: its bytes in data; start: its first attribute in attributes
        qsizetype size;  // text bytes, or attributes
    };
    struct Attribute {
        const char *local;
        const char *prefix;
        const char *namespaceUri;
        qsizetype at, size;  // the value's bytes in data
    };
    // Room that grows and is never given back while the part is read.
    template <typename T> struct Room {
        std::unique_ptr<T[]> data;
        qsizetype size = 0, capacity = 0;
        // Room for `n` in all, what was in it kept or not.
        void reserve(qsizetype n, bool keep)
        {
            if (n <= capacity)
                return;
            const qsizetype room = std::max(n, 2 * capacity);
            std::unique_ptr<T[]> more(new T[static_cast<std::size_t>(room)]);
            if (keep && size > 0)
                std::copy(data.get(), data.get() + size, more.get());
            data = std::move(more);
            capacity = room;
        }
    };
    // A list in such room, appended to by the parser's callbacks.
    template <typename T> struct List {
        Room<T> room;
        std::size_t size() const { return static_cast<std::size_t>(room.size); }
        bool empty() const { return room.size == 0; }
        void clear() { room.size = 0; }
        void truncate(std::size_t n) { room.size = std::min(room.size, static_cast<qsizetype>(n)); }
        T &back() { return room.data[static_cast<std::size_t>(room.size - 1)]; }
        const T &operator[](std::size_t i) const { return room.data[i]; }
        void push_back(const T &item)
        {
            if (room.size == room.capacity)
                room.reserve(room.size + 1, true);
            room.data[static_cast<std::size_t>(room.size++)] = item;
        }
    };
    // The tokens the parser made of a stretch of the part, with the texts
    // and attribute values they hold.
    struct Batch {
        List<Token> tokens;
        List<Attribute> attributes;
        Room<char> data;
    };
    // The lengths of the parser's names. It hands over names and namespace
    // URIs from its dictionary, one copy of each kept until the parser is
    // freed: a name is measured once rather than at every token.
    struct Lengths {
        struct Measured {
            const char *name = nullptr;
            int size = 0;
        };
        Measured measured[64];
        int of(const char *name)
        {
            if (!name)
                return 0;
            Measured &m = measured[(reinterpret_cast<std::uintptr_t>(name) >> 4) % std::size(measured)];
            if (m.name != name)
                m = {name, static_cast<int>(std::strlen(name))};
            return m.size;
        }
    };
public:
    class Input;  // where the parser's input comes from

private:
    class Parser;  // libxml2's push parser over the part
    class Ahead;  // a parser on a thread of its own, some batches ahead of the reader

    bool nextBatch();  // next() once the batch is walked through
    // The bytes data[at, at + size) of the batch as UTF-16, decoded into
    // decoded_ at the same place: nothing there moves until the next batch.
    QStringView decoded(qsizetype at, qsizetype size) const;
    // Decodes `size` bytes of UTF-8 into `to`, which has room for as many
    // characters: how many it made.
    static qsizetype decode(const char *from, qsizetype size, char16_t *to);

    std::unique_ptr<ZipStream> stream_;  // a part read from an archive
    std::unique_ptr<Input> input_;  // when the parser runs here
    std::unique_ptr<Parser> parser_;
    std::unique_ptr<Ahead> ahead_;  // when the parser runs ahead
    Batch batch_;  // the tokens being walked
    std::size_t at_ = 0;  // the next token to pull
    Token current_{Kind::None, nullptr, nullptr, 0, 0};
    mutable Room<char16_t> decoded_;  // at least as large as the batch's data
    mutable Lengths lengths_;  // of the names handed out

    friend struct XmlPartAccess;
};

}  // namespace deckzip
