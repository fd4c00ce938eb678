#include "decks/zip/XmlPart.h"

#include "decks/zip/LazyLibrary.h"
#include "decks/zip/ZipArchive.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <QStringDecoder>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

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
// Parsing ahead, the input that makes one batch of tokens (fewer, larger
// batches cost fewer hand-overs between the threads), and the batches that
// may wait parsed for the reader: a few, so that memory stays bounded.
constexpr qsizetype kAheadInput = 4 * kChunk;
constexpr int kAheadBatches = 3;
// The chunks inflated ahead of the parser: the input of two batches.
constexpr int kAheadChunks = 8;

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

// Where a parser's input comes from, a chunk at a time.
class XmlPart::Input {
public:
    virtual ~Input() = default;
    // The next chunk of the part, valid until the next call: its size, 0 at
    // the end of the part, -1 when the part is damaged or past its cap.
    virtual qint64 next(const char *&bytes) = 0;
    // Throws for the failure next() reported.
    [[noreturn]] virtual void throwError() const = 0;
};

namespace {

// A part inflated from the archive as it is parsed.
class StreamInput final : public XmlPart::Input {
public:
    explicit StreamInput(ZipStream &stream) : stream_(stream) {}
    qint64 next(const char *&bytes) override
    {
        bytes = chunk_.get();
        return stream_.read(chunk_.get(), kChunk);
    }
    [[noreturn]] void throwError() const override { stream_.throwError(); }

private:
    ZipStream &stream_;
    std::unique_ptr<char[]> chunk_{new char[kChunk]};
};

// A part in memory.
class BytesInput final : public XmlPart::Input {
public:
    explicit BytesInput(const QByteArray &bytes) : bytes_(bytes) {}
    qint64 next(const char *&bytes) override
    {
        const qsizetype n = std::min(kChunk, bytes_.size() - fed_);
        bytes = bytes_.constData() + fed_;
        fed_ += n;
        return n;
    }
    [[noreturn]] void throwError() const override { throw decks::FormatError("a part of the workbook is damaged"); }

private:
    QByteArray bytes_;
    qsizetype fed_ = 0;
};

}  // namespace

// libxml2's push parser over a part: it fills a batch with the tokens of
// the next stretch of the part.
class XmlPart::Parser {
public:
    Parser();
    ~Parser();
    Parser(const Parser &) = delete;
    Parser &operator=(const Parser &) = delete;

    // Clears `batch` and fills it with the tokens the parser makes of at
    // least `input` more bytes of the part (fewer at its end): false when
    // none are left. Throws for a DTD, an entity reference, XML that is not
    // well-formed, a part past its cap or damaged; when the batch holds
    // tokens from before the chunk of input in which that was found, they
    // are handed over first and the next call throws. Once `cancelled` is
    // set, it stops and gives none.
    bool fill(Batch &batch, qsizetype input, const std::atomic<bool> *cancelled = nullptr);

    Input *input = nullptr;  // where the part comes from
    // What the callbacks fill in.
    Batch *batch = nullptr;
    int depth = 0;
    bool documentType = false;  // a DTD or an entity reference was met
    bool failed = false;  // an error the parser reported

private:
    bool refused() const { return inputFailed_ || documentType || failed || !parser_->wellFormed; }
    void check() const;  // throws for what the parser or the input refused

    _xmlParserCtxt *parser_ = nullptr;
    bool inputFailed_ = false;
    bool ended_ = false;  // the parser has had all the input
};

// The parser's callbacks: each token goes to the batch. A document type and
// an entity reference stop the parser at once, before anything in them is
// read; so does an error.
struct XmlPartAccess {
    using Parser = XmlPart::Parser;
    using Batch = XmlPart::Batch;
    static Parser &parser(void *context)
    {
        return *static_cast<Parser *>(static_cast<xmlParserCtxtPtr>(context)->_private);
    }
    static void stop(void *context) { libxml2().xmlStopParser(static_cast<xmlParserCtxtPtr>(context)); }

    static qsizetype copy(Batch &b, const xmlChar *from, qsizetype size)
    {
        const qsizetype at = b.data.size;
        b.data.reserve(at + size, true);
        if (size > 0)
            std::memcpy(b.data.data.get() + at, from, static_cast<std::size_t>(size));
        b.data.size = at + size;
        return at;
    }

