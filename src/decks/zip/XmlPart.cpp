#include "decks/zip/XmlPart.h"

#include "decks/zip/ZipArchive.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlreader.h>

namespace deckzip {

// What the parser may do: no network, CDATA as plain text. Left out on
// purpose: entity substitution (XML_PARSE_NOENT), loading or applying a DTD
// (XML_PARSE_DTDLOAD, XML_PARSE_DTDATTR, XML_PARSE_DTDVALID), recovery
// from errors, and XML_PARSE_HUGE, so that the parser's own limits on
// depth, names and text lengths stay.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_COMPACT;

struct XmlPartAccess {
    // Errors come here instead of standard error. Warnings (a namespace URI
    // that is not absolute, say) are no reason to refuse a part.
    static void onError(void *part, xmlErrorPtr error)
    {
        if (error && error->level >= XML_ERR_ERROR)
            static_cast<XmlPart *>(part)->failed_ = true;
    }
    // The parser's input: the entry inflated a chunk at a time. A damaged
    // entry, or one past its cap, ends the input; the part then throws
    // the stream's own reason.
    static int readInput(void *stream, char *buffer, int size)
    {
        const qint64 n = static_cast<ZipStream *>(stream)->read(buffer, size);
        return n < 0 ? 0 : static_cast<int>(n);
    }
    static int closeInput(void *) { return 0; }
};

namespace {

void initParser()
{
    // Once, before any thread parses.
    static const bool ready = [] {
        xmlInitParser();
        return true;
    }();
    (void)ready;
}

const char *orEmpty(const xmlChar *s) { return s ? reinterpret_cast<const char *>(s) : ""; }

}  // namespace

XmlPart::XmlPart(const ZipArchive &zip, const QString &name, qint64 maxSize) : stream_(zip.open(name, maxSize))
{
    initParser();
    reader_ = xmlReaderForIO(&XmlPartAccess::readInput, &XmlPartAccess::closeInput, stream_.get(), nullptr, nullptr,
                             kParseOptions);
    if (!reader_)
        throw xls::XlsError("a part of the workbook cannot be read");
    xmlTextReaderSetStructuredErrorHandler(reader_, &XmlPartAccess::onError, this);
}

XmlPart::XmlPart(const QByteArray &xml) : bytes_(xml)
{
    initParser();
    reader_ = xmlReaderForMemory(bytes_.constData(), static_cast<int>(std::min<qsizetype>(bytes_.size(), INT_MAX)),
                                 nullptr, nullptr, kParseOptions);
    if (!reader_)
        throw xls::XlsError("a part of the workbook cannot be read");
    xmlTextReaderSetStructuredErrorHandler(reader_, &XmlPartAccess::onError, this);
}

XmlPart::~XmlPart()
{
    if (reader_)
        xmlFreeTextReader(reader_);
}

void XmlPart::fail() const
{
    if (stream_ && stream_->error())
        throw xls::XlsError(stream_->error());
    throw xls::XlsError("a part of the workbook is not well-formed XML");
}

bool XmlPart::read()
{
    const int r = xmlTextReaderRead(reader_);
    if (r < 0 || failed_ || (stream_ && stream_->error()))
        fail();
    return r == 1;
}

bool XmlPart::classify()
{
    textDecoded_ = false;
    switch (xmlTextReaderNodeType(reader_)) {
    case XML_READER_TYPE_ELEMENT:
        kind_ = Kind::Start;
        name_ = orEmpty(xmlTextReaderConstLocalName(reader_));
        namespaceUri_ = orEmpty(xmlTextReaderConstNamespaceUri(reader_));
        emptyElement_ = xmlTextReaderIsEmptyElement(reader_) == 1;
        break;
    case XML_READER_TYPE_END_ELEMENT:
        kind_ = Kind::End;
        name_ = orEmpty(xmlTextReaderConstLocalName(reader_));
        namespaceUri_ = orEmpty(xmlTextReaderConstNamespaceUri(reader_));
        break;
    case XML_READER_TYPE_TEXT:
    case XML_READER_TYPE_CDATA:
    case XML_READER_TYPE_WHITESPACE:
    case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
        kind_ = Kind::Characters;
        value_ = orEmpty(xmlTextReaderConstValue(reader_));
        break;
    case XML_READER_TYPE_DOCUMENT_TYPE:
    case XML_READER_TYPE_ENTITY_REFERENCE:
    case XML_READER_TYPE_ENTITY:
    case XML_READER_TYPE_END_ENTITY:
    case XML_READER_TYPE_NOTATION:
        throw xls::XlsError("a part of the workbook declares a document type");
    default:
        kind_ = Kind::Other;  // comments, processing instructions
        break;
    }
    return true;
}

bool XmlPart::next()
{
    kept_.clear();
    if (kind_ == Kind::Done)
        return false;
    if (kind_ == Kind::Start && emptyElement_) {
        // The end of an empty element: the parser gives none, the readers
        // count on one. The names stay.
        emptyElement_ = false;
        kind_ = Kind::End;
        return true;
    }
    if (standing_)
        standing_ = false;
    else if (!read()) {
        kind_ = Kind::Done;
        return false;
    }
    return classify();
}

void XmlPart::skip()
{
    kept_.clear();
    if (kind_ != Kind::Start)
        return;
    if (!emptyElement_) {
        // Past the element's end, onto whatever follows: that is taken by
        // the next call of next().
        const int r = xmlTextReaderNext(reader_);
        if (r < 0 || failed_ || (stream_ && stream_->error()))
            fail();
        standing_ = r == 1;
    }
    emptyElement_ = false;
    kind_ = Kind::End;
}

QStringView XmlPart::text() const
{
    if (kind_ != Kind::Characters)
        return {};
    if (!textDecoded_) {
        text_ = QString::fromUtf8(value_);
        textDecoded_ = true;
    }
    return text_;
}

QString XmlPart::readElementText()
{
    QString out;
    if (kind_ != Kind::Start)
        return out;
    for (int depth = 1; depth > 0 && next();) {
        if (kind_ == Kind::Start) {
            ++depth;
        } else if (kind_ == Kind::End) {
            --depth;
        } else if (kind_ == Kind::Characters) {
            text();
            if (out.isEmpty())
                out = text_;  // shared, not copied
            else
                out += text_;
        }
    }
    return out;
}

QStringView XmlPart::keep(const char *utf8) const
{
    if (!*utf8)
        return QStringView(u"");
    kept_.push_back(QString::fromUtf8(utf8));
    return kept_.back();  // a QString's characters stay put when the list grows
}

QStringView XmlPart::attribute(QStringView qualified) const
{
    if (kind_ != Kind::Start || xmlTextReaderMoveToFirstAttribute(reader_) != 1)
        return {};
    QStringView found;
    do {
        if (xmlTextReaderIsNamespaceDecl(reader_) != 1 &&
            QLatin1String(orEmpty(xmlTextReaderConstName(reader_))) == qualified) {
            found = keep(orEmpty(xmlTextReaderConstValue(reader_)));
            break;
        }
    } while (xmlTextReaderMoveToNextAttribute(reader_) == 1);
    xmlTextReaderMoveToElement(reader_);
    return found;
}

QStringView XmlPart::attribute(QStringView ns, QStringView local) const
{
    if (kind_ != Kind::Start || xmlTextReaderMoveToFirstAttribute(reader_) != 1)
        return {};
    QStringView found;
    do {
        if (xmlTextReaderIsNamespaceDecl(reader_) != 1 &&
            QLatin1String(orEmpty(xmlTextReaderConstLocalName(reader_))) == local &&
            QLatin1String(orEmpty(xmlTextReaderConstNamespaceUri(reader_))) == ns) {
            found = keep(orEmpty(xmlTextReaderConstValue(reader_)));
            break;
        }
    } while (xmlTextReaderMoveToNextAttribute(reader_) == 1);
    xmlTextReaderMoveToElement(reader_);
    return found;
}

QStringView XmlPart::attributeInAnyNamespace(QStringView local) const
{
    if (kind_ != Kind::Start || xmlTextReaderMoveToFirstAttribute(reader_) != 1)
        return {};
    QStringView found;
    do {
        if (xmlTextReaderIsNamespaceDecl(reader_) != 1 && *orEmpty(xmlTextReaderConstNamespaceUri(reader_)) &&
            QLatin1String(orEmpty(xmlTextReaderConstLocalName(reader_))) == local) {
            found = keep(orEmpty(xmlTextReaderConstValue(reader_)));
            break;
        }
    } while (xmlTextReaderMoveToNextAttribute(reader_) == 1);
    xmlTextReaderMoveToElement(reader_);
    return found;
}

}  // namespace deckzip
