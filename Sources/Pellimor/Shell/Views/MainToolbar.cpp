#include "Shell/Views/MainToolbar.h"

#include "App/AppAction.h"
#include "App/AppSettings.h"
#include "App/NotificationHub.h"
#include "Browser/Views/SearchField.h"
#include "Catalogue/Store/Catalog.h"
#include "Shell/WindowSettings.h"
#include "Widgets/Icons.h"
#include "Widgets/LiteralTitle.h"
#include "Widgets/UiFont.h"

#include <QActionGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QSizePolicy>
#include <QToolButton>
#include <cmath>

namespace pellimor {

namespace {

// The working-drives button's fill when on, and its icon's colour when off.
QColor lightGreen() {
    return QColor::fromRgbF(0.55f, 0.85f, 0.55f, 1.0f);
}

constexpr int kRegularIcon = 16, kLargeIcon = 20;
constexpr int kRegularHeight = 26, kLargeHeight = 32;

QToolButton* menuButton(const QString& name, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setAutoRaise(true);
    return button;
}

} // namespace

MainToolbar::MainToolbar(Catalog& catalog, QWidget* parent) : QToolBar(parent), m_catalog(catalog) {
    setObjectName(QStringLiteral("mainToolbar"));
    setWindowTitle(QStringLiteral("Toolbar"));
    setMovable(false);
    setFloatable(false);
    // The window's toolbar is always there: no menu offers to hide it.
    setContextMenuPolicy(Qt::PreventContextMenu);
    toggleViewAction()->setEnabled(false);

    // 1. The view picker: one segment per tab, exactly one checked.
    m_picker = new QWidget(this);
    m_picker->setObjectName(QStringLiteral("viewPicker"));
    m_picker->setAccessibleName(ToolbarModel::viewPickerTitle());
    m_pickerLayout = new QHBoxLayout(m_picker);
    m_pickerLayout->setContentsMargins(0, 0, 4, 0);
    m_pickerLayout->setSpacing(0);
    m_modes = new QActionGroup(this);
    m_modes->setExclusive(true);
    for (const Mode mode : allModes()) {
        auto* action = new QAction(rawValue(mode), m_modes);
        action->setCheckable(true);
        action->setData(static_cast<int>(mode));
        auto* segment = new QToolButton(m_picker);
        segment->setDefaultAction(action);
        segment->setToolButtonStyle(Qt::ToolButtonTextOnly);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_pickerLayout->addWidget(segment);
        connect(action, &QAction::triggered, this, [this, mode] {
            // The picker shows the window's tab until the window says otherwise.
            if (m_mode)
                modeAction(*m_mode)->setChecked(true);
            Q_EMIT modeChosen(mode);
        });
    }
    addWidget(m_picker);

    // 2. The date picker.
    m_date = menuButton(QStringLiteral("datePicker"), this);
    m_date->setToolTip(ToolbarModel::dateTip());
    m_dateMenu = new QMenu(m_date);
    auto* dates = new QActionGroup(m_dateMenu);
    for (const QString& value : {QStringLiteral("modified"), QStringLiteral("created")}) {
        QAction* choice = m_dateMenu->addAction(ToolbarModel::dateChoiceTitle(value));
        choice->setCheckable(true);
        choice->setData(value);
        dates->addAction(choice);
        connect(choice, &QAction::triggered, this, [value] { AppSettings::setDateMode(value); });
    }
    connect(m_dateMenu, &QMenu::aboutToShow, this, [this] {
        const QString stored = AppSettings::dateMode() == QStringLiteral("created")
                                   ? QStringLiteral("created")
                                   : QStringLiteral("modified");
        for (QAction* choice : m_dateMenu->actions())
            choice->setChecked(choice->data().toString() == stored);
    });
    m_date->setMenu(m_dateMenu);
    addWidget(m_date);

    // 3. "Working drives only".
    m_working = new QToolButton(this);
    m_working->setObjectName(QStringLiteral("workingDrives"));
    m_working->setAccessibleName(ToolbarModel::workingDrivesName());
    m_working->setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(m_working, &QToolButton::clicked, this,
            [] { AppSettings::setHideBackups(!AppSettings::hideBackups()); });
    addWidget(m_working);

    auto* gap = new QWidget(this);
    gap->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addWidget(gap);

    // 4. The Scan menu.
    m_scan = menuButton(QStringLiteral("scanMenu"), this);
    m_scan->setText(ToolbarModel::scanTitle());
    m_scan->setToolTip(ToolbarModel::scanTip());
    m_scanMenu = new QMenu(m_scan);
    m_drivesMenu = new QMenu(ToolbarModel::entireDriveTitle(), m_scanMenu);
    m_drivesMenu->setObjectName(QStringLiteral("entireDriveMenu"));
    connect(m_drivesMenu, &QMenu::aboutToShow, this, &MainToolbar::buildDrivesMenu);
    m_scan->setMenu(m_scanMenu);
    addWidget(m_scan);

    // 5. "Pause" and "Stop", only while a scan runs.
    m_pause = new QToolButton(this);
    m_pause->setObjectName(QStringLiteral("pauseScan"));
    m_pause->setText(QStringLiteral("Pause"));
    m_pause->setToolTip(ToolbarModel::pauseTip());
    m_pause->setAutoRaise(true);
    connect(m_pause, &QToolButton::clicked, this, [this] { m_catalog.pause(); });
    m_pauseItem = addWidget(m_pause);
    m_stop = new QToolButton(this);
    m_stop->setObjectName(QStringLiteral("stopScan"));
    m_stop->setText(QStringLiteral("Stop"));
    m_stop->setToolTip(ToolbarModel::stopTip());
    m_stop->setAutoRaise(true);
    connect(m_stop, &QToolButton::clicked, this, [this] { m_catalog.stop(); });
    m_stopItem = addWidget(m_stop);

    // 6. The search field.
    m_search = new SearchField(this);
    m_search->setObjectName(QStringLiteral("searchField"));
    addWidget(m_search);

    // Icons in the look's colours; redrawn when the look changes.
    UiFont::watchComfortableText(this, [this] { restyle(m_shown); });
}

std::optional<Mode> MainToolbar::checkedMode() const {
    if (const QAction* checked = m_modes->checkedAction())
        return static_cast<Mode>(checked->data().toInt());
    return std::nullopt;
}

QAction* MainToolbar::modeAction(Mode mode) const {
    return m_modes->actions().value(static_cast<int>(allModes().indexOf(mode)));
}

void MainToolbar::present(const ToolbarModel::Toolbar& bar, Mode mode) {
    if (m_mode != mode) {
        m_mode = mode;
        modeAction(mode)->setChecked(true);
    }
    m_search->setPrompt(bar.searchPrompt);
    if (m_everShown && bar == m_shown)
        return;
    m_everShown = true;
    m_shown = bar;

    m_date->setText(bar.dateLabel);
    m_working->setToolTip(bar.workingTip);
    m_scan->setEnabled(bar.scanEnabled);
    buildScanMenu(bar);
    m_pauseItem->setVisible(bar.scanControls);
    m_stopItem->setVisible(bar.scanControls);
    restyle(bar);
}

void MainToolbar::restyle(const ToolbarModel::Toolbar& bar) {
    const int iconSide = bar.large ? kLargeIcon : kRegularIcon;
    const int height = bar.large ? kLargeHeight : kRegularHeight;
    const Qt::ToolButtonStyle labels = bar.wide ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly;
    const QColor text = palette().color(QPalette::WindowText);
    const QSize icon(iconSide, iconSide);
    const qreal ratio = devicePixelRatioF();
    setIconSize(icon);

    m_picker->setMinimumWidth(bar.pickerMinWidth ? int(std::lround(*bar.pickerMinWidth)) : 0);
    m_pickerLayout->setContentsMargins(0, 0, int(bar.pickerTrailingPadding), 0);
    for (QToolButton* segment : m_picker->findChildren<QToolButton*>())
        segment->setFixedHeight(height);

    m_date->setIcon(Icons::tinted(QStringLiteral("calendar"), icon, text, ratio));
    m_date->setToolButtonStyle(labels);
    m_date->setFixedHeight(height);
    // The padding widens the button; a style sheet would take the style's own drawing away.
    m_date->setMinimumWidth(0);
    m_date->setMinimumWidth(m_date->sizeHint().width() + 2 * int(bar.datePadding));

    // Dark glyph on the green fill when on; the green glyph on nothing when off.
    QColor glyph = bar.workingFilled ? QColor(0, 0, 0) : lightGreen();
    if (bar.workingFilled)
        glyph.setAlphaF(0.75f);
    m_working->setIcon(Icons::tinted(bar.workingIcon, icon, glyph, ratio));
    m_working->setIconSize(icon);
    m_working->setFixedHeight(height);
    m_working->setStyleSheet(
        QStringLiteral("QToolButton#workingDrives { background: %1; border: none; border-radius: 7px; "
                       "padding: %2px %3px; }")
            .arg(bar.workingFilled ? lightGreen().name() : QStringLiteral("transparent"))
            .arg(int(bar.workingPadV))
            .arg(int(bar.workingPadH)));

    m_scan->setIcon(Icons::tinted(QStringLiteral("externaldrive.badge.plus"), icon, text, ratio));
    m_scan->setToolButtonStyle(labels);
    m_scan->setFixedHeight(height);
    m_pause->setIcon(Icons::tinted(QStringLiteral("pause.circle"), icon, text, ratio));
    m_pause->setToolButtonStyle(labels);
    m_pause->setFixedHeight(height);
    m_stop->setIcon(Icons::tinted(QStringLiteral("stop.circle"), icon, text, ratio));
    m_stop->setToolButtonStyle(labels);
    m_stop->setFixedHeight(height);
}

void MainToolbar::changeEvent(QEvent* event) {
    QToolBar::changeEvent(event);
    // The icons are drawn in the look's text colour.
    if (event->type() == QEvent::PaletteChange && m_everShown)
        restyle(m_shown);
}

void MainToolbar::buildScanMenu(const ToolbarModel::Toolbar& bar) {
    m_scanMenu->clear();
    using Kind = ToolbarModel::ScanEntry::Kind;
    for (const ToolbarModel::ScanEntry& entry : bar.scanEntries) {
        QAction* action = nullptr;
        switch (entry.kind) {
        case Kind::addFolder:
            action = m_scanMenu->addAction(entry.title);
            connect(action, &QAction::triggered, this, &MainToolbar::addFolderChosen);
            break;
        case Kind::resume:
            action = m_scanMenu->addAction(entry.title);
            connect(action, &QAction::triggered, this, [this] { m_catalog.resumePausedScan(); });
            break;
        case Kind::refresh:
            action = m_scanMenu->addAction(entry.title);
            connect(action, &QAction::triggered, this,
                    [this] { m_catalog.rescanAllRoots(WindowSettings::read().scanOptions(), std::nullopt); });
            break;
        case Kind::entireDrive:
            action = m_scanMenu->addMenu(m_drivesMenu);
            break;
        }
        action->setEnabled(entry.enabled);
    }
}

void MainToolbar::buildDrivesMenu() {
    // The drives mounted now, not when the toolbar was last drawn.
    m_drivesMenu->clear();
    for (const ToolbarModel::DriveEntry& drive : ToolbarModel::driveEntries(AppAction::mountedVolumes())) {
        QAction* action = m_drivesMenu->addAction(literalTitle(drive.title));
        connect(action, &QAction::triggered, this,
                [path = drive.path] { NotificationHub::shared().post(AppAction::scanEntireDrive(), path); });
    }
}

} // namespace pellimor
