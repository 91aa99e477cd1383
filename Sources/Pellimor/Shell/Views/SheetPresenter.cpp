#include "Shell/Views/SheetPresenter.h"

#include "Compare/Views/CompareView.h"
#include "FreeUpSpace/CleanupController.h"
#include "FreeUpSpace/Views/FreeUpSpaceSheet.h"

#include <QCoreApplication>
#include <QFont>
#include <QHideEvent>
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

// The Compare tab's page: a CompareView made afresh each time the tab is shown again, so its
// check boxes, selection and sort start anew, as they do for a screen that is opened.
class FreshComparePage final : public QWidget {
public:
    FreshComparePage(Catalog& catalog, QWidget* parent) : QWidget(parent), m_catalog(catalog) {
        setObjectName(QStringLiteral("comparePage"));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
    }

    void present(const QList<LibraryInfo>& comparable, const QString& search) {
        if (m_view && m_hidden) {
            delete m_view;
            m_view = nullptr;
        }
        m_hidden = false;
        if (!m_view) {
            m_view = new CompareView(m_catalog, this);
            layout()->addWidget(m_view);
        }
        m_view->present(comparable, search);
    }

protected:
    void hideEvent(QHideEvent* event) override {
        QWidget::hideEvent(event);
        // Another tab took its place (a minimised window hides its pages too, by the system).
        if (!event->spontaneous())
            m_hidden = true;
    }

private:
    Catalog& m_catalog;
    QPointer<CompareView> m_view;
    bool m_hidden = false;
};

} // namespace

void cleanup(QWidget* window, Catalog& catalog, const LibraryInfo& snapshot, std::function<void()> done) {
    // The application owns the work, not the sheet: a run outlives a closed sheet.
    auto* controller = new CleanupController(catalog, snapshot, QCoreApplication::instance());
    auto* sheet = new FreeUpSpaceSheet(*controller, window);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    const QPointer<CleanupController> work(controller);
    QObject::connect(sheet, &QDialog::finished, sheet, [work, done = std::move(done)] {
        if (work)
            work->close();
        if (done)
            done();
    });
    sheet->open();
    controller->start();
}

void missingFiles(QWidget* window, Catalog&, const MissingRequest& request, std::function<void()> done) {
    openStandIn(window, QStringLiteral("Missing Files"),
                later(QStringLiteral("Missing Files"), quotedNames(request.libraries)), std::move(done));
}

void update(QWidget* window, Catalog&, const UpdateRequest& request, std::function<void()> done) {
    openStandIn(window, QStringLiteral("Update Libraries"),
                later(QStringLiteral("Update"), quotedNames(request.libraries)), std::move(done));
}

ComparePage comparePage(Catalog& catalog, QWidget* parent) {
    auto* page = new FreshComparePage(catalog, parent);
    const QPointer<FreshComparePage> shown(page);
    return {page, [shown](const QList<LibraryInfo>& comparable, const QString& search) {
                if (shown)
                    shown->present(comparable, search);
            }};
}

} // namespace pellimor::SheetPresenter
