#include "MissingFiles/Views/MissingFilesSheet.h"

#include "App/ColumnWidths.h"
#include "MissingFiles/MissingFilesController.h"
#include "MissingFiles/MissingSheetDetail.h"
#include "MissingFiles/MissingSheetRepair.h"
#include "MissingFiles/Views/MissingDetailPanel.h"
#include "MissingFiles/Views/MissingTableDelegate.h"
#include "MissingFiles/Views/MissingTableModel.h"
#include "MissingFiles/Views/RoundedFill.h"
#include "Widgets/BusySpinner.h"
#include "Widgets/ColumnAutoFit.h"
#include "Widgets/DarkLook.h"
#include "Widgets/LiteralTitle.h"
#include "Widgets/MiddleElidedLabel.h"
#include "Widgets/NamedColor.h"
#include "Widgets/Prompts.h"
#include "Widgets/RowColours.h"
#include "Widgets/UiFont.h"
#include "Widgets/UiTextMeasurer.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace pellimor {

namespace {

constexpr int kSpacing = 9;  // between the sheet's parts
constexpr int kPadding = 20; // around them

// The Part's sizes, in points before the font scale.
constexpr double kMinWidth = 820;
constexpr double kMinHeight = 620;
constexpr double kIdealWidth = 980;
constexpr double kIdealHeight = 860;
constexpr double kMissingMinimum = 170;
constexpr double kMissingIdeal = 210;
constexpr double kDetailMinimum = 56;
constexpr double kDetailIdeal = 190;
constexpr double kPlacesMinimum = 110;
constexpr double kPlacesIdeal = 200;
constexpr double kBadge = 18;

const QString kPickerTip =
    QStringLiteral("Show, search and save only the libraries on one drive. Fix the drive you work from; a "
                   "backup of it picks up the fix at the next backup.");
const QString kCatalogueToggle =
    QStringLiteral("Tovlin's catalogue — every library already scanned, on any drive (instant)");
const QString kSearchHint =
    QStringLiteral("Whole drives and network drives can take a long time. A folder is quicker.");
const QString kStopTip = QStringLiteral("Ends the search now and keeps everything found so far.");
const QString kFindTip = QStringLiteral(
    "Looks for files with the same names in the places ticked above. Nothing is moved or changed.");
const QString kRepairLinksTip = QStringLiteral(
    "The other way: points each broken link at the found file, which stays where it is. Afterwards, File ▸ "
    "Consolidate Library Media in Final Cut copies them into the library.");
const QString kCopyTip = QStringLiteral(
    "Replaces each broken link with a copy of the found file, inside the library's Original Media. The found "
    "file stays where it is.");
const QString kSaveTip =
    QStringLiteral("Saves a text file with every missing file, where it used to be, and where it was found.");

// A step's number, white and bold on a circle of the accent colour.
class StepBadge final : public QWidget {
public:
    StepBadge(int number, int side, QWidget* parent) : QWidget(parent), m_number(number) {
        setFixedSize(side, side);
        setAccessibleName(QString::number(number));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(namedColor(NamedColor::accent, DarkLook::isDark(this)));
        painter.drawEllipse(QRectF(rect()));
        painter.setPen(Qt::white);
        painter.setFont(uiFont(10, QFont::Bold));
        painter.drawText(rect(), Qt::AlignCenter,
                         QString::asprintf("%lld", static_cast<long long>(m_number)));
    }

private:
    int m_number;
};

QLabel* label(const QString& text, qreal size, QWidget* parent, bool secondary = false) {
    auto* made = new QLabel(text, parent);
    made->setTextFormat(Qt::PlainText);
    made->setFont(uiFont(size));
    if (secondary)
        setTextColour(made, namedColor(NamedColor::secondary, DarkLook::isDark(parent)));
    return made;
}

QPushButton* button(const QString& title, const QString& name, QWidget* parent) {
    auto* made = new QPushButton(title, parent);
    made->setObjectName(name);
    made->setAutoDefault(false);
    return made;
}

} // namespace

MissingFilesSheet::MissingFilesSheet(MissingFilesController& controller, std::function<Prompts&()> prompts,
                                     QWidget* parent)
    : QDialog(parent), m_controller(&controller), m_prompts(std::move(prompts)), m_scale(UiFont::scale()) {
    setObjectName(QStringLiteral("missingFilesSheet"));
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Missing Files"));
    build();
    connect(&controller, &MissingFilesController::changed, this, &MissingFilesSheet::changed);
    UiFont::watchComfortableText(this, [this] { refont(); });
    sync();
}

