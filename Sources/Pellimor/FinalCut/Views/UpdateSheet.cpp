#include "FinalCut/Views/UpdateSheet.h"

#include "Browser/Views/ElidedLabel.h"
#include "Catalogue/Store/Catalog.h"
#include "FinalCut/LibraryUpdater.h"
#include "FinalCut/SafetyCopy.h"
#include "Platform/Accessibility.h"
#include "Platform/Clock.h"
#include "Platform/CurrentSettings.h"
#include "Platform/Services.h"
#include "Widgets/BusySpinner.h"
#include "Widgets/DarkLook.h"
#include "Widgets/DialogPrompts.h"
#include "Widgets/GrowToFit.h"
#include "Widgets/IconRow.h"
#include "Widgets/Icons.h"
#include "Widgets/MessageBlock.h"
#include "Widgets/MiddleElidedLabel.h"
#include "Widgets/NamedColor.h"
#include "Widgets/PlainLabel.h"
#include "Widgets/UiFont.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace pellimor {

namespace {

using Mark = UpdateSheetState::Mark;

constexpr std::chrono::seconds kTrustEvery{1};

// The symbol, its colour and what a screen reader says for a row's status.
struct MarkLook {
    QString symbol;
    NamedColor colour;
    QString spoken;
};

MarkLook markLook(Mark mark) {
    switch (mark) {
    case Mark::checkbox:
    case Mark::waiting:
        return {QStringLiteral("circle"), NamedColor::secondary, QStringLiteral("Waiting")};
    case Mark::busy:
        return {QString(), NamedColor::secondary, QStringLiteral("Working")};
    case Mark::good:
        return {QStringLiteral("checkmark.circle.fill"), NamedColor::green, QStringLiteral("Done")};
    case Mark::skipped:
        return {QStringLiteral("minus.circle"), NamedColor::secondary, QStringLiteral("Skipped")};
    case Mark::failed:
        return {QStringLiteral("xmark.octagon.fill"), NamedColor::red, QStringLiteral("Failed")};
    }
    return {};
}

QPushButton* smallButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setFont(uiFont(11));
    button->setAutoDefault(false);
    return button;
}

QLabel* secondaryText(const QString& text, const char* name, QWidget* parent) {
    QLabel* label = plainLabel(text, 10, std::nullopt,
                               namedColor(NamedColor::secondary, DarkLook::isDark(parent)), parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    return label;
}

// A checkbox whose long label wraps instead of widening the sheet; a click on the label ticks
// the box, as on the box's own label. The box carries the label as its accessible name.
class LabelClicks final : public QObject {
public:
    LabelClicks(QCheckBox* box, QLabel* label) : QObject(label), m_box(box) {
        label->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonRelease || !m_box->isEnabled())
            return false;
        m_box->click();
        return true;
    }

private:
    QCheckBox* m_box;
};

QCheckBox* wrappingCheckBox(const QString& text, const char* name, QWidget* parent, QLayout* into) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* box = new QCheckBox(row);
    box->setObjectName(QLatin1String(name));
    box->setAccessibleName(text);
    auto* label = new QLabel(text, row);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(uiFont(13));
    // The box beside the label's first line, centred on it.
    auto* boxColumn = new QVBoxLayout;
    boxColumn->setContentsMargins(
        0, std::max(0, (label->fontMetrics().height() - box->sizeHint().height()) / 2), 0, 0);
    boxColumn->addWidget(box);
    boxColumn->addStretch(1);
    layout->addLayout(boxColumn);
    new LabelClicks(box, label);
    layout->addWidget(label, 1);
    into->addWidget(row);
    return box;
}

void showIcon(QLabel* label, const QString& symbol, const QColor& colour, int side) {
    label->setPixmap(Icons::tinted(symbol, QSize(side, side), colour, label->devicePixelRatioF()));
    label->setProperty("symbol", symbol);
}

} // namespace

