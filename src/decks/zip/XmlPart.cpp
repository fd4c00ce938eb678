#include "decks/zip/XmlPart.h"

#include "decks/zip/LazyLibrary.h"
#include "decks/zip/ZipArchive.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace deckzip {

namespace {

// libxml2, loaded when a part is first parsed.
struct Libxml2 {
    LazyLibrary library{MNEMORA_LIBXML2};
    MNEMORA_LAZY_FUNCTION(library, xmlCreatePushParserCtxt);
    MNEMORA_LAZY_FUNCTION(library, xmlCtxtUseOptions);
    MNEMORA_LAZY_FUNCTION(library, xmlFreeParserCtxt);
    MNEMORA_LAZY_FUNCTION(library, xmlInitParser);
    MNEMORA_LAZY_FUNCTION(library, xmlParseChunk);
    MNEMORA_LAZY_FUNCTION(library, xmlSetGenericErrorFunc);
    MNEMORA_LAZY_FUNCTION(library, xmlStopParser);
    MNEMORA_LAZY_FUNCTION(library, __xmlGenericError);
    MNEMORA_LAZY_FUNCTION(library, __xmlGenericErrorContext);
};

const Libxml2 &libxml2()
{
    static const Libxml2 lib;
    return lib;
}

// What the parser may do: no network. Left out on purpose: entity
// substitution (XML_PARSE_NOENT), loading or applying a DTD
// (XML_PARSE_DTDLOAD, XML_PARSE_DTDATTR, XML_PARSE_DTDVALID), recovery from
// errors, and XML_PARSE_HUGE, so that the parser's own limits on names and
// text lengths stay.
constexpr int kParseOptions = XML_PARSE_NONET;
// Elements nested deeper than this are refused (the parser's own limit,
// kept whatever parser reads the part).
constexpr int kMaxDepth = 256;
// The input handed to the parser at a time: the tokens it makes wait in the
// queue, so this bounds the queue too.
constexpr qsizetype kChunk = 16 * 1024;

void initParser()
{
    // Once, before any thread parses.
    static const bool ready = [] {
        libxml2().xmlInitParser();
        return true;
    }();
    (void)ready;
}

const char *bytes(const xmlChar *s) { return reinterpret_cast<const char *>(s); }

// Whether `name` (NUL-terminated) begins with `query`: where it goes on
// after it, or nullptr. The query's characters past ASCII match no byte:
// the readers ask for ASCII names only.
const char *startsWith(const char *name, const char16_t *query, const char16_t *end)
{
    for (; query < end; ++query, ++name) {
        if (*query >= 0x80 || static_cast<unsigned char>(*name) != *query)
            return nullptr;
    }
    return name;
}

bool equals(const char *name, QStringView query)
{
    const char *const rest = startsWith(name ? name : "", query.utf16(), query.utf16() + query.size());
    return rest && *rest == 0;
}

// Whether an attribute of that prefix (none: nullptr or empty) and local
// name has the qualified name `query` ("prefix:local", or "local" when it
// has no prefix).
bool hasQualifiedName(const char *prefix, const char *local, QStringView query)
{
    const char16_t *q = query.utf16();
    const char16_t *const end = q + query.size();
    if (prefix && *prefix) {
        const char *const rest = startsWith(prefix, q, end);
        if (!rest || *rest != 0)
            return false;
        q += rest - prefix;
        if (q == end || *q != u':')
            return false;
        ++q;
    }
    const char *const rest = startsWith(local, q, end);
    return rest && *rest == 0;
}

}  // namespace

// The parser's callbacks: each token goes to the queue. A document type and
// an entity reference stop the parser at once, before anything in them is
// read; so does an error.
struct XmlPartAccess {
    static XmlPart &part(void *context) { return *static_cast<XmlPart *>(static_cast<xmlParserCtxtPtr>(context)->_private); }
    static void stop(void *context) { libxml2().xmlStopParser(static_cast<xmlParserCtxtPtr>(context)); }

    static qsizetype copy(XmlPart &p, const xmlChar *from, qsizetype size)
    {
        const qsizetype at = p.data_.size;
        p.data_.reserve(at + size, true);
        if (size > 0)
            std::memcpy(p.data_.data.get() + at, from, static_cast<std::size_t>(size));
        p.data_.size = at + size;
        return at;
    }

