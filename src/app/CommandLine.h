#pragma once
// The program's command line, read before any window exists, so that
// --help and --version work without a display.

#include <QString>
#include <QStringList>

namespace cli {

struct Request {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QString deck;    // Run: the deck to study at once, or ""
    QString output;  // Help, Version: what to print; Error: the message
};

// args without the program's name. The options Qt itself takes (such as
// -platform NAME) are to be taken out first; for --help and --version they
// are passed over.
Request parse(const QStringList &args);

// The usage line and the options, as --help prints them.
QString helpText();

}  // namespace cli