UpdateSheet::UpdateSheet(Catalog& catalog, const UpdateRequest& request, std::function<Prompts&()> prompts,
                         QWidget* parent)
    : QDialog(parent), m_catalog(catalog), m_request(request), m_prompts(std::move(prompts)),
      m_updater(new LibraryUpdater(this)), m_state(UpdateSheetState::forRequest(request.libraries)),
      m_scale(UiFont::scale()) {
    setObjectName(QStringLiteral("updateSheet"));
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Update Libraries"));
    build();
    for (const auto signal :
         {&LibraryUpdater::itemsChanged, &LibraryUpdater::runningChanged, &LibraryUpdater::messageChanged})
        connect(m_updater, signal, this, &UpdateSheet::sync);
    connect(&catalog, &Catalog::installedFCPChanged, this, &UpdateSheet::sync);
    connect(&catalog, &Catalog::driveRolesChanged, this, &UpdateSheet::sync);
    // Asked without the prompt: the system's request comes only from "Grant Access…".
    m_state.trusted = platform::services().accessibility->isProcessTrusted(false);
    sync();
    platform::services().clock->after(kTrustEvery, this, [this] { tick(); });
}

UpdateSheet::~UpdateSheet() = default;

int UpdateSheet::points(double length) const {
    // Laid out beside text, so converted as the fonts' point sizes are.
    return int(UiFont::pixels(length * m_scale));
}

