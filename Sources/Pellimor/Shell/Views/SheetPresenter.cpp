#include "Shell/Views/SheetPresenter.h"

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
    auto* page = new QWidget(parent);
    page->setObjectName(QStringLiteral("comparePage"));
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(10);
    layout->addStretch();
    // Sizes at the window's base size of 13, so they grow with "Larger Text".
    auto* title = new QLabel(QStringLiteral("Compare"), page);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 17 / 13.0);
    titleFont.setWeight(QFont::Bold);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);
    title->setWordWrap(true);
    auto* text = new QLabel(page);
    text->setObjectName(QStringLiteral("compareText"));
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    text->setForegroundRole(QPalette::PlaceholderText);
    text->setMaximumWidth(420);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(text, 0, Qt::AlignHCenter);
    layout->addStretch();
    const QPointer<QLabel> shown(text);
    return {page, [shown](const QList<LibraryInfo>& comparable, const QString&) {
                if (shown)
                    shown->setText(
                        QStringLiteral("The copies among %1 catalogued libraries will be compared here.")
                            .arg(comparable.size()));
            }};
}

} // namespace pellimor::SheetPresenter