MissingFilesSheet::~MissingFilesSheet() = default;

MissingFilesController* MissingFilesSheet::controller() const {
    return m_controller;
}

int MissingFilesSheet::points(double length) const {
    // Laid out beside text, so converted as the fonts' point sizes are.
    return int(std::lround(UiFont::pixels(length * m_scale)));
}

// ---- Building ---------------------------------------------------------------------------------

void MissingFilesSheet::build() {
    setMinimumSize(points(kMinWidth), points(kMinHeight));
    QSize size(points(kIdealWidth), points(kIdealHeight));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize()).expandedTo(minimumSize());
    resize(size);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(kSpacing);
    layout->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    layout->addWidget(buildTitleRow());

    m_summary = label(QString(), 12, this, true);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);

    m_split = new QSplitter(Qt::Vertical, this);
    m_split->setObjectName(QStringLiteral("missingSplit"));
    m_split->setChildrenCollapsible(false);
    m_split->addWidget(buildMissingPane());
    m_split->addWidget(buildDetailPane());
    m_split->addWidget(buildPlacesPane());
    // Room the sheet gains goes to the list of files first.
    m_split->setStretchFactor(0, 1);
    m_split->setStretchFactor(1, 0);
    m_split->setStretchFactor(2, 0);
    layout->addWidget(m_split, 1);

    layout->addWidget(buildSearchRow());
    layout->addWidget(buildRepairStep());

    m_note = label(QString(), 12, this);
    m_note->setObjectName(QStringLiteral("note"));
    m_note->setWordWrap(true);
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_note);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    layout->addWidget(divider);
    layout->addWidget(buildBottomRow());
}

QWidget* MissingFilesSheet::buildTitleRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_title = label(QStringLiteral("Missing files"), 15, row);
    m_title->setObjectName(QStringLiteral("sheetTitle"));
    m_title->setFont(uiFont(15, QFont::Bold));
    layout->addWidget(m_title, 0, Qt::AlignVCenter);
    layout->addStretch(1);

    m_picker = new QWidget(row);
    m_picker->setObjectName(QStringLiteral("drivePicker"));
    m_picker->setToolTip(kPickerTip);
    auto* picker = new QHBoxLayout(m_picker);
    picker->setContentsMargins(0, 0, 0, 0);
    picker->setSpacing(6);
    QLabel* show = label(QStringLiteral("Show"), 13, m_picker);
    picker->addWidget(show);
    m_driveBox = new QComboBox(m_picker);
    m_driveBox->setObjectName(QStringLiteral("driveBox"));
    m_driveBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_driveBox->setAccessibleName(QStringLiteral("Show"));
    m_driveBox->setToolTip(kPickerTip);
    show->setBuddy(m_driveBox);
    picker->addWidget(m_driveBox);
    connect(m_driveBox, &QComboBox::activated, this, [this](int index) {
        if (m_controller && index >= 0 && index < m_driveChoices.size())
            m_controller->setDrive(m_driveChoices.at(index).drive);
    });
    layout->addWidget(m_picker, 0, Qt::AlignVCenter);
    return row;
}

