#pragma once

#include <QString>
#include <optional>

namespace pellimor {

// The three kinds of media Final Cut Pro can rebuild, in this order.
enum class GeneratedKind { proxy, optimized, render };

QString rawValue(GeneratedKind kind); // "proxy", "optimized", "render"
std::optional<GeneratedKind> generatedKindFromRawValue(const QString& raw);

// One file or folder that a free-up-space plan removes. The catalogue takes a list of them
// after a run (`Catalog::noteFreed`), reading `kind`, `event` and `bytes`.
struct CleanupTarget {
    QString url; // path of the item to remove
    GeneratedKind kind = GeneratedKind::proxy;
    QString event; // the event's folder name
    qint64 bytes = 0;

    QString id() const { return url; }
    bool operator==(const CleanupTarget&) const = default;
};

size_t qHash(const CleanupTarget& target, size_t seed = 0) noexcept;

} // namespace pellimor
