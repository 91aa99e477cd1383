#include "Widgets/DialogPrompts.h"

#include "Widgets/LiteralTitle.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

namespace pellimor {

namespace {

// `start` when it is a folder, else the nearest folder above it that is there (a folder to be
// made by its first use opens at its parent), else the home folder.
QString nearestFolder(const QString& start) {
    if (start.isEmpty())
        return QDir::homePath();
    QString folder = QDir::cleanPath(QFileInfo(start).absoluteFilePath());
    while (!QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            return QDir::homePath();
        folder = parent;
    }
    return folder;
}

// Qt's own dialog choosing folders, starting at `start` (see nearestFolder), with `message`
// beneath the choice.
void prepareFolderDialog(QFileDialog& dialog, const QString& start, const QString& button,
                         const QString& message) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, button);
    dialog.setDirectory(nearestFolder(start));
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        auto* label = new QLabel(message, &dialog);
        label->setWordWrap(true);
        grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
    }
}

} // namespace

std::optional<QString> DialogPrompts::confirm(const QString& title, const QString& message,
                                              const QList<Action>& actions, Style style) {
    QMessageBox box(m_window);
    box.setIcon(style == Style::critical  ? QMessageBox::Critical
                : style == Style::warning ? QMessageBox::Warning
                                          : QMessageBox::Question);
    box.setWindowTitle(title);
    box.setText(title);
    box.setInformativeText(message);
    QList<QPair<QAbstractButton*, QString>> buttons;
    QPushButton* cancel = nullptr;
    QPushButton* chosenDefault = nullptr;
    QPushButton* preferred = nullptr;
    for (const Action& action : actions) {
        // One role for all but a destructive action: the box then keeps the order given,
        // where roles would let the platform's layout reorder them. Escape and Return are
        // given their buttons below.
        const QMessageBox::ButtonRole role =
            action.destructive ? QMessageBox::DestructiveRole : QMessageBox::ActionRole;
        QPushButton* button = box.addButton(literalTitle(action.title), role);
        button->setObjectName(action.title);
        buttons.append({button, action.title});
        if (action.isDefault && !action.destructive && !chosenDefault)
            chosenDefault = button;
        if (action.cancel && !cancel)
            cancel = button;
        else if (!action.cancel && !action.destructive && !preferred)
            preferred = button;
    }
    if (cancel)
        box.setEscapeButton(cancel);
    // Return never answers with a destructive action: without a plain one it cancels.
    if (QPushButton* byDefault = chosenDefault ? chosenDefault : preferred ? preferred : cancel)
        box.setDefaultButton(byDefault);
    for (const auto& [button, actionTitle] : std::as_const(buttons)) {
        if (button != box.defaultButton())
            static_cast<QPushButton*>(button)->setAutoDefault(false);
    }
    box.exec();
    for (const auto& [button, actionTitle] : std::as_const(buttons)) {
        if (box.clickedButton() == button)
            return actionTitle;
    }
    return std::nullopt;
}

void DialogPrompts::tell(const QString& title, const QString& text) {
    QMessageBox box(m_window);
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(title);
    box.setText(title);
    box.setInformativeText(text);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

std::optional<QStringList> DialogPrompts::chooseFolders(const QString& start, const QString& button,
                                                        const QString& message) {
    QFileDialog dialog(m_window);
    prepareFolderDialog(dialog, start, button, message);
    // Qt's dialog chooses one folder unless its views let several rows be selected.
    for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>(QStringLiteral("listView")))
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>(QStringLiteral("treeView")))
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    QStringList folders;
    for (const QString& folder : dialog.selectedFiles()) {
        const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
        if (QFileInfo(path).isDir() && !folders.contains(path))
            folders.append(path);
    }
    if (folders.isEmpty())
        return std::nullopt;
    return folders;
}

std::optional<QString> DialogPrompts::chooseFolder(const QString& start, const QString& button,
                                                   const QString& message) {
    QFileDialog dialog(m_window);
    prepareFolderDialog(dialog, start, button, message);
    // Qt's dialog offers "Create New Folder" unless it is read-only, which it is not here.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::cleanPath(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath());
}

std::optional<QString> DialogPrompts::chooseSaveFile(const QString& suggestedName, const QString& startFolder,
                                                     const QString& message, const QString& nameFilter) {
    QFileDialog dialog(m_window);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!nameFilter.isEmpty()) {
        dialog.setNameFilter(nameFilter);
        static const QRegularExpression firstExtension(QStringLiteral(R"(\*\.([^\s;)]+))"));
        if (const QRegularExpressionMatch found = firstExtension.match(nameFilter); found.hasMatch())
            dialog.setDefaultSuffix(found.captured(1));
    }
    dialog.setDirectory(QFileInfo(startFolder).isDir() ? startFolder : QDir::homePath());
    dialog.selectFile(suggestedName);
    if (!message.isEmpty()) {
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            auto* label = new QLabel(message, &dialog);
            label->setWordWrap(true);
            grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
        }
    }
    // Qt's dialog asks before an existing file is replaced.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::cleanPath(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath());
}

} // namespace pellimor