QWidget* MissingFilesSheet::step(int number, const QString& title) {
    auto* row = new QWidget(this);
    row->setObjectName(QStringLiteral("step") + QString::number(number));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(7);
    layout->addWidget(new StepBadge(number, points(kBadge), row), 0, Qt::AlignVCenter);
    QLabel* text = label(title, 13, row);
    text->setFont(uiFont(13, QFont::DemiBold));
    layout->addWidget(text, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    return row;
}

QWidget* MissingFilesSheet::buildMissingPane() {
    auto* pane = new QWidget(this);
    pane->setObjectName(QStringLiteral("whatsMissing"));
    pane->setMinimumHeight(points(kMissingMinimum));
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->setSpacing(kSpacing);
    layout->addWidget(step(1, QStringLiteral("What's missing")));

    m_missing = new QStackedWidget(pane);
    m_loadingRow = new QWidget(m_missing);
    m_loadingRow->setObjectName(QStringLiteral("loadingRow"));
    auto* loading = new QHBoxLayout(m_loadingRow);
    loading->setContentsMargins(0, 0, 0, 0);
    loading->addStretch(1);
    auto* spinner = new BusySpinner(m_loadingRow);
    spinner->setAccessibleName(QStringLiteral("Reading the libraries…"));
    loading->addWidget(spinner, 0, Qt::AlignVCenter);
    loading->addWidget(label(QStringLiteral("Reading the libraries…"), 13, m_loadingRow), 0,
                       Qt::AlignVCenter);
    loading->addStretch(1);
    m_missing->addWidget(m_loadingRow);

    m_table = new QTableView(m_missing);
    m_table->setObjectName(QStringLiteral("missingTable"));
    m_model = new MissingTableModel(m_table);
    m_table->setModel(m_model);
    m_table->setItemDelegate(new MissingTableDelegate(m_table));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSortingEnabled(false);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->setShowGrid(false);
    m_table->verticalHeader()->setVisible(false);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(MissingTableDelegate::rowHeight());
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QList<ColumnAutoFit::Limits> limits;
    const QList<MissingSheet::Def>& defs = MissingSheet::defs();
    for (int column = 0; column < defs.size(); ++column) {
        // Points, like the fonts of the cells they hold.
        header->resizeSection(column, int(UiFont::pixels(defs.at(column).ideal)));
        limits.append(ColumnAutoFit::Limits{UiFont::pixels(defs.at(column).minimum)});
    }
    m_fit = new ColumnAutoFit(m_table);
    m_fit->setLimits(limits);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MissingFilesSheet::selectionEdited);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_table, &QWidget::customContextMenuRequested, this, &MissingFilesSheet::menuRequested);
    connect(m_table, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        QSet<QString> ids = m_controller ? m_controller->state().selection : QSet<QString>();
        ids.insert(index.data(MissingTableModel::kIdRole).toString());
        openRows(ids);
    });
    m_missing->addWidget(m_table);
    layout->addWidget(m_missing, 1);
    return pane;
}

QWidget* MissingFilesSheet::buildDetailPane() {
    // The details of the selected row come here; until then, what a click on a row will show.
    auto* pane = new QWidget(this);
    pane->setObjectName(QStringLiteral("detailPane"));
    pane->setMinimumHeight(points(kDetailMinimum));
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 6, 0, 6);
    const QPointer<MissingFilesSheet> sheet(this);
    MissingDetailPanel::Actions actions;
    actions.pick = [sheet](const QString& id, const std::optional<QString>& path) {
        if (sheet && sheet->m_controller)
            sheet->m_controller->setPick(id, path);
    };
    actions.quickLook = [sheet](const QString& path) {
        if (sheet && sheet->m_controller)
            sheet->m_controller->quickLook(path);
    };
    actions.reveal = [sheet](const QString& path) {
        if (sheet && sheet->m_controller)
            sheet->m_controller->reveal(path);
    };
    m_detail = new MissingDetailPanel(std::move(actions), pane);
    layout->addWidget(m_detail);
    return pane;
}

