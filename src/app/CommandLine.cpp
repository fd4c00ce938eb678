#include "app/CommandLine.h"

namespace cli {

QString helpText()
{
    return QStringLiteral(
        "Usage: mnemora [options] [deck]\n"
        "Mnemora, a flashcard trainer: study the question-and-answer cards of a deck.\n"
        "\n"
        "Options:\n"
        "  -h, --help     Show this help and exit.\n"
        "  -v, --version  Show the version and exit.\n"
        "\n"
        "Arguments:\n"
        "  deck           A deck to study at once: a workbook (.xls, .xlsx or .ods)\n"
        "                 whose sheet Sheet1 holds one card per row, the question\n"
        "                 in column A and the answer in column B.\n");
}

Request parse(const QStringList &args)
{
    Request request;
    QStringList decks;
    bool optionsEnd = false;
    for (const QString &arg : args) {
        if (!optionsEnd && (arg == u"-h" || arg == u"--help" || arg == u"-?")) {
            return {Request::Action::Help, QString(), helpText()};
        }
        if (!optionsEnd && (arg == u"-v" || arg == u"--version"))
            return {Request::Action::Version, QString(), QStringLiteral("Mnemora " MNEMORA_VERSION "\n")};
        if (!optionsEnd && arg == u"--") {
            optionsEnd = true;
        } else if (!optionsEnd && arg.startsWith(u'-') && arg.size() > 1) {
            request = {Request::Action::Error, QString(),
                       QStringLiteral("mnemora: unknown option %1\nTry 'mnemora --help'.\n").arg(arg)};
        } else {
            decks << arg;
        }
    }
    if (request.action == Request::Action::Error)
        return request;
    if (decks.size() > 1)
        return {Request::Action::Error, QString(),
                QStringLiteral("mnemora: one deck at a time, but %1 were given: %2\nTry 'mnemora --help'.\n")
                    .arg(decks.size())
                    .arg(decks.join(QStringLiteral(", ")))};
    request.deck = decks.value(0);
    return request;
}

}  // namespace cli