    static void startElement(void *context, const xmlChar *local, const xmlChar *, const xmlChar *uri, int,
                             const xmlChar **, int attributes, int, const xmlChar **values)
    {
        Parser &p = parser(context);
        if (++p.depth > kMaxDepth) {
            p.failed = true;
            stop(context);
            return;
        }
        Batch &b = *p.batch;
        const qsizetype first = static_cast<qsizetype>(b.attributes.size());
        for (int i = 0; i < attributes; ++i) {
            const xmlChar *const *a = values + 5 * i;  // local, prefix, URI, value, value end
            const qsizetype size = a[4] - a[3];
            b.attributes.push_back({bytes(a[0]), bytes(a[1]), bytes(a[2]), copy(b, a[3], size), size});
        }
        b.tokens.push_back({XmlPart::Kind::Start, bytes(local), bytes(uri), first, attributes});
    }
    static void endElement(void *context, const xmlChar *local, const xmlChar *, const xmlChar *uri)
    {
        Parser &p = parser(context);
        --p.depth;
        p.batch->tokens.push_back({XmlPart::Kind::End, bytes(local), bytes(uri), 0, 0});
    }
    static void characters(void *context, const xmlChar *text, int size)
    {
        Batch &b = *parser(context).batch;
        // The parser hands a long text over in pieces: they make one token.
        if (!b.tokens.empty() && b.tokens.back().kind == XmlPart::Kind::Characters) {
            copy(b, text, size);
            b.tokens.back().size += size;
        } else {
            b.tokens.push_back({XmlPart::Kind::Characters, nullptr, nullptr, copy(b, text, size), size});
        }
    }
    static void refuse(void *context)
    {
        parser(context).documentType = true;
        stop(context);
    }
    static void documentType(void *context, const xmlChar *, const xmlChar *, const xmlChar *) { refuse(context); }
    static void reference(void *context, const xmlChar *) { refuse(context); }
    // Errors come here instead of standard error. Warnings (a namespace URI
    // that is not absolute, say) are no reason to refuse a part.
    static void onError(void *context, xmlErrorPtr error)
    {
        if (error && error->level >= XML_ERR_ERROR && context && static_cast<xmlParserCtxtPtr>(context)->_private)
            parser(context).failed = true;
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

XmlPart::Parser::Parser()
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
}

XmlPart::Parser::~Parser()
{
    libxml2().xmlFreeParserCtxt(parser_);
}

void XmlPart::Parser::check() const
{
    if (inputFailed_)
        input->throwError();
    if (documentType)
        throw decks::FormatError("a part of the workbook declares a document type");
    if (failed || !parser_->wellFormed)
        throw decks::FormatError("a part of the workbook is not well-formed XML");
}

bool XmlPart::Parser::fill(Batch &b, qsizetype input, const std::atomic<bool> *cancelled)
{
    b.tokens.clear();
    b.attributes.clear();
    b.data.size = 0;  // keeps its room
    batch = &b;
    qsizetype read = 0;
    // The parser may need more input than one chunk before a token is
    // complete.
    for (;;) {
        check();
        if (!b.tokens.empty() && read >= input)
            return true;
        if (ended_ && parser_->instate == XML_PARSER_EOF)
            return !b.tokens.empty();
        // What this chunk gives is dropped when the chunk is refused.
        const std::size_t tokens = b.tokens.size(), attributes = b.attributes.size();
        const qsizetype data = b.data.size;
        const char *bytes = nullptr;
        const qint64 n = this->input->next(bytes);
        if (cancelled && cancelled->load(std::memory_order_relaxed))
            return false;
        if (n < 0) {
            inputFailed_ = true;
            if (!b.tokens.empty())
                return true;
            check();
        }
        read += n;
        ended_ = n == 0;
        {
            const xmlGenericErrorFunc report = *libxml2().__xmlGenericError();
            void *const reportTo = *libxml2().__xmlGenericErrorContext();
            libxml2().xmlSetGenericErrorFunc(nullptr, &XmlPartAccess::silent);
            // Some failures (bytes that do not convert from the document's
            // encoding) show only in what this returns.
            if (libxml2().xmlParseChunk(parser_, bytes, static_cast<int>(n), ended_ ? 1 : 0) != 0)
                failed = true;
            libxml2().xmlSetGenericErrorFunc(reportTo, report);
        }
        if (refused()) {
            b.tokens.truncate(tokens);
            b.attributes.truncate(attributes);
            b.data.size = data;
            if (!b.tokens.empty())
                return true;
            check();
        }
        if (ended_)
            return !b.tokens.empty();
    }
}

// A parser on a thread of its own, filling batches of tokens ahead of the
// reader: a few wait at most, and what the parser throws waits behind the
// batches before it. The part is inflated on the reader's thread, while it
// waits for tokens (the archive is read from that thread only), and handed
// to the parser a few chunks ahead.
class XmlPart::Ahead final : public XmlPart::Input {
public:
    Ahead(ZipStream &stream, Parser &parser) : stream_(stream), parser_(parser)
    {
        free_.resize(kAheadBatches);
        for (int i = 0; i < kAheadChunks; ++i)
            freeChunks_.push_back({std::unique_ptr<char[]>(new char[kChunk]), 0});
    }
    // Throws std::system_error when no thread can be had.
    void start()
    {
        thread_ = std::thread([this] { run(); });
    }
    // Stops the parser after the chunk it is at, and waits for its thread.
    ~Ahead() override
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            cancelled_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }
    Ahead(const Ahead &) = delete;
    Ahead &operator=(const Ahead &) = delete;

