#include "Catalogue/Reader/PlaceholderUnarchiver.h"

#include "Catalogue/Reader/ArchivedObject.h"
#include "KeyedArchive/KeyedArchivePlist.h"
#include "KeyedArchive/KeyedArchiveTable.h"
#include "KeyedArchive/PropertyList.h"

#include <QHash>
#include <QSet>

namespace pellimor::PlaceholderUnarchiver {

namespace {

using KeyedArchivePlist::nullValue;

enum class Kind { Dictionary, List, Text, Data, Date, Url, Null, Placeholder };

Kind kindOf(const QString& className) {
    static const QHash<QString, Kind> known = {
        {QStringLiteral("NSDictionary"), Kind::Dictionary},
        {QStringLiteral("NSMutableDictionary"), Kind::Dictionary},
        {QStringLiteral("NSArray"), Kind::List},
        {QStringLiteral("NSMutableArray"), Kind::List},
        {QStringLiteral("NSSet"), Kind::List},
        {QStringLiteral("NSMutableSet"), Kind::List},
        {QStringLiteral("NSOrderedSet"), Kind::List},
        {QStringLiteral("NSMutableOrderedSet"), Kind::List},
        {QStringLiteral("NSString"), Kind::Text},
        {QStringLiteral("NSMutableString"), Kind::Text},
        {QStringLiteral("NSData"), Kind::Data},
        {QStringLiteral("NSMutableData"), Kind::Data},
        {QStringLiteral("NSDate"), Kind::Date},
        {QStringLiteral("NSURL"), Kind::Url},
        {QStringLiteral("NSNull"), Kind::Null},
    };
    return known.value(className, Kind::Placeholder);
}

bool isText(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<QString>();
}

// A scalar stored as a plain property-list value; nothing for containers and references.
std::optional<QVariant> scalar(plist_t value) {
    if (const auto text = PropertyList::text(value))
        return QVariant(*text);
    if (const auto integer = PropertyList::integer(value))
        return QVariant::fromValue(*integer);
    if (const auto number = PropertyList::number(value))
        return QVariant(*number);
    if (const auto flag = PropertyList::boolean(value))
        return QVariant(*flag);
    if (const auto date = PropertyList::date(value))
        return QVariant(*date);
    if (PropertyList::isData(value))
        return QVariant(PropertyList::data(value));
    return std::nullopt;
}

// Decodes objects of one archive. An object is decoded at most once per depth and reused
// wherever it is referenced again at that depth (the results share their data), so the work
// stays proportional to the archive, and no reuse can carry a result deeper than maxDepth.
// `m_used` counts the values of the expanded result, reused ones included.
class Unarchiver {
public:
    explicit Unarchiver(const KeyedArchiveTable& table) : m_table(table) {}

    // A field or element, as the archiver stores it: a reference, or a plain scalar.
    QVariant decodeValue(plist_t value, int depth) {
        const std::optional<quint64> index = PropertyList::uid(value);
        if (!index) {
            // The archiver stores scalars of an object's own fields in place.
            const std::optional<QVariant> plain = scalar(value);
            return counted(plain ? *plain : nullValue());
        }
        if (*index == 0 || *index >= m_table.size() || m_onPath.contains(*index) || depth >= maxDepth)
            return counted(nullValue());
        const quint64 key = *index * quint64(maxDepth) + quint64(depth);
        if (const auto found = m_memo.constFind(key); found != m_memo.constEnd()) {
            if (m_used + found->weight > maxValues)
                return counted(nullValue());
            m_used += found->weight;
            return found->value;
        }
        if (m_used >= maxValues)
            return counted(nullValue());

        m_onPath.insert(*index);
        const qint64 before = m_used;
        QVariant result = decodeObject(m_table.object(*index), depth);
        m_onPath.remove(*index);
        m_memo.insert(key, Memo{result, m_used - before});
        return result;
    }

private:
    struct Memo {
        QVariant value;
        qint64 weight = 0;
    };

    const KeyedArchiveTable& m_table;
    QHash<quint64, Memo> m_memo;
    QSet<quint64> m_onPath;
    qint64 m_used = 0;

    QVariant counted(QVariant value) {
        ++m_used;
        return value;
    }

    std::optional<QString> className(plist_t object) const {
        const std::optional<quint64> classIndex = PropertyList::uid(PropertyList::item(object, "$class"));
        if (!classIndex)
            return std::nullopt;
        return PropertyList::text(PropertyList::item(m_table.object(*classIndex), "$classname"));
    }

    QVariant decodeObject(plist_t object, int depth) {
        if (!PropertyList::isDict(object) || PropertyList::uid(object)) {
            const std::optional<QVariant> plain = scalar(object);
            return counted(plain ? *plain : nullValue());
        }
        const std::optional<QString> name = className(object);
        if (!name)
            return counted(nullValue());

        switch (kindOf(*name)) {
        case Kind::Dictionary: {
            const QList<plist_t> keys = PropertyList::elements(PropertyList::item(object, "NS.keys"));
            const QList<plist_t> values = PropertyList::elements(PropertyList::item(object, "NS.objects"));
            QVariantMap map;
            const qsizetype count = std::min(keys.size(), values.size());
            for (qsizetype i = 0; i < count; ++i) {
                const QVariant key = decodeValue(keys[i], depth + 1);
                if (isText(key))
                    map.insert(key.toString(), decodeValue(values[i], depth + 1));
            }
            return counted(map);
        }
        case Kind::List: {
            const QList<plist_t> elements = PropertyList::elements(PropertyList::item(object, "NS.objects"));
            QVariantList list;
            list.reserve(elements.size());
            for (plist_t element : elements)
                list.append(decodeValue(element, depth + 1));
            return counted(list);
        }
        case Kind::Text: {
            if (const auto text = PropertyList::text(PropertyList::item(object, "NS.string")))
                return counted(*text);
            return counted(QString::fromUtf8(PropertyList::data(PropertyList::item(object, "NS.bytes"))));
        }
        case Kind::Data:
            return counted(PropertyList::data(PropertyList::item(object, "NS.data")));
        case Kind::Date: {
            const auto seconds = PropertyList::number(PropertyList::item(object, "NS.time"));
            const auto date = seconds ? PropertyList::dateSince2001(*seconds) : std::nullopt;
            return counted(date ? QVariant(*date) : nullValue());
        }
        case Kind::Url: {
            const QVariant relative = decodeValue(PropertyList::item(object, "NS.relative"), depth + 1);
            return counted(isText(relative) ? relative : nullValue());
        }
        case Kind::Null:
            return counted(nullValue());
        case Kind::Placeholder:
            break;
        }

        // Only the two fields a role carries are decoded; the rest of an unknown object is
        // never looked at.
        ArchivedObject placeholder;
        if (plist_t field = PropertyList::item(object, "name")) {
            const QVariant value = decodeValue(field, depth + 1);
            if (isText(value))
                placeholder.name = value.toString();
        }
        if (plist_t field = PropertyList::item(object, "subRoles")) {
            const QVariant value = decodeValue(field, depth + 1);
            if (value.metaType() == QMetaType::fromType<QVariantList>())
                placeholder.subRoles = value.toList();
        }
        return counted(QVariant::fromValue(placeholder));
    }
};

} // namespace

std::optional<QVariant> unarchive(const QByteArray& data) {
    const std::optional<KeyedArchiveTable> table = KeyedArchiveTable::open(data);
    if (!table)
        return std::nullopt;
    Unarchiver unarchiver(*table);
    return unarchiver.decodeValue(table->root(), 0);
}

} // namespace pellimor::PlaceholderUnarchiver
