#pragma once

#include "Widgets/Prompts.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace pellimor::test {

// Prompts answered from a script, so no test waits on a dialog. Every question, note, folder
// choice and save choice is recorded; an answer is taken from the front of its queue, and an
// empty queue answers as a dismissed dialog (no action, no folders, no file).
class ScriptedPrompts final : public Prompts {
public:
    struct Question {
        QString title;
        QString message;
        QList<Action> actions;
        Style style = Style::question;
    };
    struct Note {
        QString title;
        QString text;
    };
    struct FolderChoice {
        QString start;
        QString button;
        QString message;
    };
    struct SaveChoice {
        QString suggestedName;
        QString startFolder;
        QString message;
        QString nameFilter;
    };

    QList<std::optional<QString>> answers;     // for confirm()
    QList<std::optional<QStringList>> folders; // for chooseFolders()
    QList<std::optional<QString>> oneFolder;   // for chooseFolder()
    QList<std::optional<QString>> saveFiles;   // for chooseSaveFile()

    QList<Question> questions;
    QList<Note> notes;
    QList<FolderChoice> folderChoices;
    QList<FolderChoice> oneFolderChoices;
    QList<SaveChoice> saveChoices;

    std::optional<QString> confirm(const QString& title, const QString& message, const QList<Action>& actions,
                                   Style style = Style::question) override {
        questions.append({title, message, actions, style});
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
    void tell(const QString& title, const QString& text) override { notes.append({title, text}); }
    std::optional<QStringList> chooseFolders(const QString& start, const QString& button,
                                             const QString& message) override {
        folderChoices.append({start, button, message});
        return folders.isEmpty() ? std::nullopt : folders.takeFirst();
    }
    std::optional<QString> chooseFolder(const QString& start, const QString& button,
                                        const QString& message) override {
        oneFolderChoices.append({start, button, message});
        return oneFolder.isEmpty() ? std::nullopt : oneFolder.takeFirst();
    }
    std::optional<QString> chooseSaveFile(const QString& suggestedName, const QString& startFolder,
                                          const QString& message,
                                          const QString& nameFilter = QString()) override {
        saveChoices.append({suggestedName, startFolder, message, nameFilter});
        return saveFiles.isEmpty() ? std::nullopt : saveFiles.takeFirst();
    }

    // The action titles of a question, "(cancel)" marking the cancel role, "(destructive)" a
    // destructive action and "(default)" the one marked as the default.
    static QStringList titles(const Question& question) {
        QStringList list;
        for (const Action& action : question.actions) {
            QString title = action.title;
            if (action.cancel)
                title += QStringLiteral(" (cancel)");
            if (action.destructive)
                title += QStringLiteral(" (destructive)");
            if (action.isDefault)
                title += QStringLiteral(" (default)");
            list.append(title);
        }
        return list;
    }
};

} // namespace pellimor::test