QWidget* MissingFilesSheet::buildPlacesPane() {
    m_placesPane = new QWidget(this);
    m_placesPane->setObjectName(QStringLiteral("whereToLook"));
    m_placesPane->setMinimumHeight(points(kPlacesMinimum));
    auto* layout = new QVBoxLayout(m_placesPane);
    layout->setContentsMargins(0, 6, 0, 0);
    layout->setSpacing(kSpacing);
    layout->addWidget(step(2, QStringLiteral("Where to look")));

    m_placesBox = new RoundedFill(0.40, m_placesPane);
    m_placesBox->setObjectName(QStringLiteral("placesBox"));
    auto* box = new QVBoxLayout(m_placesBox);
    box->setContentsMargins(8, 8, 8, 8);
    box->setSpacing(5);
    m_useCatalog = new QCheckBox(literalTitle(kCatalogueToggle), m_placesBox);
    m_useCatalog->setObjectName(QStringLiteral("useCatalog"));
    m_useCatalog->setFont(uiFont(13));
    connect(m_useCatalog, &QCheckBox::clicked, this, [this](bool on) {
        if (m_controller)
            m_controller->setUseCatalog(on);
    });
    box->addWidget(m_useCatalog);

    auto* scroll = new QScrollArea(m_placesBox);
    scroll->setObjectName(QStringLiteral("placesScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto* rows = new QWidget(scroll);
    m_placeRows = new QVBoxLayout(rows);
    m_placeRows->setContentsMargins(0, 0, 0, 0);
    m_placeRows->setSpacing(5);
    m_placeRows->addStretch(1);
    scroll->setWidget(rows);
    // The box's own fill shows through, as behind the catalogue's toggle.
    rows->setAutoFillBackground(false);
    scroll->viewport()->setAutoFillBackground(false);
    box->addWidget(scroll, 1);
    layout->addWidget(m_placesBox, 1);
    return m_placesPane;
}

QWidget* MissingFilesSheet::buildSearchRow() {
    auto* row = new QWidget(this);
    row->setObjectName(QStringLiteral("searchRow"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_addFolder = button(QStringLiteral("Add Folder…"), QStringLiteral("addFolder"), row);
    connect(m_addFolder, &QPushButton::clicked, this, &MissingFilesSheet::addFolder);
    layout->addWidget(m_addFolder, 0, Qt::AlignVCenter);

    m_searching = new QWidget(row);
    m_searching->setObjectName(QStringLiteral("searching"));
    auto* searching = new QHBoxLayout(m_searching);
    searching->setContentsMargins(0, 0, 0, 0);
    auto* spinner = new BusySpinner(m_searching);
    spinner->setAccessibleName(QStringLiteral("Searching"));
    searching->addWidget(spinner, 0, Qt::AlignVCenter);
    m_progress = new MiddleElidedLabel(m_searching);
    m_progress->setObjectName(QStringLiteral("progressLine"));
    m_progress->setFont(uiFont(10));
    searching->addWidget(m_progress, 1, Qt::AlignVCenter);
    layout->addWidget(m_searching, 1);

    m_hint = label(kSearchHint, 10, row, true);
    m_hint->setObjectName(QStringLiteral("searchHint"));
    layout->addWidget(m_hint, 1, Qt::AlignVCenter);

    m_stop = button(QStringLiteral("Stop"), QStringLiteral("stop"), row);
    m_stop->setToolTip(kStopTip);
    connect(m_stop, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->stop();
    });
    layout->addWidget(m_stop, 0, Qt::AlignVCenter);
    m_find = button(QStringLiteral("Find Files"), QStringLiteral("find"), row);
    m_find->setToolTip(kFindTip);
    connect(m_find, &QPushButton::clicked, this, [this] {
        if (m_controller)
            m_controller->find();
    });
    layout->addWidget(m_find, 0, Qt::AlignVCenter);
    return row;
}

QWidget* MissingFilesSheet::buildRepairStep() {
    m_repairStep = new QWidget(this);
    m_repairStep->setObjectName(QStringLiteral("repairStep"));
    auto* layout = new QVBoxLayout(m_repairStep);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kSpacing);
    layout->addWidget(step(3, QStringLiteral("Put them back")));

    auto* row = new QWidget(m_repairStep);
    row->setObjectName(QStringLiteral("repairRow"));
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    m_repairCount = label(QString(), 12, row);
    m_repairCount->setObjectName(QStringLiteral("repairCount"));
    line->addWidget(m_repairCount, 0, Qt::AlignVCenter);
    m_nothingToRepair = label(QString(), 12, row, true);
    m_nothingToRepair->setObjectName(QStringLiteral("nothingToRepair"));
    m_nothingToRepair->setWordWrap(true);
    line->addWidget(m_nothingToRepair, 1, Qt::AlignVCenter);
    line->addStretch(0);
    m_repairLinks = button(QStringLiteral("Repair Links…"), QStringLiteral("repairLinks"), row);
    m_repairLinks->setToolTip(kRepairLinksTip);
    connect(m_repairLinks, &QPushButton::clicked, this,
            [this] { confirmRepair(MissingFiles::RepairMode::link); });
    line->addWidget(m_repairLinks, 0, Qt::AlignVCenter);
    m_copyIntoLibrary = button(QStringLiteral("Copy Into Library…"), QStringLiteral("copyIntoLibrary"), row);
    m_copyIntoLibrary->setToolTip(kCopyTip);
    connect(m_copyIntoLibrary, &QPushButton::clicked, this,
            [this] { confirmRepair(MissingFiles::RepairMode::copy); });
    line->addWidget(m_copyIntoLibrary, 0, Qt::AlignVCenter);
    layout->addWidget(row);
    return m_repairStep;
}

QWidget* MissingFilesSheet::buildBottomRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    QPushButton* close = button(QStringLiteral("Close"), QStringLiteral("close"), row);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(close);
    layout->addStretch(1);
    m_save = button(QStringLiteral("Save List…"), QStringLiteral("saveList"), row);
    m_save->setToolTip(kSaveTip);
    connect(m_save, &QPushButton::clicked, this, &MissingFilesSheet::save);
    layout->addWidget(m_save);
    return row;
}

void MissingFilesSheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_sized)
        return;
    m_sized = true;
    // The details and the places at their ideal heights (the places no higher than their list
    // needs), the list of files in the rest.
    const int total = m_split->height();
    const int places = std::min(points(kPlacesIdeal), m_placesPane->maximumHeight());
    const int detail = points(kDetailIdeal);
    m_split->setSizes({std::max(points(kMissingIdeal), total - detail - places), detail, places});
}