    static void startElement(void *context, const xmlChar *local, const xmlChar *, const xmlChar *uri, int,
                             const xmlChar **, int attributes, int, const xmlChar **values)
    {
        XmlPart &p = part(context);
        if (++p.depth_ > kMaxDepth) {
            p.failed_ = true;
            stop(context);
            return;
        }
        const qsizetype first = static_cast<qsizetype>(p.attributes_.size());
        for (int i = 0; i < attributes; ++i) {
            const xmlChar *const *a = values + 5 * i;  // local, prefix, URI, value, value end
            const qsizetype size = a[4] - a[3];
            p.attributes_.push_back({bytes(a[0]), bytes(a[1]), bytes(a[2]), copy(p, a[3], size), size});
        }
        p.tokens_.push_back({XmlPart::Kind::Start, p.sizeOf(bytes(local)), p.sizeOf(bytes(uri)), bytes(local),
                             bytes(uri), first, attributes});
    }
    static void endElement(void *context, const xmlChar *local, const xmlChar *, const xmlChar *uri)
    {
        XmlPart &p = part(context);
        --p.depth_;
        p.tokens_.push_back(
            {XmlPart::Kind::End, p.sizeOf(bytes(local)), p.sizeOf(bytes(uri)), bytes(local), bytes(uri), 0, 0});
    }
    static void characters(void *context, const xmlChar *text, int size)
    {
        XmlPart &p = part(context);
        // The parser hands a long text over in pieces: they make one token.
        if (!p.tokens_.empty() && p.tokens_.back().kind == XmlPart::Kind::Characters) {
            copy(p, text, size);
            p.tokens_.back().size += size;
        } else {
            p.tokens_.push_back({XmlPart::Kind::Characters, 0, 0, nullptr, nullptr, copy(p, text, size), size});
        }
    }
    static void refuse(void *context)
    {
        part(context).documentType_ = true;
        stop(context);
    }
    static void documentType(void *context, const xmlChar *, const xmlChar *, const xmlChar *) { refuse(context); }
    static void reference(void *context, const xmlChar *) { refuse(context); }
    // Errors come here instead of standard error. Warnings (a namespace URI
    // that is not absolute, say) are no reason to refuse a part.
    static void onError(void *context, xmlErrorPtr error)
    {
        if (error && error->level >= XML_ERR_ERROR && context && static_cast<xmlParserCtxtPtr>(context)->_private)
            part(context).failed_ = true;
    }
    // Where the parser reports what it cannot tie to a document (an
    // encoding it cannot convert): nowhere. The parser itself then stops
    // with an error of the document's.
    static void silent(void *, const char *, ...) {}

    static xmlSAXHandler handler()
    {
        xmlSAXHandler h;
        std::memset(&h, 0, sizeof h);
        h.initialized = XML_SAX2_MAGIC;
        h.startElementNs = startElement;
        h.endElementNs = endElement;
        h.characters = characters;
        h.ignorableWhitespace = characters;
        h.cdataBlock = characters;
        h.internalSubset = documentType;
        h.externalSubset = documentType;
        h.reference = reference;
        h.serror = onError;
        return h;
    }
};

XmlPart::XmlPart(const ZipArchive &zip, const QString &name, qint64 maxSize) : stream_(zip.open(name, maxSize))
{
    start();
}

XmlPart::XmlPart(const QByteArray &xml) : bytes_(xml)
{
    start();
}

void XmlPart::start()
{
    initParser();
    static xmlSAXHandler sax = XmlPartAccess::handler();
    // No input yet: the first chunk goes in as every other, so that what the
    // parser finds in it is reported here.
    parser_ = libxml2().xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr);
    if (!parser_)
        throw decks::FormatError("a part of the workbook cannot be read");
    // The callbacks are handed the parser; it leads them here.
    parser_->_private = this;
    libxml2().xmlCtxtUseOptions(parser_, kParseOptions);
    data_.reserve(2 * kChunk, false);
}

XmlPart::~XmlPart()
{
    if (parser_)
        libxml2().xmlFreeParserCtxt(parser_);
}

void XmlPart::check() const
{
    if (stream_ && stream_->error())
        stream_->throwError();
    if (documentType_)
        throw decks::FormatError("a part of the workbook declares a document type");
    if (failed_ || !parser_->wellFormed)
        throw decks::FormatError("a part of the workbook is not well-formed XML");
}

