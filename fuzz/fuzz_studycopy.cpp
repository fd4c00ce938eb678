// Feeds arbitrary bytes to the study-copy loader. Whatever it accepts must
// answer every card and side it reports, and the program's own form of the
// same cards must load to the same texts.

#include "decks/StudyCopy.h"
#include "decks/StudyDocument.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    decks::StudyDocument doc;
    if (!doc.setContent(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size))))
        return 0;
    const decks::StudyElement root = doc.documentElement();
    if (root.isNull())
        std::abort();

    // Write the two-sided cards again in the program's own form; the fast
    // path must read back the texts the general parser (or itself) gave.
    QString own = decks::kStudyCopyDeclaration + QStringLiteral("<Root>");
    QStringList expected;
    for (int card = 0; card < root.childCount(); ++card) {
        if (root.childCountOf(card) != 2)
            continue;
        const QString q = decks::removeNonXmlCharacters(root.text(card, 0));
        const QString a = decks::removeNonXmlCharacters(root.text(card, 1));
        if (q.contains(QLatin1Char('\r')) || a.contains(QLatin1Char('\r')))
            continue;  // a parser turns a carriage return into a line feed
        own += QStringLiteral("<Card><Que>") + decks::escapeAnswer(q) + QStringLiteral("</Que><Ans>") +
               decks::escapeAnswer(a) + QStringLiteral("</Ans></Card>");
        expected << q << a;
    }
    own += QStringLiteral("</Root>\r\n");
    decks::StudyDocument again;
    if (!again.setContent(own.toUtf8())) {
        std::fprintf(stderr, "the program's own form does not load\n");
        std::abort();
    }
    const decks::StudyElement back = again.documentElement();
    QStringList got;
    for (int card = 0; card < back.childCount(); ++card)
        got << back.text(card, 0) << back.text(card, 1);
    // An en dash is written as a hyphen.
    for (QString &text : expected)
        text.replace(QChar(0x2013), QLatin1Char('-'));
    if (got != expected) {
        std::fprintf(stderr, "texts differ after a rewrite\n");
        std::abort();
    }
    return 0;
}
