#pragma once

#include <QObject>
#include <QString>
#include <optional>

namespace pellimor {

// The process-wide notification centre of the windows: a sender posts a name (AppAction)
// with an optional text, and every receiver connected to `posted` hears it. Posting is
// synchronous: the receivers have acted when post() returns.
//
// Main thread only.
class NotificationHub : public QObject {
    Q_OBJECT
public:
    static NotificationHub& shared();

    void post(const QString& name, const std::optional<QString>& object = std::nullopt);

Q_SIGNALS:
    void posted(const QString& name, const std::optional<QString>& object);

private:
    NotificationHub() = default;
};

} // namespace pellimor
