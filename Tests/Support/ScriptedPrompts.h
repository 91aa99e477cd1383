#pragma once

#include "Widgets/Prompts.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace pellimor::test {

// Prompts answered from a script, so no test waits on a dialog. Every question, folder choice
// and sheet is recorded; an answer is taken from the front of its queue, and an empty queue
// answers as a dismissed dialog (no action, no folders).
class ScriptedPrompts final : public Prompts {
public:
    struct Question {
        QString title;
        QString message;
        QList<Action> actions;
    };
    struct FolderChoice {
        QString start;
        QString button;
        QString message;
    };
    struct Sheet {
        QString title;
        QString message;
    };

    QList<std::optional<QString>> answers;     // for confirm()
    QList<std::optional<QStringList>> folders; // for chooseFolders()

    QList<Question> questions;
    QList<FolderChoice> folderChoices;
    QList<Sheet> sheets;

    std::optional<QString> confirm(const QString& title, const QString& message,
                                   const QList<Action>& actions) override {
        questions.append({title, message, actions});
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
    std::optional<QStringList> chooseFolders(const QString& start, const QString& button,
                                             const QString& message) override {
        folderChoices.append({start, button, message});
        return folders.isEmpty() ? std::nullopt : folders.takeFirst();
    }
    void showSheet(const QString& title, const QString& message) override { sheets.append({title, message}); }

    // The action titles of a question, "(cancel)" marking the cancel role.
    static QStringList titles(const Question& question) {
        QStringList list;
        for (const Action& action : question.actions)
            list.append(action.cancel ? action.title + QStringLiteral(" (cancel)") : action.title);
        return list;
    }
};

} // namespace pellimor::test
