#pragma once

#include <QString>
#include <mutex>

namespace pellimor {

// What the main window shows at this moment, for the lines of the main-thread watchdog and
// the search logging. The main window and the library browser write it on the main thread;
// the watchdog reads it from its own thread, possibly while the main thread is stalled.
//
// Every field lives behind one mutex. Writers go through update(), which hands them the
// fields under the lock:
//
//     UITrace::shared().update([&](UITrace::Fields& f) {
//         f.queryLen = text.size();
//         f.tab = tabName;
//     });
//
// Keep the function to plain field stores: the lock is held while it runs, and the watchdog
// must be able to read while the main thread hangs elsewhere. Readers get whole lines made
// under one hold of the lock, so a line never mixes two states.
class UITrace {
public:
    struct Fields {
        qint64 queryLen = 0;  // characters in the search field
        qint64 libraries = 0; // libraries among the current search hits
        qint64 events = 0;    // events among the current search hits
        qint64 projects = 0;  // projects among the current search hits
        QString tab = QStringLiteral("Browser");
        QString sidebar = QStringLiteral("Everything");
        bool scanning = false;
    };

    // The one instance the program uses, created on first use.
    static UITrace& shared();

    UITrace() = default;
    UITrace(const UITrace&) = delete;
    UITrace& operator=(const UITrace&) = delete;

    // Runs `store(fields)` while holding the lock.
    template <typename Store> void update(Store&& store) {
        std::lock_guard lock(m_lock);
        store(m_fields);
    }

    // "queryLen=4 libraries=2 events=5 projects=1 tab=Browser sidebar=Everything scanning=false"
    QString snapshot() const;

    // "libraries=2 events=5 projects=1"
    QString searchCounts() const;

private:
    mutable std::mutex m_lock;
    Fields m_fields;
};

} // namespace pellimor
