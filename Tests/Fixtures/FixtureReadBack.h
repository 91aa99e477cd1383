#pragma once

// Test-only readers that check what the fixture writers wrote, through the same libraries the
// program uses (libplist and the SQLite C API) but independently of the program's own
// readers. Header-only; used by the fixture tests.

#include "Tests/Fixtures/PlistValue.h"
#include "Tests/Support/QtPrinters.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <optional>
#include <ostream>
#include <plist/plist.h>
#include <sqlite3.h>
#include <utility>
#include <vector>

namespace pellimor::fixtures {
inline void PrintTo(PlistFormat format, std::ostream* os) {
    *os << (format == PlistFormat::Binary ? "Binary" : "Xml");
}
} // namespace pellimor::fixtures

namespace pellimor::fixtures::readback {

// A reference: a UID value, or the {"CF$UID": n} dictionary that stands for one in XML.
inline std::optional<qint64> uidOf(plist_t node) {
    if (!node)
        return std::nullopt;
    if (plist_get_node_type(node) == PLIST_UID) {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return qint64(value);
    }
    if (plist_get_node_type(node) == PLIST_DICT && plist_dict_get_size(node) == 1) {
        plist_t inner = plist_dict_get_item(node, "CF$UID");
        if (inner && plist_get_node_type(inner) == PLIST_UINT) {
            uint64_t value = 0;
            plist_get_uint_val(inner, &value);
            return qint64(value);
        }
    }
    return std::nullopt;
}

inline QString stringOf(plist_t node) {
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return {};
    char* text = nullptr;
    plist_get_string_val(node, &text);
    const QString result = QString::fromUtf8(text);
    free(text);
    return result;
}

// A plain property-list value: maps, lists, texts, numbers, flags, data, dates; a UID becomes
// {"@uid": n}.
inline QVariant plainValue(plist_t node) {
    if (auto uid = uidOf(node))
        return QVariantMap{{"@uid", *uid}};
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return bool(value);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return qint64(value);
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return value;
    }
    case PLIST_STRING:
        return stringOf(node);
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return QByteArray(bytes, qsizetype(length));
    }
    case PLIST_DATE: {
        int32_t sec = 0;
        int32_t usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return QDateTime::fromMSecsSinceEpoch((978307200LL + sec) * 1000 + usec / 1000, Qt::UTC);
    }
    case PLIST_ARRAY: {
        QVariantList list;
        for (uint32_t i = 0; i < plist_array_get_size(node); ++i)
            list << plainValue(plist_array_get_item(node, i));
        return list;
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, it, &key, &value);
        while (value) {
            map.insert(QString::fromUtf8(key), plainValue(value));
            free(key);
            key = nullptr;
            plist_dict_next_item(node, it, &key, &value);
        }
        free(key);
        free(it);
        return map;
    }
    default:
        return {};
    }
}

struct ParsedPlist {
    plist_t root = nullptr;
    explicit ParsedPlist(const QByteArray& bytes) {
        plist_from_memory(bytes.constData(), uint32_t(bytes.size()), &root);
    }
    ~ParsedPlist() {
        if (root)
            plist_free(root);
    }
    ParsedPlist(const ParsedPlist&) = delete;
    ParsedPlist& operator=(const ParsedPlist&) = delete;
};

inline QVariant readPlist(const QByteArray& bytes) {
    ParsedPlist parsed(bytes);
    return parsed.root ? plainValue(parsed.root) : QVariant();
}

inline QVariant readPlistFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return readPlist(file.readAll());
}

// Resolves a keyed archive into tagged values, so a test sees which class each object had:
// NSDictionary → map, NSArray → list, NSSet → {"@set": list}, NSDate → date,
// NSMutableString → text, NSMutableData → data, NSURL → {"@url": relative, "@base": base},
// any other class → its fields plus "@class"; "$null" → an invalid QVariant.
class ArchiveResolver {
public:
    explicit ArchiveResolver(plist_t objects) : m_objects(objects) {}

