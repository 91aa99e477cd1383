#include "Catalogue/Records/CleanupTarget.h"

#include <QHashFunctions>

namespace pellimor {

QString rawValue(GeneratedKind kind) {
    switch (kind) {
    case GeneratedKind::proxy:
        return QStringLiteral("proxy");
    case GeneratedKind::optimized:
        return QStringLiteral("optimized");
    case GeneratedKind::render:
        return QStringLiteral("render");
    }
    return {};
}

std::optional<GeneratedKind> generatedKindFromRawValue(const QString& raw) {
    for (GeneratedKind k : {GeneratedKind::proxy, GeneratedKind::optimized, GeneratedKind::render}) {
        if (rawValue(k) == raw)
            return k;
    }
    return std::nullopt;
}

size_t qHash(const CleanupTarget& t, size_t seed) noexcept {
    return qHashMulti(seed, t.url, rawValue(t.kind), t.event, t.bytes);
}

} // namespace pellimor