    // Hands `batch` back and replaces it with the next one: false at the
    // end of the part; throws what the parser threw, again at every call.
    // Meanwhile it inflates what the parser will need next.
    bool next(Batch &batch)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        free_.push_back(std::move(batch));
        batch = Batch();
        changed_.notify_all();
        for (;;) {
            if (!inputEnded_ && !freeChunks_.empty()) {
                Chunk chunk = std::move(freeChunks_.back());
                freeChunks_.pop_back();
                lock.unlock();
                chunk.size = stream_.read(chunk.bytes.get(), kChunk);
                lock.lock();
                inputEnded_ = chunk.size <= 0;
                readyChunks_.push_back(std::move(chunk));
                changed_.notify_all();
                continue;
            }
            if (!ready_.empty()) {
                batch = std::move(ready_.front());
                ready_.pop_front();
                return true;
            }
            if (error_)
                std::rethrow_exception(error_);
            if (ended_)
                return false;
            changed_.wait(lock);
        }
    }

    // The parser's input, on its thread.
    qint64 next(const char *&bytes) override
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (parsing_.bytes) {
            freeChunks_.push_back(std::move(parsing_));
            changed_.notify_all();
        }
        changed_.wait(lock, [this] { return cancelled_ || !readyChunks_.empty(); });
        if (cancelled_)
            return 0;
        parsing_ = std::move(readyChunks_.front());
        readyChunks_.pop_front();
        bytes = parsing_.bytes.get();
        return parsing_.size;
    }
    [[noreturn]] void throwError() const override { stream_.throwError(); }

private:
    struct Chunk {
        std::unique_ptr<char[]> bytes;
        qint64 size;
    };

    void run()
    {
        for (;;) {
            Batch batch;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [this] { return cancelled_ || !free_.empty(); });
                if (cancelled_)
                    return;
                batch = std::move(free_.back());
                free_.pop_back();
            }
            bool more = false;
            std::exception_ptr error;
            try {
                more = parser_.fill(batch, kAheadInput, &cancelled_);
            } catch (...) {
                error = std::current_exception();
            }
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                if (error)
                    error_ = error;
                else if (more)
                    ready_.push_back(std::move(batch));
                else
                    ended_ = true;
            }
            changed_.notify_all();
            if (!more)
                return;
        }
    }

    ZipStream &stream_;  // read on the reader's thread only
    Parser &parser_;  // run on the thread
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Batch> free_;  // to be filled
    std::deque<Batch> ready_;  // filled, in order
    bool ended_ = false;  // no batch comes after those ready
    std::exception_ptr error_;  // thrown after the batches ready
    std::vector<Chunk> freeChunks_;  // to be inflated into
    std::deque<Chunk> readyChunks_;  // inflated, in order
    Chunk parsing_;  // the chunk the parser has
    bool inputEnded_ = false;  // the last chunk (the end or a failure) is inflated
    std::atomic<bool> cancelled_{false};
    std::thread thread_;
};