// ---- Drawing the state ------------------------------------------------------------------------

void MissingFilesSheet::changed() {
    // A search reports hits and progress many times a second: while it runs, what arrives in one
    // turn of the event loop is drawn once. Its start and its end show at once.
    if (!m_controller || !m_controller->state().searching || !m_searchingShown) {
        sync();
        return;
    }
    if (m_syncQueued)
        return;
    m_syncQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_syncQueued = false;
        sync();
    });
}

void MissingFilesSheet::sync() {
    if (!m_controller)
        return;
    const MissingSheetState& state = m_controller->state();
    m_searchingShown = state.searching;
    syncPicker();
    m_summary->setText(MissingSheet::summary(state));
    m_missing->setCurrentWidget(state.loading ? m_loadingRow : static_cast<QWidget*>(m_table));
    syncTable();
    syncDetail();
    syncPlaces();

    m_addFolder->setEnabled(!state.searching);
    m_searching->setVisible(state.searching);
    m_hint->setVisible(!state.searching);
    if (state.searching) {
        const QString line = MissingSheet::progressLine(state);
        m_progress->setText(line);
        m_progress->setAccessibleName(line);
        m_progress->update();
    }
    m_stop->setVisible(state.searching);
    m_find->setVisible(!state.searching);
    m_find->setText(MissingSheet::findTitle(state));
    // The first search is the step to take; afterwards it is one choice among others.
    m_find->setDefault(!state.searchedIn.has_value());
    m_find->setEnabled(MissingSheet::canFind(state));

    syncRepair();

    const bool noteShown = !state.searching && state.note.has_value();
    m_note->setVisible(noteShown);
    m_note->setText(noteShown ? *state.note : QString());
    m_save->setEnabled(MissingSheet::canSave(state));
}

void MissingFilesSheet::syncPicker() {
    const MissingSheetState& state = m_controller->state();
    const QList<MissingSheet::DriveChoice> choices = MissingSheet::driveChoices(state);
    m_picker->setVisible(!choices.isEmpty());
    m_picker->setEnabled(!state.searching);
    if (choices != m_driveChoices) {
        const QSignalBlocker blocker(m_driveBox);
        m_driveBox->clear();
        for (const MissingSheet::DriveChoice& choice : choices)
            m_driveBox->addItem(choice.title);
        m_driveChoices = choices;
    }
    for (qsizetype i = 0; i < m_driveChoices.size(); ++i)
        if (m_driveChoices.at(i).drive == state.drive && m_driveBox->currentIndex() != i) {
            const QSignalBlocker blocker(m_driveBox);
            m_driveBox->setCurrentIndex(int(i));
        }
}

void MissingFilesSheet::syncPlaces() {
    const MissingSheetState& state = m_controller->state();
    const QList<MissingSheet::Place> places = m_controller->places();
    if (places != m_placesShown) {
        for (QCheckBox* box : std::as_const(m_placeBoxes))
            delete box;
        m_placeBoxes.clear();
        QWidget* holder = m_placeRows->parentWidget();
        for (const MissingSheet::Place& place : places) {
            auto* box = new QCheckBox(literalTitle(place.title), holder);
            box->setObjectName(QStringLiteral("place"));
            box->setProperty("path", place.path);
            box->setFont(uiFont(13));
            box->setToolTip(place.path);
            const QString path = place.path;
            connect(box, &QCheckBox::clicked, this, [this, path](bool on) {
                if (m_controller)
                    m_controller->setChosen(path, on);
            });
            m_placeRows->insertWidget(m_placeRows->count() - 1, box);
            m_placeBoxes.append(box);
        }
        m_placesShown = places;
        m_placesPane->setMaximumHeight(
            std::max(points(kPlacesMinimum), points(MissingSheet::placesPaneMaximum(places.size()))));
    }
    m_useCatalog->setChecked(state.useCatalog);
    for (qsizetype i = 0; i < m_placeBoxes.size(); ++i)
        m_placeBoxes.at(i)->setChecked(state.chosen.contains(m_placesShown.at(i).path));
    m_placesBox->setEnabled(!state.searching);
}

