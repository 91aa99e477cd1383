#include "KeyedArchive/PropertyList.h"

#include "KeyedArchive/PlistGuard.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

namespace pellimor {

namespace {

plist_type typeOf(plist_t node) {
    return node ? plist_get_node_type(node) : PLIST_NONE;
}

QDateTime referenceDate() {
    return QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
}

QVariant plainValue(plist_t node, int depth) {
    // The guard has bounded the nesting already; this only keeps the recursion honest.
    if (depth > PlistGuard::maxNesting)
        return QVariant::fromValue(nullptr);
    if (const auto index = PropertyList::uid(node))
        return QVariantMap{{QStringLiteral("CF$UID"), QVariant::fromValue(qint64(*index))}};
    switch (typeOf(node)) {
    case PLIST_DICT: {
        QVariantMap map;
        PropertyList::forEachEntry(
            node, [&](const QString& key, plist_t value) { map.insert(key, plainValue(value, depth + 1)); });
        return map;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        for (plist_t element : PropertyList::elements(node))
            list.append(plainValue(element, depth + 1));
        return list;
    }
    case PLIST_BOOLEAN:
        return *PropertyList::boolean(node);
    case PLIST_UINT:
        return QVariant::fromValue(*PropertyList::integer(node));
    case PLIST_REAL:
        return *PropertyList::number(node);
    case PLIST_STRING:
    case PLIST_KEY:
        return *PropertyList::text(node);
    case PLIST_DATE: {
        const std::optional<QDateTime> date = PropertyList::date(node);
        return date ? QVariant(*date) : QVariant::fromValue(nullptr);
    }
    case PLIST_DATA:
        return PropertyList::data(node);
    default:
        return QVariant::fromValue(nullptr);
    }
}

} // namespace

std::optional<PropertyList> PropertyList::parse(const QByteArray& data) {
    if (!PlistGuard::acceptable(data))
        return std::nullopt;
    plist_t root = nullptr;
    const auto length = uint32_t(data.size()); // the guard keeps it far below 4 GiB
    if (PlistGuard::isBinary(data))
        plist_from_bin(data.constData(), length, &root);
    else
        plist_from_xml(data.constData(), length, &root);
    if (!root)
        return std::nullopt;
    return PropertyList(root);
}

PropertyList::PropertyList(PropertyList&& other) noexcept : m_root(std::exchange(other.m_root, nullptr)) {}

PropertyList& PropertyList::operator=(PropertyList&& other) noexcept {
    if (this != &other) {
        if (m_root)
            plist_free(m_root);
        m_root = std::exchange(other.m_root, nullptr);
    }
    return *this;
}

PropertyList::~PropertyList() {
    if (m_root)
        plist_free(m_root);
}

QVariant PropertyList::value() const {
    return plainValue(m_root, 0);
}

bool PropertyList::isDict(plist_t node) {
    return typeOf(node) == PLIST_DICT;
}

bool PropertyList::isArray(plist_t node) {
    return typeOf(node) == PLIST_ARRAY;
}

bool PropertyList::isData(plist_t node) {
    return typeOf(node) == PLIST_DATA;
}

std::optional<qint64> PropertyList::integer(plist_t node) {
    if (typeOf(node) != PLIST_UINT)
        return std::nullopt;
    uint64_t value = 0;
    plist_get_uint_val(node, &value);
    // libplist 2.2 stores every integer as unsigned; the bits are those of the signed value.
    return qint64(value);
}

std::optional<double> PropertyList::number(plist_t node) {
    if (const auto value = integer(node))
        return double(*value);
    if (typeOf(node) != PLIST_REAL)
        return std::nullopt;
    double value = 0;
    plist_get_real_val(node, &value);
    return value;
}

std::optional<QString> PropertyList::text(plist_t node) {
    const plist_type type = typeOf(node);
    if (type == PLIST_STRING) {
        uint64_t length = 0;
        const char* bytes = plist_get_string_ptr(node, &length);
        return bytes ? QString::fromUtf8(bytes, qsizetype(length)) : QString();
    }
    if (type == PLIST_KEY) {
        char* key = nullptr;
        plist_get_key_val(node, &key);
        QString result = QString::fromUtf8(key);
        std::free(key);
        return result;
    }
    return std::nullopt;
}

std::optional<bool> PropertyList::boolean(plist_t node) {
    if (typeOf(node) != PLIST_BOOLEAN)
        return std::nullopt;
    uint8_t value = 0;
    plist_get_bool_val(node, &value);
    return value != 0;
}

std::optional<quint64> PropertyList::uid(plist_t node) {
    const plist_type type = typeOf(node);
    if (type == PLIST_UID) {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return quint64(value);
    }
    // libplist 2.2 leaves the XML spelling a dictionary.
    if (type == PLIST_DICT && plist_dict_get_size(node) == 1) {
        if (const auto index = integer(plist_dict_get_item(node, "CF$UID")))
            return quint64(*index);
    }
    return std::nullopt;
}

QByteArray PropertyList::data(plist_t node) {
    if (typeOf(node) != PLIST_DATA)
        return {};
    uint64_t length = 0;
    const char* bytes = plist_get_data_ptr(node, &length);
    return bytes ? QByteArray(bytes, qsizetype(length)) : QByteArray();
}

std::optional<QDateTime> PropertyList::date(plist_t node) {
    if (typeOf(node) != PLIST_DATE)
        return std::nullopt;
    int32_t seconds = 0;
    int32_t micros = 0;
    plist_get_date_val(node, &seconds, &micros);
    // libplist narrows the seconds to 32 bits; a date beyond them arrives as the lowest value.
    if (seconds == std::numeric_limits<int32_t>::min())
        return std::nullopt;
    return referenceDate().addMSecs(qint64(seconds) * 1000 + micros / 1000);
}

plist_t PropertyList::item(plist_t dict, const char* key) {
    return typeOf(dict) == PLIST_DICT ? plist_dict_get_item(dict, key) : nullptr;
}

QList<plist_t> PropertyList::elements(plist_t array) {
    QList<plist_t> result;
    if (typeOf(array) != PLIST_ARRAY)
        return result;
    result.reserve(plist_array_get_size(array));
    plist_array_iter iter = nullptr;
    plist_array_new_iter(array, &iter);
    if (!iter)
        return result;
    while (true) {
        plist_t element = nullptr;
        plist_array_next_item(array, iter, &element);
        if (!element)
            break;
        result.append(element);
    }
    std::free(iter);
    return result;
}

void PropertyList::forEachEntry(plist_t dict, const std::function<void(const QString&, plist_t)>& visit) {
    if (typeOf(dict) != PLIST_DICT)
        return;
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(dict, &iter);
    if (!iter)
        return;
    while (true) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dict, iter, &key, &value);
        if (!key)
            break;
        const QString name = QString::fromUtf8(key);
        std::free(key);
        if (value)
            visit(name, value);
    }
    std::free(iter);
}

std::optional<QDateTime> PropertyList::dateSince2001(double seconds) {
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e15)
        return std::nullopt;
    return referenceDate().addMSecs(qint64(std::llround(seconds * 1000.0)));
}

} // namespace pellimor
