#pragma once

#include "Tests/Support/FakeFinalCut/FakeFinalCutScript.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace pellimor::test {

// One fake Final Cut Pro instance, on the clock in force: its version, whether it runs, the
// libraries handed to it, its windows and a record of what happened. Opening a library that
// an older version saved shows, after a delay, the update prompt; "Update" writes the new
// version into the library after a delay, "Cancel" changes nothing. What it does beyond that
// is its script's. Main thread only.
class FakeFinalCutModel final : public QObject {
    Q_OBJECT

public:
    // Error codes of a press, as the Accessibility service gives them.
    static constexpr int invalidElement = -25202;

    // An element of a window, numbered uniquely for the instance's life.
    struct Element {
        int id = 0;
        QString role;
        std::optional<QString> title;
        std::optional<QString> value;
        QList<int> children;
    };

    explicit FakeFinalCutModel(FakeFinalCutScript script, QObject* parent = nullptr);
    ~FakeFinalCutModel() override;

    const FakeFinalCutScript& script() const { return m_script; }
    bool running() const { return m_running; }
    bool hangs() const { return m_script.hang; }
    QStringList libraries() const { return m_libraries; }
    // What happened, one line per event ("open PATH", "prompt NAME", "press Update",
    // "updated PATH to 11.1", "quit request", "quit ignored", "quit", "forced quit", ...).
    QStringList log() const { return m_log; }

    // Hands it a library. `answer` gets nothing or an error text, or is never called.
    void open(const QString& library, std::function<void(const std::optional<QString>&)> answer);
    // A normal quit request, and a forced quit.
    void requestQuit();
    void forceQuit();

    QList<int> windows() const { return m_windows; }
    // The element, or nothing once it is gone (its window closed, the instance quit).
    std::optional<Element> element(int id) const;
    // 0, or an error code: the script's press error, or invalidElement for an element that is
    // gone or no button.
    int press(int id);

Q_SIGNALS:
    // It stopped running.
    void ended();

private:
    int add(const QString& role, std::optional<QString> title = std::nullopt,
            std::optional<QString> value = std::nullopt);
    void showPrompt(const QString& library);
    void showAfterUpdateDialog();
    void closeWindow(int window);
    void pressedUpdate(const QString& library);
    void writeNewVersion(const QString& library);
    void end(const QString& how);
    void later(int ms, std::function<void()> then);

    FakeFinalCutScript m_script;
    bool m_running = true;
    QStringList m_libraries;
    QStringList m_log;
    QList<int> m_windows;
    QHash<int, Element> m_elements;
    QHash<int, std::function<void()>> m_actions; // what each button does
    QHash<int, int> m_windowOf;                  // element → its window
    int m_nextId = 1;
    bool m_holdingDialog = false;
    int m_life = 0; // moves on when it quits, so the waits in flight come to nothing
};

// The version key of a version text: its first two numbers (a piece that is no number, or a
// missing second piece, counts as 0). A library is older when its key is less.
std::pair<int, int> fakeVersionKey(const QString& version);

} // namespace pellimor::test
