#pragma once

#include "Widgets/Prompts.h"

#include <QPointer>
#include <QWidget>

namespace pellimor {

// The prompts as modal dialogs over a window: questions in a message box, the folder choice
// in Qt's own file dialog (the platform's folder dialog cannot choose several folders at
// once), sheets as a message box with one "Close" button.
//
// Main thread only.
class DialogPrompts final : public Prompts {
public:
    explicit DialogPrompts(QWidget* window) : m_window(window) {}

    std::optional<QString> confirm(const QString& title, const QString& message,
                                   const QList<Action>& actions) override;
    std::optional<QStringList> chooseFolders(const QString& start, const QString& button,
                                             const QString& message) override;
    void showSheet(const QString& title, const QString& message) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace pellimor
