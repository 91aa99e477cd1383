#pragma once

#include <QDateTime>
#include <QHashFunctions>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

namespace pellimor::RecordHash {

// Hashing that follows the records' equality: every field in declaration order, an
// optional as its presence followed by its value, lists element by element, maps entry by
// entry in key order, dates by their instant (as QDateTime's equality compares them).

inline size_t mix(size_t seed, size_t value) noexcept {
    return seed ^ (value + size_t(0x9e3779b97f4a7c15ULL) + (seed << 6) + (seed >> 2));
}

inline size_t of(const QString& value) noexcept {
    return ::qHash(value, size_t(0));
}
inline size_t of(qint64 value) noexcept {
    return ::qHash(value, size_t(0));
}
inline size_t of(bool value) noexcept {
    return ::qHash(value, size_t(0));
}
// qHash(double) gives 0.0 and -0.0 one hash, as == treats them alike.
inline size_t of(double value) noexcept {
    return ::qHash(value, size_t(0));
}
// QDateTime's == compares instants, so two equal dates in different zones must hash alike.
inline size_t of(const QDateTime& value) noexcept {
    return value.isValid() ? ::qHash(value.toMSecsSinceEpoch(), size_t(0)) : 0;
}
template <typename T> size_t of(const std::optional<T>& value) noexcept;
template <typename T> size_t of(const QList<T>& value) noexcept;
template <typename T> size_t of(const QMap<QString, T>& value) noexcept;
// Records: their own qHash, found by argument-dependent lookup.
template <typename R> size_t of(const R& record) noexcept {
    return qHash(record, 0);
}

template <typename T> size_t of(const std::optional<T>& value) noexcept {
    return value ? mix(1, of(*value)) : 0;
}

template <typename T> size_t of(const QList<T>& value) noexcept {
    size_t seed = of(qint64(value.size()));
    for (const T& element : value)
        seed = mix(seed, of(element));
    return seed;
}

template <typename T> size_t of(const QMap<QString, T>& value) noexcept {
    size_t seed = of(qint64(value.size()));
    for (auto it = value.begin(); it != value.end(); ++it)
        seed = mix(mix(seed, of(it.key())), of(it.value()));
    return seed;
}

// Feeds fields one after another: `return Hasher(seed).add(a).add(b).result();`
class Hasher {
public:
    explicit Hasher(size_t seed) noexcept : m_seed(seed) {}

    template <typename T> Hasher& add(const T& field) noexcept {
        m_seed = mix(m_seed, of(field));
        return *this;
    }
    size_t result() const noexcept { return m_seed; }

private:
    size_t m_seed;
};

} // namespace pellimor::RecordHash