void MissingFilesSheet::syncTable() {
    const MissingSheetState& state = m_controller->state();
    const bool replaced = m_model->refresh(state, MissingSheet::files(state));
    // The rows of the state's selection that are listed: after other rows (a drive chosen, the
    // list read again) those still listed stay selected, and a selection the work emptied (after
    // a repair) empties the table's.
    QSet<QString> listed;
    for (const QString& id : state.selection)
        if (m_model->rowOf(id) >= 0)
            listed.insert(id);
    if (replaced || listed != selectedIds()) {
        const QScopedValueRollback updating(m_updating, true);
        QItemSelection selected;
        for (const QString& id : std::as_const(listed)) {
            const int row = m_model->rowOf(id);
            selected.select(m_model->index(row, 0), m_model->index(row, MissingSheet::columnCount - 1));
        }
        m_table->selectionModel()->select(selected, QItemSelectionModel::ClearAndSelect);
    }
    m_fit->setContent(columnWidths());
}

void MissingFilesSheet::syncDetail() {
    const MissingSheetState& state = m_controller->state();
    std::optional<MissingSheet::Detail> shown;
    if (const std::optional<MissingFile> file = MissingSheet::selected(state)) {
        // Judged afresh, so a found file that has gone since the search loses its line, and its
        // row in the table its green.
        const MissingSheet::Row row = MissingSheet::row(state, *file);
        m_model->replaceRow(row);
        shown = MissingSheet::detail(state, row);
    }
    m_detail->present(shown, MissingSheet::detailHint(state));
}

void MissingFilesSheet::syncRepair() {
    const MissingSheetState& state = m_controller->state();
    const bool step = MissingSheet::showsRepairStep(state);
    m_repairStep->setVisible(step);
    if (!step)
        return;
    // Counted on the rows as the table shows them; a repair judges them again when it is asked for.
    const qsizetype count = MissingSheet::repairable(m_model->rows(), state.selection).size();
    m_repairCount->setVisible(count > 0);
    m_repairLinks->setVisible(count > 0);
    m_copyIntoLibrary->setVisible(count > 0);
    m_nothingToRepair->setVisible(count == 0);
    if (count > 0)
        m_repairCount->setText(MissingSheet::repairCount(state, count));
    else
        m_nothingToRepair->setText(MissingSheet::nothingToRepair(state));
    const bool enabled = MissingSheet::canRepair(state);
    m_repairLinks->setEnabled(enabled);
    m_copyIntoLibrary->setEnabled(enabled);
    // After the first search, putting the files back is the step to take.
    m_copyIntoLibrary->setDefault(count > 0 && !state.searching);
}

QHash<QString, double> MissingFilesSheet::columnWidths() const {
    const UiTextMeasurer measurer;
    const bool searched = m_controller && m_controller->state().searchedIn.has_value();
    return MissingSheet::columnWidths(m_model->rows(), searched, ColumnWidths(UiFont::scale(), measurer));
}

QSet<QString> MissingFilesSheet::selectedIds() const {
    QSet<QString> ids;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        ids.insert(index.data(MissingTableModel::kIdRole).toString());
    return ids;
}

void MissingFilesSheet::selectionEdited() {
    if (m_updating || !m_controller)
        return;
    m_controller->setSelection(selectedIds());
}

void MissingFilesSheet::refont() {
    m_scale = UiFont::scale();
    m_title->setFont(uiFont(15, QFont::Bold));
    m_summary->setFont(uiFont(12));
    m_note->setFont(uiFont(12));
    m_detail->refont();
    m_repairCount->setFont(uiFont(12));
    m_nothingToRepair->setFont(uiFont(12));
    m_progress->setFont(uiFont(10));
    m_hint->setFont(uiFont(10));
    m_useCatalog->setFont(uiFont(13));
    for (QCheckBox* box : std::as_const(m_placeBoxes))
        box->setFont(uiFont(13));
    m_table->verticalHeader()->setDefaultSectionSize(MissingTableDelegate::rowHeight());
    m_model->refont();
    m_fit->setContent(columnWidths());
}