void UpdateSheet::build() {
    const bool dark = DarkLook::isDark(this);
    const QColor orange = namedColor(NamedColor::orange, dark);
    const QColor secondary = namedColor(NamedColor::secondary, dark);
    setMinimumWidth(points(620));
    setMaximumWidth(points(1000));
    resize(points(620), height());

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->setContentsMargins(20, 20, 20, 20);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("sheetTitle"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(uiFont(15, QFont::Bold));
    layout->addWidget(m_title);

    QWidget* warning = iconRow(QStringLiteral("exclamationmark.triangle"), orange,
                               UpdateSheetState::warningText(), uiFont(12), points(12), this);
    warning->setObjectName(QStringLiteral("warning"));
    layout->addWidget(warning);

    m_backupLine =
        iconRow(QStringLiteral("externaldrive"), secondary, QString(), uiFont(12), points(12), this);
    m_backupLine->setObjectName(QStringLiteral("backupLine"));
    layout->addWidget(m_backupLine);

    // The libraries.
    auto* libraries = new QGroupBox(QStringLiteral("Libraries"), this);
    libraries->setObjectName(QStringLiteral("libraries"));
    auto* librariesLayout = new QVBoxLayout(libraries);
    librariesLayout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(libraries);
    scroll->setObjectName(QStringLiteral("libraryList"));
    scroll->setWidgetResizable(true);
    scroll->setMinimumHeight(points(210));
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_rowHolder = new QWidget(scroll);
    m_rowLayout = new QVBoxLayout(m_rowHolder);
    m_rowLayout->setSpacing(4);
    m_rowLayout->setContentsMargins(6, 6, 6, 6);
    m_rowLayout->addStretch(1);
    scroll->setWidget(m_rowHolder);
    librariesLayout->addWidget(scroll);
    layout->addWidget(libraries, 1);

    // The options, while choosing.
    m_options = new QWidget(this);
    m_options->setObjectName(QStringLiteral("options"));
    auto* optionsLayout = new QVBoxLayout(m_options);
    optionsLayout->setContentsMargins(0, 0, 0, 0);
    optionsLayout->setSpacing(12);
    optionsLayout->addWidget(buildSafety());
    optionsLayout->addWidget(buildPermission());
    m_staleNote = secondaryText(UpdateSheetState::staleNoteText(), "staleNote", m_options);
    optionsLayout->addWidget(m_staleNote);
    m_finalCutOpen = iconRow(QStringLiteral("exclamationmark.circle"), orange,
                             UpdateSheetState::finalCutOpenText(), uiFont(12), points(12), m_options);
    m_finalCutOpen->setObjectName(QStringLiteral("finalCutOpen"));
    optionsLayout->addWidget(m_finalCutOpen);
    layout->addWidget(m_options);

    m_message = new MessageBlock(this);
    m_message->setObjectName(QStringLiteral("message"));
    layout->addWidget(m_message);

    // The buttons.
    auto* buttons = new QHBoxLayout;
    m_first = new QPushButton(this);
    m_first->setObjectName(QStringLiteral("firstButton"));
    m_first->setAutoDefault(false);
    connect(m_first, &QPushButton::clicked, this, &UpdateSheet::reject);
    buttons->addWidget(m_first);
    buttons->addStretch(1);
    m_start = new QPushButton(this);
    m_start->setObjectName(QStringLiteral("start"));
    m_start->setDefault(true);
    connect(m_start, &QPushButton::clicked, this, &UpdateSheet::start);
    buttons->addWidget(m_start);
    layout->addLayout(buttons);
}

QWidget* UpdateSheet::buildSafety() {
    auto* safety = new QGroupBox(QStringLiteral("Safety"), m_options);
    safety->setObjectName(QStringLiteral("safety"));
    auto* layout = new QVBoxLayout(safety);
    layout->setSpacing(6);
    layout->setContentsMargins(6, 6, 6, 6);

    m_safetyCopy = wrappingCheckBox(UpdateSheetState::safetyCopyText(), "safetyCopy", safety, layout);
    connect(m_safetyCopy, &QCheckBox::toggled, this, [this](bool on) {
        m_state.safetyCopy = on;
        sync();
    });

    m_savedToRow = new QWidget(safety);
    auto* savedToLayout = new QHBoxLayout(m_savedToRow);
    savedToLayout->setContentsMargins(0, 0, 0, 0);
    m_savedTo = new MiddleElidedLabel(m_savedToRow);
    m_savedTo->setObjectName(QStringLiteral("savedTo"));
    m_savedTo->setTextFormat(Qt::PlainText);
    m_savedTo->setFont(uiFont(10));
    setTextColour(m_savedTo, namedColor(NamedColor::secondary, DarkLook::isDark(this)));
    savedToLayout->addWidget(m_savedTo, 1);
    QPushButton* choose = smallButton(QStringLiteral("Choose…"), "choose", m_savedToRow);
    connect(choose, &QPushButton::clicked, this, &UpdateSheet::chooseFolder);
    savedToLayout->addWidget(choose);
    layout->addWidget(m_savedToRow);

    m_explanation = secondaryText(UpdateSheetState::explanationText(), "explanation", safety);
    layout->addWidget(m_explanation);

    m_practice = wrappingCheckBox(UpdateSheetState::practiceText(), "practice", safety, layout);
    connect(m_practice, &QCheckBox::toggled, this, [this](bool on) {
        m_state.practice = on;
        sync();
    });
    return safety;
}

QWidget* UpdateSheet::buildPermission() {
    auto* row = new QWidget(m_options);
    row->setObjectName(QStringLiteral("permission"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    m_permissionIcon = new QLabel(row);
    m_permissionIcon->setObjectName(QStringLiteral("permissionIcon"));
    layout->addWidget(m_permissionIcon);
    m_permissionText = new QLabel(row);
    m_permissionText->setObjectName(QStringLiteral("permissionText"));
    m_permissionText->setTextFormat(Qt::PlainText);
    m_permissionText->setFont(uiFont(12));
    // Wrapping beside the buttons rather than pushing them out of the sheet.
    m_permissionText->setWordWrap(true);
    layout->addWidget(m_permissionText, 1);

    QPushButton* grant = smallButton(QStringLiteral("Grant Access…"), "grantAccess", row);
    connect(grant, &QPushButton::clicked, this, &UpdateSheet::grantAccess);
    QPushButton* reveal = smallButton(QStringLiteral("Show App in Finder"), "showApp", row);
    reveal->setToolTip(UpdateSheetState::revealTip());
    connect(reveal, &QPushButton::clicked, this, &UpdateSheet::revealApp);
    QPushButton* again = smallButton(QStringLiteral("Check again"), "checkAgain", row);
    connect(again, &QPushButton::clicked, this, &UpdateSheet::checkTrust);
    m_permissionButtons = {grant, reveal, again};
    for (QPushButton* button : std::as_const(m_permissionButtons))
        layout->addWidget(button);
    return row;
}

void UpdateSheet::readWorld() {
    m_state.installed = m_catalog.installedFCP();
    m_state.finalCutRunning = LibraryUpdater::fcpProcess().has_value();
    m_state.backupCount = UpdateSheetState::countOnBackupDrives(m_state.libraries, m_catalog);
    m_state.safetyFolder = platform::CurrentSettings::text(SafetyCopy::folderKey, QLatin1StringView());
    m_state.items = m_updater->items();
    m_state.running = m_updater->running();
    m_state.message = m_updater->message();
}

void UpdateSheet::sync() {
    readWorld();
    const bool dark = DarkLook::isDark(this);
    m_title->setText(m_state.title());

    const QString backup = m_state.backupLine();
    m_backupLine->setVisible(!backup.isEmpty());
    iconRowText(m_backupLine)->setText(backup);
    iconRowText(m_backupLine)->setAccessibleName(backup);

    syncRows();

    m_options->setVisible(m_state.showsOptions());
    m_safetyCopy->setChecked(m_state.safetyCopy);
    m_savedToRow->setVisible(m_state.showsSavedTo());
    m_explanation->setVisible(m_state.showsSavedTo());
    m_savedTo->setText(m_state.savedToText());
    m_savedTo->update();
    m_practice->setChecked(m_state.practice);
    showIcon(m_permissionIcon,
             m_state.trusted ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("xmark.octagon.fill"),
             namedColor(m_state.trusted ? NamedColor::green : NamedColor::red, dark), points(13));
    m_permissionIcon->setAccessibleName(m_state.trusted ? QStringLiteral("Granted")
                                                        : QStringLiteral("Needed"));
    m_permissionText->setText(m_state.permissionText());
    for (QPushButton* button : std::as_const(m_permissionButtons))
        button->setVisible(m_state.showsPermissionButtons());
    m_staleNote->setVisible(m_state.showsStaleNote());
    m_finalCutOpen->setVisible(m_state.showsFinalCutWarning());

    m_message->setVisible(!m_state.message.isEmpty());
    m_message->setText(m_state.message);

    m_first->setText(m_state.firstButton());
    m_start->setVisible(m_state.showsStart());
    m_start->setText(m_state.startLabel());
    m_start->setEnabled(m_state.startEnabled());
}

void UpdateSheet::syncRows() {
    const QList<UpdateSheetState::Row> rows = m_state.rows();
    QStringList ids;
    for (const UpdateSheetState::Row& row : rows)
        ids.append(row.id);
    if (ids != m_rowIds || m_state.begun() != m_rowsBegun)
        rebuildRows(rows);

    const bool dark = DarkLook::isDark(this);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const UpdateSheetState::Row& row = rows.at(i);
        const RowParts& parts = m_rows.at(i);
        parts.tick->setVisible(row.mark == Mark::checkbox);
        parts.tick->setChecked(row.ticked);
        parts.spinner->setVisible(row.mark == Mark::busy);
        const MarkLook look = markLook(row.mark);
        parts.icon->setVisible(row.mark != Mark::checkbox && row.mark != Mark::busy);
        if (!look.symbol.isEmpty())
            showIcon(parts.icon, look.symbol, namedColor(look.colour, dark), points(13));
        parts.icon->setAccessibleName(look.spoken);
        parts.spinner->setAccessibleName(look.spoken);
        parts.name->setText(row.name);
        static_cast<ElidedLabel*>(parts.detail)->setFullText(row.detail);
        setTextColour(parts.detail,
                      namedColor(row.detailRed ? NamedColor::red : NamedColor::secondary, dark));
    }
}

void UpdateSheet::rebuildRows(const QList<UpdateSheetState::Row>& rows) {
    for (const RowParts& parts : std::as_const(m_rows))
        delete parts.row;
    m_rows.clear();
    m_rowIds.clear();
    m_rowsBegun = m_state.begun();
    const bool dark = DarkLook::isDark(this);
    for (const UpdateSheetState::Row& row : rows) {
        RowParts parts;
        parts.row = new QWidget(m_rowHolder);
        parts.row->setObjectName(QStringLiteral("libraryRow"));
        auto* layout = new QHBoxLayout(parts.row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
        // The checkbox, the icons and the spinner share one column, so the names line up
        // whatever a row shows.
        auto* markColumn = new QWidget(parts.row);
        auto* mark = new QHBoxLayout(markColumn);
        mark->setContentsMargins(0, 0, 0, 0);
        parts.tick = new QCheckBox(markColumn);
        parts.tick->setObjectName(QStringLiteral("tick"));
        parts.tick->setAccessibleName(row.name);
        connect(parts.tick, &QCheckBox::clicked, this, [this, id = row.id](bool on) {
            if (on)
                m_state.chosen.insert(id);
            else
                m_state.chosen.remove(id);
            sync();
        });
        mark->addWidget(parts.tick, 0, Qt::AlignCenter);
        parts.icon = new QLabel(markColumn);
        parts.icon->setObjectName(QStringLiteral("statusIcon"));
        mark->addWidget(parts.icon, 0, Qt::AlignCenter);
        parts.spinner = new BusySpinner(markColumn);
        mark->addWidget(parts.spinner, 0, Qt::AlignCenter);
        markColumn->setFixedWidth(std::max(parts.tick->sizeHint().width(), points(13)));
        layout->addWidget(markColumn);

        auto* texts = new QVBoxLayout;
        texts->setSpacing(0);
        parts.name = plainLabel(row.name, 13, std::nullopt, palette().color(QPalette::WindowText), parts.row);
        parts.name->setObjectName(QStringLiteral("libraryName"));
        texts->addWidget(parts.name);
        auto* detail = new ElidedLabel(row.detail, 2, Qt::ElideRight, parts.row);
        detail->setObjectName(QStringLiteral("libraryDetail"));
        detail->setFont(uiFont(10));
        setTextColour(detail, namedColor(NamedColor::secondary, dark));
        parts.detail = detail;
        texts->addWidget(detail);
        layout->addLayout(texts, 1);

        m_rowLayout->insertWidget(m_rowLayout->count() - 1, parts.row);
        m_rows.append(parts);
        m_rowIds.append(row.id);
    }
}

bool UpdateSheet::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::LayoutRequest)
        growToFit(this);
    return handled;
}

void UpdateSheet::tick() {
    checkTrust();
    platform::services().clock->after(kTrustEvery, this, [this] { tick(); });
}

void UpdateSheet::checkTrust() {
    m_state.trusted = platform::services().accessibility->isProcessTrusted(false);
    // A redraw in any case: whether Final Cut Pro runs is read again with it.
    sync();
}

void UpdateSheet::reject() {
    if (m_updater->running()) {
        // The library in hand always runs to its end; the sheet stays until the run is over.
        m_updater->setStopRequested(true);
        m_updater->setMessage(UpdateSheetState::stoppingText());
        return;
    }
    QDialog::reject();
}

void UpdateSheet::start() {
    readWorld();
    // What was drawn may be a second old: Final Cut Pro may have started meanwhile.
    if (!m_state.startEnabled()) {
        sync();
        return;
    }
    // Worked out once: the run keeps the folder it started with, whatever is chosen later.
    const QString safetyRoot = m_state.safetyRoot();
    m_updater->run(m_state.toStart(), m_catalog, m_state.safetyCopy, safetyRoot, m_state.practice);
    sync();
}

void UpdateSheet::chooseFolder() {
    const std::optional<QString> folder = prompts().chooseFolder(
        m_state.safetyRoot(), UpdateSheetState::chooserButton(), UpdateSheetState::chooserMessage());
    if (!folder)
        return;
    // As it is: a folder that cannot be written shows as the run's failure, not here.
    platform::CurrentSettings::setText(SafetyCopy::folderKey, *folder);
    sync();
}

void UpdateSheet::grantAccess() {
    const platform::Services services = platform::services();
    // The answer is the state before the user acted; the every-second check sees the change.
    (void)services.accessibility->isProcessTrusted(true);
    (void)services.accessibility->openSettings();
}

void UpdateSheet::revealApp() {
    const platform::Services services = platform::services();
    QString program = services.bundle ? services.bundle->executablePath() : QString();
    if (program.isEmpty())
        program = QCoreApplication::applicationFilePath();
    services.shell->reveal(program);
}

Prompts& UpdateSheet::prompts() {
    if (m_prompts)
        return m_prompts();
    if (!m_ownPrompts)
        m_ownPrompts = std::make_shared<DialogPrompts>(this);
    return *m_ownPrompts;
}

} // namespace pellimor
