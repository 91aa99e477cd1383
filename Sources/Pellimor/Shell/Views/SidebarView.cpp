#include "Shell/Views/SidebarView.h"

#include "Catalogue/Store/Catalog.h"
#include "Shell/SidebarDrives.h"
#include "Shell/SidebarSections.h"
#include "Shell/SidebarSettings.h"
#include "Shell/Views/SidebarModel.h"
#include "Shell/VolumeEject.h"
#include "Shell/WindowSettings.h"
#include "Widgets/DialogPrompts.h"
#include "Widgets/LiteralTitle.h"
#include "Widgets/Prompts.h"
#include "Widgets/UiFont.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollBar>

namespace pellimor {

SidebarView::SidebarView(Catalog& catalog, QWidget* parent)
    : QTreeView(parent), m_catalog(catalog), m_model(new SidebarModel(this)),
      m_delegate(new SidebarDelegate(*m_model, this)) {
    setObjectName(QStringLiteral("sidebarView"));
    setModel(m_model);
    setItemDelegate(m_delegate);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setIndentation(0);
    setUniformRowHeights(false);
    setExpandsOnDoubleClick(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    setFont(uiFont(12));
    UiFont::watchComfortableText(this, [this] {
        setFont(uiFont(12));
        doItemsLayout();
        viewport()->update();
    });

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_updating)
            Q_EMIT selectionEdited(selectedItems());
    });
    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex& header) { openStateChanged(header, true); });
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& header) { openStateChanged(header, false); });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        const SidebarRow* row = m_model->row(index);
        if (row && row->kind == SidebarRow::Kind::favorite)
            Q_EMIT favoriteClicked(row->path);
    });
    connect(this, &QAbstractItemView::doubleClicked, this, &SidebarView::favoriteDoubleClicked);

    m_delegate->onHeader = [this](const QModelIndex& header) { setExpanded(header, !isExpanded(header)); };
    m_delegate->onPart = [this](const QModelIndex& index, SidebarDelegate::Part part) {
        partClicked(index, part);
    };
}

SidebarView::~SidebarView() = default;

void SidebarView::setPrompts(std::function<Prompts&()> prompts) {
    m_prompts = std::move(prompts);
}

Prompts& SidebarView::prompts() {
    if (m_prompts)
        return m_prompts();
    if (!m_ownPrompts)
        m_ownPrompts = std::make_unique<DialogPrompts>(window());
    return *m_ownPrompts;
}

// ---- Showing --------------------------------------------------------------------------------

void SidebarView::refresh(const SidebarSelection& selection) {
    const QScopedValueRollback updating(m_updating, true);
    const int scrolled = verticalScrollBar()->value();
    if (m_model->setSections(SidebarSections::build(m_catalog))) {
        restoreOpenStates();
        verticalScrollBar()->setValue(scrolled);
    }
    select(selection);
}

void SidebarView::restoreOpenStates() {
    for (int i = 0; i < m_model->rowCount(); ++i) {
        const QModelIndex header = m_model->index(i, 0);
        if (const SidebarSection* section = m_model->section(header))
            setExpanded(header, SidebarSettings::isOpen(section->kind));
    }
}

void SidebarView::select(const SidebarSelection& selection) {
    if (selectedItems() == selection)
        return;
    QItemSelection rows;
    for (const SidebarItem& item : selection) {
        const QModelIndex index = m_model->indexOf(item);
        if (index.isValid())
            rows.select(index, index);
    }
    selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
}

SidebarSelection SidebarView::selectedItems() const {
    SidebarSelection selection;
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
        const SidebarRow* row = m_model->row(index);
        if (row && row->item)
            selection.insert(*row->item);
    }
    return selection;
}

void SidebarView::openStateChanged(const QModelIndex& header, bool open) {
    if (m_updating)
        return;
    const SidebarSection* section = m_model->section(header);
    if (!section)
        return;
    if (!section->collapsible()) {
        // "Favorites" stays open, also against the keyboard.
        if (!open)
            setExpanded(header, true);
        return;
    }
    SidebarSettings::setOpen(section->kind, open);
}

// ---- The rows' buttons ----------------------------------------------------------------------

QStyleOptionViewItem SidebarView::optionFor(const QModelIndex& index) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    if (isExpanded(index))
        option.state |= QStyle::State_Open;
    return option;
}

QRectF SidebarView::partRect(const QModelIndex& index, SidebarDelegate::Part part) {
    executeDelayedItemsLayout();
    for (const SidebarDelegate::Hit& hit : m_delegate->hits(optionFor(index), index)) {
        if (hit.part == part)
            return hit.rect;
    }
    return {};
}

