#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace pellimor {

// Every question the main window puts to the user goes through this interface, so tests can
// answer with a script and never wait on a real dialog. DialogPrompts is the one the program
// uses.
//
// Main thread only. A call returns when the user has answered.
class Prompts {
public:
    // One button of a question. The one with the cancel role also answers Escape and closing.
    struct Action {
        QString title;
        bool cancel = false;
    };

    virtual ~Prompts() = default;

    // Asks a question; the title of the chosen action, or nothing when the question was
    // dismissed without one.
    virtual std::optional<QString> confirm(const QString& title, const QString& message,
                                           const QList<Action>& actions) = 0;

    // Lets the user choose one or more folders, starting in `start`, with `button` as the
    // confirming button's title and `message` above the choice. The chosen folders' absolute
    // paths; nothing when the user cancelled.
    virtual std::optional<QStringList> chooseFolders(const QString& start, const QString& button,
                                                     const QString& message) = 0;

    // Shows a sheet with a title and a text until the user closes it.
    virtual void showSheet(const QString& title, const QString& message) = 0;
};

} // namespace pellimor
