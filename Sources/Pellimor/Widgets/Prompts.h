#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace pellimor {

// Every question a view puts to the user goes through this interface, so tests can answer
// with a script and never wait on a real dialog. DialogPrompts is the one the program uses.
// (Tools' sheets are not prompts: the window opens them without waiting, SheetPresenter.)
//
// Main thread only. A call returns when the user has answered.
class Prompts {
public:
    // One button of a question. The buttons stand in the order given (a destructive action
    // may stand apart, where the platform puts such buttons). The one with the cancel role
    // also answers Escape and closing. A destructive action (one that deletes or overwrites
    // something of the user's) is marked as such and is never the answer Return gives. Return
    // gives the action marked as the default; without one, the first action that neither
    // cancels nor destroys, else the cancel action.
    struct Action {
        QString title;
        bool cancel = false;
        bool destructive = false;
        bool isDefault = false;
    };

    // How grave a question looks: a plain question, a warning of a risk, or a critical one
    // (something already went wrong).
    enum class Style { question, warning, critical };

    virtual ~Prompts() = default;

    // Asks a question; the title of the chosen action, or nothing when the question was
    // dismissed without one.
    virtual std::optional<QString> confirm(const QString& title, const QString& message,
                                           const QList<Action>& actions, Style style = Style::question) = 0;

    // Tells the user something (a refusal, a problem), with one "OK" button.
    virtual void tell(const QString& title, const QString& text) = 0;

    // Lets the user choose one or more folders, starting in `start`, with `button` as the
    // confirming button's title and `message` above the choice. The chosen folders' absolute
    // paths; nothing when the user cancelled.
    virtual std::optional<QStringList> chooseFolders(const QString& start, const QString& button,
                                                     const QString& message) = 0;

    // Lets the user choose one folder, starting in `start`, with `button` as the confirming
    // button's title and `message` above the choice; the user may make a new folder there.
    // The chosen folder's absolute path; nothing when the user cancelled.
    virtual std::optional<QString> chooseFolder(const QString& start, const QString& button,
                                                const QString& message) = 0;

    // Lets the user choose where to save a file: the name `suggestedName` offered in
    // `startFolder`, with `message` (may be empty) above the choice. `nameFilter`, in the form
    // "Plain text (*.txt)", limits the files offered to that kind, and a name given without an
    // extension gets the kind's first one; empty offers every file. An existing file is only
    // chosen after the user agreed to replace it. The chosen file's absolute path; nothing
    // when the user cancelled.
    virtual std::optional<QString> chooseSaveFile(const QString& suggestedName, const QString& startFolder,
                                                  const QString& message,
                                                  const QString& nameFilter = QString()) = 0;
};

} // namespace pellimor
