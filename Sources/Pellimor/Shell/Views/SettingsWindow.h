#pragma once

#include <QList>
#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QTabWidget;

namespace pellimor {

namespace platform {
class SettingsStore;
}

// The Settings window: two tabs, "Appearance" and "Scanning", whose controls edit the stored
// settings directly. Every change is written at once; there is no Apply or Cancel. A value
// changed elsewhere (the View menu's "Larger Text", another window) shows here at once.
// Each tab keeps its own fixed size, and the window takes the size of the tab shown.
//
// Main thread only.
class SettingsWindow : public QWidget {
    Q_OBJECT
public:
    explicit SettingsWindow(QWidget* parent = nullptr);
    ~SettingsWindow() override;

    QTabWidget* tabs() const { return m_tabs; }

private:
    // Reads every control's value from the store, without writing anything back.
    void refresh();
    void fitToCurrentTab();

    std::shared_ptr<platform::SettingsStore> m_store; // whose changes the controls follow
    QTabWidget* m_tabs = nullptr;
    QComboBox* m_appearance = nullptr;
    QCheckBox* m_largerText = nullptr;
    QList<QCheckBox*> m_scanToggles; // in the order of SettingsModel::scanningToggles()
    QComboBox* m_folderDepth = nullptr;
    QComboBox* m_scanThreads = nullptr;
};

} // namespace pellimor
