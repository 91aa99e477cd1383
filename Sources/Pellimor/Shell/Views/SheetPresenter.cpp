#include "Shell/Views/SheetPresenter.h"

#include "Compare/Views/CompareView.h"
#include "FinalCut/Views/UpdateSheet.h"
#include "FreeUpSpace/CleanupController.h"
#include "FreeUpSpace/Views/FreeUpSpaceSheet.h"
#include "MissingFiles/MissingFilesController.h"
#include "MissingFiles/Views/MissingFilesSheet.h"
#include "Plugins/Views/LibraryPlugins.h"
#include "Plugins/Views/PluginsView.h"

#include <QCoreApplication>
#include <QFont>
#include <QHideEvent>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace pellimor::SheetPresenter {

namespace {

// Opens a tool's sheet over its work, which the application owns: the sheet goes when it
// closes, and tells the work so, which then goes once it has nothing left to do.
template <typename Work> void openWith(Work& work, QDialog* sheet, std::function<void()> done) {
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    const QPointer<Work> held(&work);
    QObject::connect(sheet, &QDialog::finished, sheet, [held, done = std::move(done)] {
        if (held)
            held->close();
        if (done)
            done();
    });
    sheet->open();
    work.start();
}

// A tab's page holding a view made afresh each time the tab is shown again, so its check boxes,
// selection and sort start anew, as they do for a screen that is opened.
template <typename View> class FreshPage final : public QWidget {
public:
    FreshPage(Catalog& catalog, const QString& name, QWidget* parent) : QWidget(parent), m_catalog(catalog) {
        setObjectName(name);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
    }

    template <typename... Inputs> void present(const Inputs&... inputs) {
        if (m_view && m_hidden) {
            delete m_view;
            m_view = nullptr;
        }
        m_hidden = false;
        if (!m_view) {
            m_view = new View(m_catalog, this);
            layout()->addWidget(m_view);
        }
        m_view->present(inputs...);
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
    QPointer<View> m_view;
    bool m_hidden = false;
};

} // namespace

void cleanup(QWidget* window, Catalog& catalog, const LibraryInfo& snapshot, std::function<void()> done) {
    // The application owns the work, not the sheet: a run outlives a closed sheet.
    auto* controller = new CleanupController(catalog, snapshot, QCoreApplication::instance());
    openWith(*controller, new FreeUpSpaceSheet(*controller, window), std::move(done));
}

void missingFiles(QWidget* window, Catalog& catalog, const MissingRequest& request,
                  std::function<Prompts&()> prompts, std::function<void()> done) {
    // The application owns the work: a search the sheet leaves behind ends on its own.
    auto* controller = new MissingFilesController(catalog, request, QCoreApplication::instance());
    openWith(*controller, new MissingFilesSheet(*controller, std::move(prompts), window), std::move(done));
}

void update(QWidget* window, Catalog& catalog, const UpdateRequest& request,
            std::function<Prompts&()> prompts, std::function<void()> done) {
    auto* sheet = new UpdateSheet(catalog, request, std::move(prompts), window);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(sheet, &QDialog::finished, sheet, [done = std::move(done)] {
        if (done)
            done();
    });
    sheet->open();
}

ComparePage comparePage(Catalog& catalog, QWidget* parent) {
    auto* page = new FreshPage<CompareView>(catalog, QStringLiteral("comparePage"), parent);
    const QPointer<FreshPage<CompareView>> shown(page);
    return {page, [shown](const QList<LibraryInfo>& comparable, const QString& search) {
                if (shown)
                    shown->present(comparable, search);
            }};
}

PluginsPage pluginsPage(Catalog& catalog, QWidget* parent) {
    auto* page = new FreshPage<PluginsView>(catalog, QStringLiteral("pluginsPage"), parent);
    const QPointer<FreshPage<PluginsView>> shown(page);
    return {page, [shown](const QList<LibraryInfo>& visible, const SearchQuery& query) {
                if (shown)
                    shown->present(visible, query);
            }};
}

QWidget* libraryPlugins(Catalog& catalog, const LibraryInfo& library, QWidget* parent) {
    return new LibraryPlugins(catalog, library, parent);
}

} // namespace pellimor::SheetPresenter
