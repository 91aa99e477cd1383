#include "Shell/Views/SheetPresenter.h"

#include "Shell/Views/CentredPage.h"

#include <QFont>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace pellimor::SheetPresenter {

namespace {

QString quotedNames(const QList<LibraryInfo>& libraries) {
    QStringList names;
    for (const LibraryInfo& library : libraries)
        names.append(QStringLiteral("“") + library.name + QStringLiteral("”"));
    return names.join(QStringLiteral(", "));
}

// A window-modal box with a title, a text and one "Close" button, opened without waiting.
void openStandIn(QWidget* window, const QString& title, const QString& text, std::function<void()> done) {
    auto* box = new QMessageBox(window);
    box->setObjectName(QStringLiteral("sheetStandIn"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Information);
    box->setWindowTitle(title);
    box->setText(title);
    box->setInformativeText(text);
    box->addButton(QStringLiteral("Close"), QMessageBox::AcceptRole);
    QObject::connect(box, &QDialog::finished, box, [done = std::move(done)] {
        if (done)
            done();
    });
    box->open();
}

QString later(const QString& tool, const QString& forWhat) {
    return QStringLiteral("The ") + tool + QStringLiteral(" tool would open here for ") + forWhat +
           QStringLiteral(". It comes with a later version of Tovlin; nothing was changed.");
}

} // namespace

void cleanup(QWidget* window, Catalog&, const LibraryInfo& snapshot, std::function<void()> done) {
    openStandIn(window, QStringLiteral("Free Up Space"),
                later(QStringLiteral("Free Up Space"), quotedNames({snapshot})), std::move(done));
}

void missingFiles(QWidget* window, Catalog&, const MissingRequest& request, std::function<void()> done) {
    openStandIn(window, QStringLiteral("Missing Files"),
                later(QStringLiteral("Missing Files"), quotedNames(request.libraries)), std::move(done));
}

void update(QWidget* window, Catalog&, const UpdateRequest& request, std::function<void()> done) {
    openStandIn(window, QStringLiteral("Update Libraries"),
                later(QStringLiteral("Update"), quotedNames(request.libraries)), std::move(done));
}

ComparePage comparePage(Catalog&, QWidget* parent) {
    QLabel* text = nullptr;
    QWidget* page = CentredPage::standIn(QStringLiteral("Compare"), parent, &text);
    page->setObjectName(QStringLiteral("comparePage"));
    text->setObjectName(QStringLiteral("compareText"));
    const QPointer<QLabel> shown(text);
    return {page, [shown](const QList<LibraryInfo>& comparable, const QString&) {
                if (shown)
                    shown->setText(
                        QStringLiteral("The copies among %1 catalogued libraries will be compared here.")
                            .arg(comparable.size()));
            }};
}

} // namespace pellimor::SheetPresenter