// ---- What the user does -------------------------------------------------------------------------

std::unique_ptr<QMenu> MissingFilesSheet::rowMenu(const QSet<QString>& ids) {
    if (!m_controller)
        return nullptr;
    const std::optional<MissingFile> file = MissingSheet::firstOf(m_controller->files(), ids);
    if (!file)
        return nullptr;
    const std::optional<MissingSheet::Row> row = m_model->rowAt(m_model->rowOf(file->id()));
    const QStringList places = row ? row->places : QStringList();
    auto menu = std::make_unique<QMenu>(this);
    const QPointer<MissingFilesController> work = m_controller;
    if (!places.isEmpty()) {
        const QString place = places.front();
        menu->addAction(QStringLiteral("Quick Look Found File"), this, [work, place] {
            if (work)
                work->quickLook(place);
        });
        menu->addAction(QStringLiteral("Reveal Found File in Finder"), this, [work, place] {
            if (work)
                work->reveal(place);
        });
    }
    const QString name = file->name;
    menu->addAction(QStringLiteral("Copy File Name"), this, [name] {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(name);
    });
    const QString library = file->libraryPath;
    menu->addAction(QStringLiteral("Reveal Library in Finder"), this, [work, library] {
        if (work)
            work->reveal(library);
    });
    return menu;
}

void MissingFilesSheet::menuRequested(const QPoint& at) {
    const QModelIndex index = m_table->indexAt(at);
    if (!index.isValid() || !m_controller)
        return;
    // The menu applies to the selection when the row under the pointer is part of it.
    const QString id = index.data(MissingTableModel::kIdRole).toString();
    QSet<QString> ids = m_controller->state().selection;
    if (!ids.contains(id))
        ids = {id};
    if (std::unique_ptr<QMenu> menu = rowMenu(ids))
        menu->exec(m_table->viewport()->mapToGlobal(at));
}

void MissingFilesSheet::openRows(const QSet<QString>& ids) {
    if (!m_controller)
        return;
    const std::optional<MissingFile> file = MissingSheet::firstOf(m_controller->files(), ids);
    if (!file)
        return;
    if (const std::optional<QString> path =
            MissingSheet::firstExisting(MissingSheet::foundList(m_controller->state(), *file)))
        m_controller->reveal(*path);
}

void MissingFilesSheet::addFolder() {
    if (!m_controller || !m_prompts)
        return;
    const QPointer<MissingFilesSheet> alive(this);
    const std::optional<QStringList> folders =
        m_prompts().chooseFolders(QDir::homePath(), QStringLiteral("Add"),
                                  QStringLiteral("Choose folders to look in for the missing files."));
    if (!alive || !m_controller || !folders)
        return;
    m_controller->addFolders(*folders);
}

void MissingFilesSheet::save() {
    if (!m_controller || !m_prompts || !MissingSheet::canSave(m_controller->state()))
        return;
    const QPointer<MissingFilesSheet> alive(this);
    const std::optional<QString> path =
        m_prompts().chooseSaveFile(MissingSheet::suggestedName(m_controller->state()), QDir::homePath(),
                                   QString(), MissingSheet::listNameFilter());
    if (!alive || !m_controller || !path)
        return;
    m_controller->save(*path);
}

void MissingFilesSheet::confirmRepair(MissingFiles::RepairMode mode) {
    if (!m_controller || !m_prompts)
        return;
    const std::optional<MissingSheet::RepairQuestion> question = m_controller->askRepair(mode);
    if (!question)
        return;
    const QPointer<MissingFilesController> work = m_controller;
    const std::optional<QString> answer =
        m_prompts().confirm(question->title, question->message,
                            {{question->button, false, false}, {QStringLiteral("Cancel"), true, false}});
    // However the question went away, nothing waits for it any more.
    if (work)
        work->answerRepair(answer == question->button);
}

void MissingFilesSheet::reject() {
    // Closing ends the search under way, as Stop does; what it has found goes with the sheet.
    if (m_controller)
        m_controller->stop();
    QDialog::reject();
}

} // namespace pellimor