XmlPart::XmlPart(const ZipArchive &zip, const QString &name, qint64 maxSize, Parsing parsing)
    : stream_(zip.open(name, maxSize)), parser_(std::make_unique<Parser>())
{
    if (parsing == Parsing::Ahead) {
        ahead_ = std::make_unique<Ahead>(*stream_, *parser_);
        parser_->input = ahead_.get();
        try {
            ahead_->start();
            return;
        } catch (const std::system_error &) {
            // No thread to be had: parsed here.
            ahead_.reset();
        }
    }
    input_ = std::make_unique<StreamInput>(*stream_);
    parser_->input = input_.get();
}

XmlPart::XmlPart(const QByteArray &xml) : input_(std::make_unique<BytesInput>(xml)), parser_(std::make_unique<Parser>())
{
    parser_->input = input_.get();
}

XmlPart::~XmlPart()
{
    ahead_.reset();  // its thread runs the parser
}

bool XmlPart::nextBatch()
{
    if (current_.kind == Kind::Done)
        return false;
    at_ = 0;
    const bool more = ahead_ ? ahead_->next(batch_) : parser_->fill(batch_, 0);
    if (!more) {
        current_ = {Kind::Done, nullptr, nullptr, 0, 0};
        return false;
    }
    decoded_.reserve(batch_.data.size, false);
    current_ = batch_.tokens[at_++];
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

qsizetype XmlPart::decode(const char *from, qsizetype size, char16_t *to)
{
    // ASCII, as nearly all of a workbook is, widens byte for byte.
    qsizetype i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= size; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + i));
        if (_mm_movemask_epi8(bytes) != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + i), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + i + 8), _mm_unpackhi_epi8(bytes, _mm_setzero_si128()));
    }
#endif
    for (; i < size; ++i) {
        const auto c = static_cast<unsigned char>(from[i]);
        if (c >= 0x80) {
            // Decoded from the start, as one piece: a value of n bytes
            // decodes to at most n characters.
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            QChar *const start = reinterpret_cast<QChar *>(to);
            return decoder.appendToBuffer(start, QByteArrayView(from, size)) - start;
        }
        to[i] = c;
    }
    return size;
}

QStringView XmlPart::decoded(qsizetype at, qsizetype size) const
{
    if (size == 0)
        return QStringView(u"");
    char16_t *const to = decoded_.data.get() + at;
    return QStringView(to, decode(batch_.data.data.get() + at, size, to));
}

void XmlPart::appendText(QString &text) const
{
    if (current_.kind != Kind::Characters || current_.size == 0)
        return;
    const qsizetype had = text.size();
    // Room for the most characters the bytes can make, given back after;
    // a text of its own is made to measure.
    if (text.isNull())
        text = QString(current_.size, Qt::Uninitialized);
    else
        text.resize(had + current_.size);
    const qsizetype made = decode(batch_.data.data.get() + current_.at, current_.size,
                                  reinterpret_cast<char16_t *>(text.data()) + had);
    if (made != current_.size)
        text.resize(had + made);
    checkCellRoom(had, made);
}

QStringView XmlPart::attribute(QStringView qualified) const
{
    if (current_.kind != Kind::Start)
        return {};
    for (qsizetype i = current_.at; i < current_.at + current_.size; ++i) {
        const Attribute &a = batch_.attributes[static_cast<std::size_t>(i)];
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
        const Attribute &a = batch_.attributes[static_cast<std::size_t>(i)];
        if (equals(a.local, local) && XmlName(a.namespaceUri, lengths_.of(a.namespaceUri)) == ns)
            return decoded(a.at, a.size);
    }
    return {};
}

QStringView XmlPart::attributeInAnyNamespace(QStringView local) const
{
    if (current_.kind != Kind::Start)
        return {};
    for (qsizetype i = current_.at; i < current_.at + current_.size; ++i) {
        const Attribute &a = batch_.attributes[static_cast<std::size_t>(i)];
        if (a.namespaceUri && *a.namespaceUri && equals(a.local, local))
            return decoded(a.at, a.size);
    }
    return {};
}

}  // namespace deckzip