    QVariant resolve(plist_t node, int depth = 0) const {
        if (depth > 40)
            return QStringLiteral("@too-deep");
        if (auto uid = uidOf(node)) {
            if (*uid == 0)
                return {};
            if (*uid < 0 || *uid >= qint64(plist_array_get_size(m_objects)))
                return QStringLiteral("@bad-reference");
            node = plist_array_get_item(m_objects, uint32_t(*uid));
        }
        if (plist_get_node_type(node) != PLIST_DICT)
            return plainValue(node);
        plist_t classRef = plist_dict_get_item(node, "$class");
        if (!classRef)
            return plainValue(node);
        const QString className = classNameOf(classRef);
        auto list = [&](const char* key) {
            QVariantList items;
            plist_t array = plist_dict_get_item(node, key);
            for (uint32_t i = 0; array && i < plist_array_get_size(array); ++i)
                items << resolve(plist_array_get_item(array, i), depth + 1);
            return items;
        };
        if (className == "NSDictionary" || className == "NSMutableDictionary") {
            const QVariantList keys = list("NS.keys");
            const QVariantList values = list("NS.objects");
            QVariantMap map;
            for (qsizetype i = 0; i < keys.size() && i < values.size(); ++i)
                map.insert(keys[i].toString(), values[i]);
            return map;
        }
        if (className == "NSArray" || className == "NSMutableArray")
            return list("NS.objects");
        if (className == "NSSet" || className == "NSMutableSet")
            return QVariantMap{{"@set", list("NS.objects")}};
        if (className == "NSDate") {
            double seconds = 0;
            plist_get_real_val(plist_dict_get_item(node, "NS.time"), &seconds);
            return QDateTime::fromMSecsSinceEpoch(qint64((978307200.0 + seconds) * 1000.0), Qt::UTC);
        }
        if (className == "NSMutableString")
            return stringOf(plist_dict_get_item(node, "NS.string"));
        if (className == "NSMutableData")
            return plainValue(plist_dict_get_item(node, "NS.data"));
        if (className == "NSURL") {
            return QVariantMap{{"@url", resolve(plist_dict_get_item(node, "NS.relative"), depth + 1)},
                               {"@base", resolve(plist_dict_get_item(node, "NS.base"), depth + 1)}};
        }
        QVariantMap fields{{"@class", className}};
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, it, &key, &value);
        while (value) {
            const QString name = QString::fromUtf8(key);
            if (name != "$class")
                fields.insert(name, resolve(value, depth + 1));
            free(key);
            key = nullptr;
            plist_dict_next_item(node, it, &key, &value);
        }
        free(key);
        free(it);
        return fields;
    }

    QString classNameOf(plist_t classRef) const {
        auto uid = uidOf(classRef);
        if (!uid || *uid < 0 || *uid >= qint64(plist_array_get_size(m_objects)))
            return {};
        return stringOf(plist_dict_get_item(plist_array_get_item(m_objects, uint32_t(*uid)), "$classname"));
    }

private:
    plist_t m_objects;
};

// The resolved root of a keyed archive, or an invalid QVariant when the bytes are not one.
inline QVariant decodeArchive(const QByteArray& bytes) {
    ParsedPlist parsed(bytes);
    if (!parsed.root || plist_get_node_type(parsed.root) != PLIST_DICT)
        return {};
    plist_t objects = plist_dict_get_item(parsed.root, "$objects");
    plist_t top = plist_dict_get_item(parsed.root, "$top");
    if (!objects || !top || plist_get_node_type(objects) != PLIST_ARRAY)
        return {};
    return ArchiveResolver(objects).resolve(plist_dict_get_item(top, "root"));
}

// "file:" + percent-encoded path + "?mode=ro&immutable=1", the way the program opens a
// library's databases.
inline QByteArray readOnlyUri(const QString& path) {
    return "file:" + QUrl::toPercentEncoding(path, "/") + "?mode=ro&immutable=1";
}

struct QueryResult {
    bool ok = false; // opened, prepared and stepped to the end without an error
    QString error;
    std::vector<std::pair<QString, QByteArray>> rows; // column 0 as text, column 1 as bytes
};

inline QueryResult query(const QString& databasePath, const char* sql) {
    QueryResult result;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(readOnlyUri(databasePath).constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                        nullptr) != SQLITE_OK) {
        result.error = QString::fromUtf8(db ? sqlite3_errmsg(db) : "open failed");
        sqlite3_close(db);
        return result;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        result.error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return result;
    }
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        QByteArray second;
        if (sqlite3_column_type(statement, 1) != SQLITE_NULL) {
            const void* bytes = sqlite3_column_blob(statement, 1);
            second = QByteArray(static_cast<const char*>(bytes), sqlite3_column_bytes(statement, 1));
        }
        result.rows.emplace_back(QString::fromUtf8(text ? text : ""), second);
    }
    result.ok = rc == SQLITE_DONE;
    if (!result.ok)
        result.error = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

} // namespace pellimor::fixtures::readback
