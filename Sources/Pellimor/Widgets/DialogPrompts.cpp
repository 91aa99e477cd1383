#include "Widgets/DialogPrompts.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace pellimor {

std::optional<QString> DialogPrompts::confirm(const QString& title, const QString& message,
                                              const QList<Action>& actions) {
    QMessageBox box(m_window);
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(title);
    box.setText(title);
    box.setInformativeText(message);
    QList<QPair<QAbstractButton*, QString>> buttons;
    for (const Action& action : actions) {
        QPushButton* button =
            box.addButton(action.title, action.cancel ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        buttons.append({button, action.title});
        if (action.cancel)
            box.setEscapeButton(button);
        else if (!box.defaultButton())
            box.setDefaultButton(button);
    }
    box.exec();
    for (const auto& [button, actionTitle] : buttons) {
        if (box.clickedButton() == button)
            return actionTitle;
    }
    return std::nullopt;
}

std::optional<QStringList> DialogPrompts::chooseFolders(const QString& start, const QString& button,
                                                        const QString& message) {
    QFileDialog dialog(m_window);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, button);
    dialog.setDirectory(QFileInfo(start).isDir() ? start : QDir::homePath());
    // Qt's dialog chooses one folder unless its views let several rows be selected.
    for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>(QStringLiteral("listView")))
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>(QStringLiteral("treeView")))
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        auto* label = new QLabel(message, &dialog);
        label->setWordWrap(true);
        grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
    }
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

void DialogPrompts::showSheet(const QString& title, const QString& message) {
    QMessageBox box(m_window);
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(title);
    box.setText(title);
    box.setInformativeText(message);
    box.addButton(QStringLiteral("Close"), QMessageBox::AcceptRole);
    box.exec();
}

} // namespace pellimor
