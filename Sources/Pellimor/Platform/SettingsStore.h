#pragma once

#include "Platform/ProblemReporter.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>
#include <mutex>
#include <optional>
#include <vector>

namespace pellimor::platform {

// The user's settings: a typed key-value store kept as JSON (written atomically), so a key
// that holds a flag stays a flag — rules ask whether a key "holds a flag", which Qt's INI
// format cannot answer. Values are flags, integers, doubles, texts, dates and data.
//
// Every change is saved at once. A change that cannot be saved still takes effect for the
// rest of the run; the failure goes to the ProblemReporter once, and again only after a
// save has succeeded in between, so a full disk does not flood the log.
//
// A file that cannot be read (not JSON, not an object, not a regular file) is moved aside as
// "<file>.unreadable-<UTC time>" before anything is saved in its place, with a warning naming
// it; the store starts from the defaults. When it cannot be moved, nothing is saved over it,
// and the move is tried again at each change. Entries of a readable file that do not decode
// are dropped.
//
// Thread-safe: reads and writes may come from any thread. `changed` is emitted on the
// thread that made the change; connect with the default connection type to have it
// delivered on the receiver's thread.
class SettingsStore : public QObject {
    Q_OBJECT
public:
    enum class Type { Flag, Integer, Double, Text, Date, Data };

    struct Value {
        Type type;
        QVariant value; // bool, qint64, double, QString, QDateTime (UTC) or QByteArray
        bool operator==(const Value&) const = default;
    };

    // `file` is the JSON file; an empty path keeps everything in memory (tests).
    explicit SettingsStore(QString file, QObject* parent = nullptr);

    std::optional<Value> value(const QString& key) const;
    bool contains(const QString& key) const;
    bool holds(const QString& key, Type type) const;

    // Typed reads: the stored value when the key holds that type, else the default.
    bool flag(const QString& key, bool defaultValue) const;
    qint64 integer(const QString& key, qint64 defaultValue) const;
    double number(const QString& key, double defaultValue) const; // an integer counts too
    QString text(const QString& key, const QString& defaultValue = {}) const;
    std::optional<QDateTime> date(const QString& key) const;
    std::optional<QByteArray> data(const QString& key) const;

    void setFlag(const QString& key, bool v);
    void setInteger(const QString& key, qint64 v);
    void setNumber(const QString& key, double v);
    void setText(const QString& key, const QString& v);
    void setDate(const QString& key, const QDateTime& v);
    void setData(const QString& key, const QByteArray& v);
    void remove(const QString& key);

    QString file() const { return m_file; }

Q_SIGNALS:
    // A key's value changed (set to a different value, or removed).
    void changed(const QString& key);

private:
    void set(const QString& key, Value v);
    // Problems met go to `problems`, to be reported once the lock is released.
    void loadLocked(std::vector<ProblemReporter::Problem>& problems);
    // Why the save failed, when it failed and the one before did not; other problems met go
    // to `problems`. Both to be reported once the lock is released.
    std::optional<QString> saveLocked(std::vector<ProblemReporter::Problem>& problems);
    static void report(const std::vector<ProblemReporter::Problem>& problems,
                       const std::optional<QString>& saveFailure = std::nullopt);

    QString m_file;
    mutable std::mutex m_mutex;
    QHash<QString, Value> m_values;
    bool m_saveFailing = false;       // the last save failed
    bool m_unreadableInPlace = false; // the file could not be read, nor moved aside: keep off it
};

} // namespace pellimor::platform
