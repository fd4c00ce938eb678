#pragma once
// The loaded study copy: an XML document whose document element holds the
// cards as child nodes, each card holding its sides as child nodes.
//
// Loading is synchronous and strict: a file that is missing or not
// well-formed XML yields no document element. A study copy in the exact
// one-line form the program writes is read by a fast path; any other
// well-formed document is read by a general XML parser, with the same
// result.

#include <QByteArray>
#include <QString>

#include <vector>

namespace decks {

class StudyDocument;

// The document element of a loaded study copy, or none (isNull()).
class StudyElement {
public:
    StudyElement() = default;
    explicit StudyElement(const StudyDocument *document) : doc_(document) {}

    bool isNull() const { return doc_ == nullptr; }
    // The number of child nodes: the cards.
    int childCount() const;
    // The number of child nodes of card number card; throws DeckError when
    // there is no such card.
    int childCountOf(int card) const;
    // The text content of child node side of card number card, entities
    // decoded. Throws DeckError when there is no such node.
    QString text(int card, int side) const;

private:
    const StudyDocument *doc_ = nullptr;
};

class StudyDocument {
public:
    // Loads a file; false (and no document element) when it is missing or
    // not well-formed.
    bool load(const QString &path);
    // Loads the document from its bytes.
    bool setContent(const QByteArray &bytes);

    StudyElement documentElement() const { return loaded_ ? StudyElement(this) : StudyElement(); }

private:
    friend class StudyElement;

    bool parseOwnForm(const QByteArray &bytes);
    bool parseGeneral(const QByteArray &bytes);
    void clear();

    // A child node of the document element and the text contents of its own
    // child nodes (a range of fields_).
    struct Node {
        qsizetype first = 0;
        int count = 0;
    };

    bool loaded_ = false;
    std::vector<Node> nodes_;
    std::vector<QString> fields_;
};

}  // namespace decks