bool XmlPart::fill()
{
    tokens_.clear();
    attributes_.clear();
    data_.size = 0;  // keeps its room
    at_ = 0;
    // The parser may need more input than one chunk before a token is
    // complete.
    for (;;) {
        check();
        if (!tokens_.empty()) {
            decoded_.reserve(data_.size, false);
            return true;
        }
        if (ended_ && parser_->instate == XML_PARSER_EOF)
            return false;
        char chunk[kChunk];
        const char *bytes = chunk;
        qint64 n = 0;
        if (stream_) {
            n = stream_->read(chunk, kChunk);
            if (n < 0)
                check();
        } else {
            n = std::min(kChunk, bytes_.size() - fed_);
            bytes = bytes_.constData() + fed_;
            fed_ += n;
        }
        ended_ = n == 0;
        {
            const xmlGenericErrorFunc report = *libxml2().__xmlGenericError();
            void *const reportTo = *libxml2().__xmlGenericErrorContext();
            libxml2().xmlSetGenericErrorFunc(nullptr, &XmlPartAccess::silent);
            // Some failures (bytes that do not convert from the document's
            // encoding) show only in what this returns.
            if (libxml2().xmlParseChunk(parser_, bytes, static_cast<int>(n), ended_ ? 1 : 0) != 0)
                failed_ = true;
            libxml2().xmlSetGenericErrorFunc(reportTo, report);
        }
        if (ended_) {
            check();
            if (tokens_.empty())
                return false;
            decoded_.reserve(data_.size, false);
            return true;
        }
    }
}

bool XmlPart::nextBatch()
{
    if (current_.kind == Kind::Done)
        return false;
    if (!fill()) {
        current_ = {Kind::Done, 0, 0, nullptr, nullptr, 0, 0};
        return false;
    }
    current_ = tokens_[at_++];
    return true;
}

void XmlPart::skip()
{
    if (current_.kind != Kind::Start)
        return;
    for (int depth = 1; depth > 0 && next();) {
        if (current_.kind == Kind::Start)
            ++depth;
        else if (current_.kind == Kind::End)
            --depth;
    }
}

QStringView XmlPart::decoded(qsizetype at, qsizetype size) const
{
    if (size == 0)
        return QStringView(u"");
    const char *const from = data_.data.get() + at;
    char16_t *const to = decoded_.data.get() + at;
    // ASCII, as nearly all of a workbook is, widens byte for byte.
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(from[i]);
        if (c >= 0x80) {
            // A value of n bytes decodes to at most n characters.
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QChar *const end = decoder.appendToBuffer(reinterpret_cast<QChar *>(to), QByteArrayView(from, size));
            return QStringView(to, end - reinterpret_cast<const QChar *>(to));
        }
        to[i] = c;
    }
    return QStringView(to, size);
}

QStringView XmlPart::attribute(QStringView qualified) const
{
    if (current_.kind != Kind::Start)
        return {};
    for (qsizetype i = current_.at; i < current_.at + current_.size; ++i) {
        const Attribute &a = attributes_[static_cast<std::size_t>(i)];
        if (hasQualifiedName(a.prefix, a.local, qualified))
            return decoded(a.at, a.size);
    }
    return {};
}

QStringView XmlPart::attribute(QStringView ns, QStringView local) const
{
    if (current_.kind != Kind::Start)
        return {};
    for (qsizetype i = current_.at; i < current_.at + current_.size; ++i) {
        const Attribute &a = attributes_[static_cast<std::size_t>(i)];
        if (equals(a.local, local) && XmlName(a.namespaceUri, sizeOf(a.namespaceUri)) == ns)
            return decoded(a.at, a.size);
    }
    return {};
}

QStringView XmlPart::attributeInAnyNamespace(QStringView local) const
{
    if (current_.kind != Kind::Start)
        return {};
    for (qsizetype i = current_.at; i < current_.at + current_.size; ++i) {
        const Attribute &a = attributes_[static_cast<std::size_t>(i)];
        if (a.namespaceUri && *a.namespaceUri && equals(a.local, local))
            return decoded(a.at, a.size);
    }
    return {};
}

}  // namespace deckzip
