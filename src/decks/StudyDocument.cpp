#include "decks/StudyDocument.h"

#include "decks/DeckStore.h"

#include <QFile>
#include <QUtf8StringView>
#include <QXmlStreamReader>

#include <cstring>

namespace decks {

int StudyElement::childCount() const
{
    return doc_ ? static_cast<int>(doc_->nodes_.size()) : 0;
}

int StudyElement::childCountOf(int card) const
{
    if (!doc_ || card < 0 || card >= childCount())
        throw DeckError("no such card in the study copy");
    return doc_->nodes_[static_cast<size_t>(card)].count;
}

QString StudyElement::text(int card, int side) const
{
    if (side < 0 || side >= childCountOf(card))
        throw DeckError("no such side of a card in the study copy");
    const StudyDocument::Node &node = doc_->nodes_[static_cast<size_t>(card)];
    return doc_->fields_[static_cast<size_t>(node.first + side)];
}

void StudyDocument::clear()
{
    loaded_ = false;
    nodes_.clear();
    fields_.clear();
}

bool StudyDocument::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        clear();
        return false;
    }
    return setContent(file.readAll());
}

bool StudyDocument::setContent(const QByteArray &bytes)
{
    clear();
    if (parseOwnForm(bytes) || parseGeneral(bytes)) {
        loaded_ = true;
        return true;
    }
    clear();
    return false;
}

namespace {

// Reads the text of an element up to the next "<", entities decoded and
// line ends normalised as an XML parser does. Returns false for anything
// the fast path leaves to the general parser.
bool readText(const char *&p, const char *end, QString &out)
{
    const char *start = p;
    bool plain = true;
    while (p < end && *p != '<') {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            return false;
        if (c == '&' || c == '\r')
            plain = false;
        if (c == ']' && end - p >= 3 && p[1] == ']' && p[2] == '>')
            return false;
        if (c == 0xEF && end - p >= 3 && static_cast<unsigned char>(p[1]) == 0xBF &&
            (static_cast<unsigned char>(p[2]) == 0xBE || static_cast<unsigned char>(p[2]) == 0xBF))
            return false;  // U+FFFE, U+FFFF
        ++p;
    }
    if (p == end)
        return false;
    if (plain) {
        out = QString::fromUtf8(start, p - start);
        return true;
    }

    QByteArray text;
    text.reserve(p - start);
    for (const char *q = start; q < p; ++q) {
        if (*q == '\r') {
            text += '\n';
            if (q + 1 < p && q[1] == '\n')
                ++q;
        } else if (*q == '&') {
            const char *semi = static_cast<const char *>(std::memchr(q, ';', p - q));
            if (!semi)
                return false;
            const QByteArray name(q + 1, semi - q - 1);
            if (name == "amp")
                text += '&';
            else if (name == "lt")
                text += '<';
            else if (name == "gt")
                text += '>';
            else if (name == "quot")
                text += '"';
            else if (name == "apos")
                text += '\'';
            else
                return false;  // character references and the like: the general parser
            q = semi;
        } else {
            text += *q;
        }
    }
    out = QString::fromUtf8(text);
    return true;
}

bool expect(const char *&p, const char *end, const char *tag, size_t length)
{
    if (static_cast<size_t>(end - p) < length || std::memcmp(p, tag, length) != 0)
        return false;
    p += length;
    return true;
}

#define EXPECT(tag) expect(p, end, tag, sizeof(tag) - 1)

}  // namespace

bool StudyDocument::parseOwnForm(const QByteArray &bytes)
{
    if (!QUtf8StringView(bytes).isValidUtf8())
        return false;
    const char *p = bytes.constData();
    const char *end = p + bytes.size();
    if (!EXPECT("<?xml version='1.0' encoding='UTF-8'?><Root>"))
        return false;
    nodes_.reserve(static_cast<size_t>(bytes.size() / 64));
    fields_.reserve(static_cast<size_t>(bytes.size() / 32));
    QString question, answer;
    while (!EXPECT("</Root>")) {
        if (!EXPECT("<Card><Que>") || !readText(p, end, question) || !EXPECT("</Que><Ans>") ||
            !readText(p, end, answer) || !EXPECT("</Ans></Card>"))
            return false;
        nodes_.push_back({static_cast<qsizetype>(fields_.size()), 2});
        fields_.push_back(std::move(question));
        fields_.push_back(std::move(answer));
    }
    for (; p < end; ++p)
        if (*p != '\r' && *p != '\n' && *p != ' ' && *p != '\t')
            return false;
    return true;
}

bool StudyDocument::parseGeneral(const QByteArray &bytes)
{
    nodes_.clear();
    fields_.clear();
    QXmlStreamReader xml(bytes);
    int depth = 0;
    bool sawRoot = false;
    // A child node of the document element; its own child nodes' texts.
    const auto newNode = [this] { nodes_.push_back({static_cast<qsizetype>(fields_.size()), 0}); };
    const auto newField = [this](const QString &text) {
        fields_.push_back(text);
        ++nodes_.back().count;
    };
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (depth == 1) {
                if (sawRoot)
                    return false;
                sawRoot = true;
            } else if (depth == 2) {
                newNode();
            } else if (depth == 3) {
                newField(QString());
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
            // Text made only of blanks between tags is not a node.
            if (depth == 1 && !xml.isWhitespace()) {
                newNode();
            } else if (depth == 2 && !xml.isWhitespace()) {
                newField(xml.text().toString());
            } else if (depth >= 3) {
                fields_.back() += xml.text();
            }
            break;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            if (depth == 1)
                newNode();
            else if (depth == 2)
                newField(QString());
            break;
        default:
            break;
        }
    }
    return !xml.hasError() && sawRoot;
}

}  // namespace decks
