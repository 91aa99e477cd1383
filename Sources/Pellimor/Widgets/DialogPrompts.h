#pragma once

#include "Widgets/Prompts.h"

#include <QPointer>
#include <QWidget>

namespace pellimor {

// The prompts as modal dialogs over a window: questions and notes in a message box, the
// folder and file choices in Qt's own file dialog (the platform's folder dialog cannot choose
// several folders at once, and Qt's can show a message).
//
// Main thread only.
class DialogPrompts final : public Prompts {
public:
    explicit DialogPrompts(QWidget* window) : m_window(window) {}

    std::optional<QString> confirm(const QString& title, const QString& message, const QList<Action>& actions,
                                   Style style = Style::question) override;
    void tell(const QString& title, const QString& text) override;
    std::optional<QStringList> chooseFolders(const QString& start, const QString& button,
                                             const QString& message) override;
    std::optional<QString> chooseFolder(const QString& start, const QString& button,
                                        const QString& message) override;
    std::optional<QString> chooseSaveFile(const QString& suggestedName, const QString& startFolder,
                                          const QString& message,
                                          const QString& nameFilter = QString()) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace pellimor
