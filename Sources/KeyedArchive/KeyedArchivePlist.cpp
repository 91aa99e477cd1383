#include "KeyedArchive/KeyedArchivePlist.h"

#include "KeyedArchive/KeyedArchiveTable.h"
#include "KeyedArchive/PropertyList.h"

#include <QHash>

namespace pellimor::KeyedArchivePlist {

namespace {

// Resolves references against one archive's object table. An object is resolved at most once
// per depth (the result below it depends on the depth only), so a table whose objects refer
// to each other many times over costs a bounded walk, and the shared results are implicitly
// shared copies. `m_used` counts the values of the expanded result, reused ones included.
class Resolver {
public:
    explicit Resolver(const KeyedArchiveTable& table) : m_table(table) {}

    QVariant resolve(plist_t value, int depth) {
        const std::optional<quint64> index = PropertyList::uid(value);
        if (!index) {
            if (depth >= maxDepth)
                return counted(tooDeep);
            return resolveValue(value, depth);
        }
        if (*index >= m_table.size())
            return counted(nullValue());
        if (depth >= maxDepth)
            return counted(tooDeep);

        const quint64 key = *index * quint64(maxDepth) + quint64(depth);
        if (const auto found = m_memo.constFind(key); found != m_memo.constEnd()) {
            if (m_used + found->weight > maxValues)
                return counted(tooDeep);
            m_used += found->weight;
            return found->value;
        }
        const qint64 before = m_used;
        QVariant result = resolveValue(m_table.object(*index), depth);
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
    qint64 m_used = 0;

    QVariant counted(QVariant value) {
        ++m_used;
        return value;
    }

    bool exhausted() const { return m_used >= maxValues; }

    // A value that is not a reference (any more).
    QVariant resolveValue(plist_t value, int depth) {
        if (exhausted())
            return counted(tooDeep);
        if (PropertyList::isData(value))
            return counted(dataLeftOut);
        if (!PropertyList::isDict(value) || PropertyList::uid(value))
            return plain(value, depth);

        plist_t keys = PropertyList::item(value, "NS.keys");
        plist_t objects = PropertyList::item(value, "NS.objects");
        if (PropertyList::isArray(keys) && PropertyList::isArray(objects)) {
            const QList<plist_t> keyNodes = PropertyList::elements(keys);
            const QList<plist_t> objectNodes = PropertyList::elements(objects);
            QVariantMap map;
            const qsizetype count = std::min(keyNodes.size(), objectNodes.size());
            for (qsizetype i = 0; i < count; ++i) {
                const QVariant key = resolve(keyNodes[i], depth + 1);
                if (key.metaType() == QMetaType::fromType<QString>())
                    map.insert(key.toString(), resolve(objectNodes[i], depth + 1));
            }
            return counted(map);
        }
        if (PropertyList::isArray(objects)) {
            QVariantList list;
            const QList<plist_t> objectNodes = PropertyList::elements(objects);
            list.reserve(objectNodes.size());
            for (plist_t element : objectNodes)
                list.append(resolve(element, depth + 1));
            return counted(list);
        }
        if (const auto text = PropertyList::text(PropertyList::item(value, "NS.string")))
            return counted(*text);
        if (plist_t relative = PropertyList::item(value, "NS.relative"))
            return resolve(relative, depth + 1);
        if (plist_t time = PropertyList::item(value, "NS.time")) {
            const std::optional<double> seconds = PropertyList::number(time);
            if (!seconds)
                return plain(value, depth);
            // A number no calendar holds has no date; the null value says so without failing
            // the whole archive.
            const std::optional<QDateTime> date = PropertyList::dateSince2001(*seconds);
            return counted(date ? QVariant(*date) : nullValue());
        }

        QVariantMap fields;
        PropertyList::forEachEntry(value, [&](const QString& name, plist_t field) {
            if (name != QLatin1String("$class"))
                fields.insert(name, resolve(field, depth + 1));
        });
        return counted(fields);
    }

    // A value as stored, references left as {"CF$UID": n}. Containers below the depth limit
    // read "..." as resolved ones do, and data stays out, so a stored value is no way around
    // either bound.
    QVariant plain(plist_t value, int depth) {
        if (const auto index = PropertyList::uid(value)) {
            m_used += 1;
            return counted(QVariantMap{{QStringLiteral("CF$UID"), QVariant::fromValue(qint64(*index))}});
        }
        if (PropertyList::isData(value))
            return counted(dataLeftOut);
        if (const auto text = PropertyList::text(value))
            return counted(*text);
        if (const auto integer = PropertyList::integer(value))
            return counted(QVariant::fromValue(*integer));
        if (const auto number = PropertyList::number(value))
            return counted(*number);
        if (const auto flag = PropertyList::boolean(value))
            return counted(*flag);
        if (const auto date = PropertyList::date(value))
            return counted(*date);
        const bool isArray = PropertyList::isArray(value);
        if (!isArray && !PropertyList::isDict(value))
            return counted(nullValue());
        if (depth >= maxDepth || exhausted())
            return counted(tooDeep);
        if (isArray) {
            QVariantList list;
            for (plist_t element : PropertyList::elements(value))
                list.append(plain(element, depth + 1));
            return counted(list);
        }
        QVariantMap map;
        PropertyList::forEachEntry(
            value, [&](const QString& name, plist_t field) { map.insert(name, plain(field, depth + 1)); });
        return counted(map);
    }
};

} // namespace

std::optional<QVariantMap> decode(const QByteArray& data) {
    const std::optional<KeyedArchiveTable> table = KeyedArchiveTable::open(data);
    if (!table)
        return std::nullopt;
    Resolver resolver(*table);
    const QVariant root = resolver.resolve(table->root(), 0);
    if (root.metaType() != QMetaType::fromType<QVariantMap>())
        return std::nullopt;
    return root.toMap();
}

} // namespace pellimor::KeyedArchivePlist
