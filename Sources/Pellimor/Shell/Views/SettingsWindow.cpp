#include "Shell/Views/SettingsWindow.h"

#include "App/AppSettings.h"
#include "Catalogue/Scan/ScanSettings.h"
#include "Platform/Services.h"
#include "Platform/SettingsStore.h"
#include "Shell/SettingsModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLayout>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace pellimor {

namespace {

// One tab's page: it asks for its fixed frame while it is the tab shown and for no room at
// all while it is not, so the tab widget, which sizes itself to the largest page, takes the
// size of the tab shown.
class SettingsPage : public QWidget {
public:
    SettingsPage(QSize frame, const QString& name) : m_frame(frame) { setObjectName(name); }
    void setShown(bool shown) {
        m_shown = shown;
        updateGeometry();
    }
    QSize sizeHint() const override { return m_shown ? m_frame : QSize(0, 0); }
    QSize minimumSizeHint() const override { return sizeHint(); }

private:
    QSize m_frame;
    bool m_shown = false;
};

QCheckBox* toggleFor(const SettingsModel::Toggle& toggle, QWidget* parent) {
    auto* box = new QCheckBox(toggle.title, parent);
    box->setObjectName(QString(toggle.key));
    if (!toggle.help.isEmpty())
        box->setToolTip(toggle.help);
    // Only the user's click writes; the refresh from the store sets the box without a click.
    QObject::connect(box, &QCheckBox::clicked, box, [key = toggle.key](bool on) {
        if (const auto store = platform::services().settings)
            store->setFlag(key, on);
    });
    return box;
}

template <typename Choice>
QComboBox* pickerFor(const QList<Choice>& choices, const QString& name, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    for (const Choice& choice : choices)
        combo->addItem(choice.title);
    return combo;
}

template <typename Choice, typename Value>
void select(QComboBox* combo, const QList<Choice>& choices, const Value& value) {
    const QSignalBlocker quiet(combo);
    const auto index = SettingsModel::indexOf(choices, value);
    combo->setCurrentIndex(index ? static_cast<int>(*index) : -1);
}

} // namespace

SettingsWindow::SettingsWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), m_store(platform::services().settings) {
    setObjectName(QStringLiteral("settingsWindow"));
    setWindowTitle(QStringLiteral("Settings"));

    m_tabs = new QTabWidget(this);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(m_tabs);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    // Appearance.
    auto* look = new SettingsPage(QSize(420, 160), QStringLiteral("appearancePage"));
    auto* lookForm = new QFormLayout(look);
    m_appearance = pickerFor(SettingsModel::appearanceChoices(), QString(AppSettings::Key::appearance), look);
    lookForm->addRow(QStringLiteral("Appearance"), m_appearance);
    m_largerText = toggleFor(SettingsModel::largerTextToggle(), look);
    lookForm->addRow(QString(), m_largerText);
    m_tabs->addTab(look, QStringLiteral("Appearance"));

    // Scanning.
    auto* scan = new SettingsPage(QSize(420, 280), QStringLiteral("scanningPage"));
    auto* scanForm = new QFormLayout(scan);
    for (const SettingsModel::Toggle& toggle : SettingsModel::scanningToggles()) {
        QCheckBox* box = toggleFor(toggle, scan);
        m_scanToggles.append(box);
        scanForm->addRow(QString(), box);
    }
    m_folderDepth =
        pickerFor(SettingsModel::folderDepthChoices(), QString(ScanSettings::Key::folderDepth), scan);
    scanForm->addRow(QStringLiteral("Look this many folder levels deep"), m_folderDepth);
    m_scanThreads =
        pickerFor(SettingsModel::scanThreadsChoices(), QString(ScanSettings::Key::scanThreads), scan);
    scanForm->addRow(QStringLiteral("Parallel libraries"), m_scanThreads);
    m_tabs->addTab(scan, QStringLiteral("Scanning"));

    // Pickers write only when the user picks (activated), never when a refresh selects.
    connect(m_appearance, &QComboBox::activated, this, [](int index) {
        const auto& choices = SettingsModel::appearanceChoices();
        if (index >= 0 && index < choices.size())
            AppSettings::setAppearance(choices[index].value);
    });
    connect(m_folderDepth, &QComboBox::activated, this, [](int index) {
        const auto& choices = SettingsModel::folderDepthChoices();
        if (index >= 0 && index < choices.size())
            ScanSettings::setFolderDepth(choices[index].value);
    });
    connect(m_scanThreads, &QComboBox::activated, this, [](int index) {
        const auto& choices = SettingsModel::scanThreadsChoices();
        if (index >= 0 && index < choices.size())
            ScanSettings::setScanThreads(choices[index].value);
    });

    if (m_store)
        connect(m_store.get(), &platform::SettingsStore::changed, this, [this] { refresh(); });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { fitToCurrentTab(); });

    refresh();
    fitToCurrentTab();
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::refresh() {
    select(m_appearance, SettingsModel::appearanceChoices(), AppSettings::appearance());
    {
        const QSignalBlocker quiet(m_largerText);
        m_largerText->setChecked(AppSettings::comfortable());
    }
    const auto& toggles = SettingsModel::scanningToggles();
    const auto store = platform::services().settings;
    for (qsizetype i = 0; i < toggles.size(); ++i) {
        const QSignalBlocker quiet(m_scanToggles[i]);
        m_scanToggles[i]->setChecked(store ? store->flag(toggles[i].key, toggles[i].defaultValue)
                                           : toggles[i].defaultValue);
    }
    // The pickers show what a scan would use: a stored value below the range reads as the rule
    // makes it, so a hand-edited 0 shows "5" levels and "1" library at once.
    select(m_folderDepth, SettingsModel::folderDepthChoices(), ScanSettings::folderDepth());
    select(m_scanThreads, SettingsModel::scanThreadsChoices(), qint64(ScanSettings::scanThreads()));
}

void SettingsWindow::fitToCurrentTab() {
    for (int i = 0; i < m_tabs->count(); ++i)
        static_cast<SettingsPage*>(m_tabs->widget(i))->setShown(i == m_tabs->currentIndex());
    m_tabs->updateGeometry();
    layout()->activate();
}

} // namespace pellimor