void SidebarView::partClicked(const QModelIndex& index, SidebarDelegate::Part part) {
    using Part = SidebarDelegate::Part;
    // Acted on at the next turn, with the row as it was clicked: the action may rebuild the
    // rows, which must not happen under the event that is being delivered.
    std::function<void()> action;
    if (part == Part::selectAll) {
        const SidebarSection* section = m_model->section(index);
        if (!section)
            return;
        action = [this, chosen = SidebarSections::selectAll(m_model->sections(), section->kind)] {
            Q_EMIT selectionEdited(chosen);
        };
    } else {
        const SidebarRow* row = m_model->row(index);
        if (!row)
            return;
        if (row->drive && part == Part::rescan) {
            action = [this, drive = *row->drive] {
                m_catalog.rescan(drive.mount, drive.name, WindowSettings::read().scanOptions());
            };
        } else if (row->drive && part == Part::role) {
            action = [this, drive = *row->drive] {
                m_catalog.setBackup(!drive.isBackup, drive.uuid, drive.name);
            };
        } else if (row->root && part == Part::refresh) {
            action = [this, root = *row->root] {
                m_catalog.rescan(root, SidebarSections::refreshOptions(WindowSettings::read().scanOptions()));
            };
        } else if (row->root && part == Part::remove) {
            action = [this, root = *row->root] { m_catalog.removeRoot(root); };
        }
    }
    if (action)
        QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
}

void SidebarView::favoriteDoubleClicked(const QModelIndex& index) {
    const SidebarRow* row = m_model->row(index);
    if (!row || row->kind != SidebarRow::Kind::favorite)
        return;
    for (const LibraryInfo& library : m_catalog.libraries()) {
        if (library.path == row->path) {
            m_catalog.openInFCP(library);
            return;
        }
    }
}

void SidebarView::mouseMoveEvent(QMouseEvent* event) {
    // A press on a button never turns into a drag that selects rows.
    if (m_delegate->isPressing() && (event->buttons() & Qt::LeftButton))
        return;
    QTreeView::mouseMoveEvent(event);
}

void SidebarView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_delegate->isPressing()) {
        // The release belongs to the button that took the press, wherever it happens.
        const QModelIndex index = indexAt(event->position().toPoint());
        m_delegate->editorEvent(event, m_model, optionFor(index), index);
        return;
    }
    QTreeView::mouseReleaseEvent(event);
}

QItemSelectionModel::SelectionFlags SidebarView::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const {
    // Headers and watched folders select nothing, and clicking or reaching them keeps the
    // selection as it is; nor does the right button, which opens a drive's menu over the
    // filter the window shows.
    if (index.isValid() && !(m_model->flags(index) & Qt::ItemIsSelectable))
        return QItemSelectionModel::NoUpdate;
    if (event && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) &&
        static_cast<const QMouseEvent*>(event)->button() == Qt::RightButton)
        return QItemSelectionModel::NoUpdate;
    return QTreeView::selectionCommand(index, event);
}

// ---- The drive menu and the eject -----------------------------------------------------------

std::unique_ptr<QMenu> SidebarView::menuFor(const QModelIndex& index) {
    const SidebarRow* row = m_model->row(index);
    if (!row || !row->drive)
        return nullptr;
    const DriveSummary drive = *row->drive;
    const bool online = SidebarDrives::canUpdateOrEject(drive);
    auto menu = std::make_unique<QMenu>(this);
    QAction* update =
        menu->addAction(literalTitle(SidebarDrives::updateTitle(drive.name, m_catalog.installedFCP())));
    update->setEnabled(online);
    connect(update, &QAction::triggered, this,
            [this, name = drive.name] { Q_EMIT updateDriveRequested(name); });
    menu->addSeparator();
    QAction* eject = menu->addAction(QStringLiteral("Eject"));
    eject->setEnabled(online);
    // The question comes once the menu has closed.
    connect(eject, &QAction::triggered, this, [this, drive] {
        QMetaObject::invokeMethod(
            this, [this, drive] { confirmEject(drive); }, Qt::QueuedConnection);
    });
    return menu;
}

void SidebarView::contextMenuEvent(QContextMenuEvent* event) {
    if (std::unique_ptr<QMenu> menu = menuFor(indexAt(event->pos())))
        menu->exec(event->globalPos());
}

void SidebarView::confirmEject(const DriveSummary& drive) {
    m_pendingEject = drive;
    const bool startup = VolumeEject::startupMount(drive.mount);
    const SidebarDrives::EjectQuestion question = SidebarDrives::ejectQuestion(m_pendingEject, startup);
    QList<Prompts::Action> actions;
    if (!question.confirm.isEmpty())
        actions.append({question.confirm, false, false});
    actions.append({question.cancel, true, false});
    const std::optional<QString> answer = prompts().confirm(question.title, question.message, actions);
    // Closed in any way, the question no longer holds the drive.
    const std::optional<DriveSummary> pending = std::exchange(m_pendingEject, std::nullopt);
    if (!pending || question.confirm.isEmpty() || answer != question.confirm)
        return;
    eject(*pending);
}

void SidebarView::eject(const DriveSummary& drive) {
    VolumeEject::eject(
        drive.mount, drive.name,
        [this, name = drive.name](const VolumeEject::Outcome& outcome) {
            const SidebarDrives::EjectReport report = SidebarDrives::finishEject(m_catalog, outcome, name);
            if (report.alertTitle)
                prompts().tell(*report.alertTitle, report.alertText);
        },
        this);
}

} // namespace pellimor
