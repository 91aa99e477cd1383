#pragma once

#include "Tests/Support/QtPrinters.h"

// Keyed archives written out by hand as XML property-list text, so that a test shows exactly
// which object refers to which; the same archive converted to the binary form (with real UID
// values); a tiny writer of raw binary property lists for shapes no writer produces (cycles,
// shared objects, bad offsets); and a typed, one-line description of decoded values to
// compare against.

#include "Catalogue/Reader/ArchivedObject.h"
#include "KeyedArchive/KeyedArchivePlist.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <plist/plist.h>
#include <utility>
#include <vector>

namespace pellimor::test {

enum class Form { Xml, Binary };

inline const char* formName(Form form) {
    return form == Form::Xml ? "XML" : "binary";
}

inline QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

// Pieces of "$objects" entries.
inline QString uid(qint64 index) {
    return QStringLiteral("<dict><key>CF$UID</key><integer>%1</integer></dict>").arg(index);
}
inline QString str(const QString& text) {
    return "<string>" + escaped(text) + "</string>";
}
inline QString integer(qint64 value) {
    return QStringLiteral("<integer>%1</integer>").arg(value);
}
inline QString real(const QString& value) {
    return "<real>" + value + "</real>";
}
inline QString data(const QByteArray& bytes) {
    return "<data>" + QString::fromLatin1(bytes.toBase64()) + "</data>";
}
inline QString uids(const std::vector<qint64>& indices) {
    QString text = "<array>";
    for (qint64 index : indices)
        text += uid(index);
    return text + "</array>";
}
// A class description, for an object's "$class".
inline QString classDef(const QString& name) {
    return "<dict><key>$classname</key>" + str(name) + "<key>$classes</key><array>" + str(name) +
           "<string>NSObject</string></array></dict>";
}
// An archived object: its fields (key, XML value) and the index of its class description.
inline QString object(const std::vector<std::pair<QString, QString>>& fields, qint64 classIndex) {
    QString text = "<dict>";
    for (const auto& [key, value] : fields)
        text += "<key>" + escaped(key) + "</key>" + value;
    return text + "<key>$class</key>" + uid(classIndex) + "</dict>";
}
inline QString dictObject(const std::vector<qint64>& keys, const std::vector<qint64>& values,
                          qint64 classIndex) {
    return object({{"NS.keys", uids(keys)}, {"NS.objects", uids(values)}}, classIndex);
}
inline QString arrayObject(const std::vector<qint64>& elements, qint64 classIndex) {
    return object({{"NS.objects", uids(elements)}}, classIndex);
}

inline QByteArray plistText(const QString& body) {
    return ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
            "<plist version=\"1.0\">" +
            body + "</plist>\n")
        .toUtf8();
}

// A keyed archive whose "$objects" are "$null" followed by `objects` (so the first given object
// has index 1), with "$top" → "root" being `root`.
inline QByteArray archive(const QStringList& objects, const QString& root = uid(1)) {
    return plistText("<dict><key>$version</key><integer>100000</integer>"
                     "<key>$archiver</key><string>NSKeyedArchiver</string>"
                     "<key>$top</key><dict><key>root</key>" +
                     root + "</dict><key>$objects</key><array><string>$null</string>" + objects.join("") +
                     "</array></dict>");
}

// The binary form of an XML property list, its {"CF$UID": n} dictionaries turned into UID
// values as the archiver writes them.
inline QByteArray toBinary(const QByteArray& xml) {
    plist_t root = nullptr;
    plist_from_xml(xml.constData(), uint32_t(xml.size()), &root);
    if (!root)
        return {};
    std::function<plist_t(plist_t)> convert = [&](plist_t node) -> plist_t {
        const plist_type type = plist_get_node_type(node);
        if (type == PLIST_DICT) {
            plist_t index = plist_dict_get_item(node, "CF$UID");
            if (index && plist_dict_get_size(node) == 1 && plist_get_node_type(index) == PLIST_UINT) {
                uint64_t value = 0;
                plist_get_uint_val(index, &value);
                return plist_new_uid(value);
            }
            plist_dict_iter iter = nullptr;
            plist_dict_new_iter(node, &iter);
            std::vector<std::pair<std::string, plist_t>> replaced;
            while (true) {
                char* key = nullptr;
                plist_t value = nullptr;
                plist_dict_next_item(node, iter, &key, &value);
                if (!key)
                    break;
                if (plist_t converted = convert(value); converted != value)
                    replaced.emplace_back(key, converted);
                std::free(key);
            }
            std::free(iter);
            for (const auto& [key, value] : replaced)
                plist_dict_set_item(node, key.c_str(), value);
        } else if (type == PLIST_ARRAY) {
            for (uint32_t i = 0; i < plist_array_get_size(node); ++i) {
                plist_t value = plist_array_get_item(node, i);
                if (plist_t converted = convert(value); converted != value)
                    plist_array_set_item(node, converted, i);
            }
        }
        return node;
    };
    root = convert(root);
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    QByteArray result(bytes, qsizetype(length));
    std::free(bytes);
    plist_free(root);
    return result;
}

inline QByteArray inForm(const QByteArray& xml, Form form) {
    return form == Form::Xml ? xml : toBinary(xml);
}

// A binary property list from raw object encodings: objects[i] is object i, references are
// two bytes wide and offsets four, `top` is the top object.
inline QByteArray rawBinary(const std::vector<QByteArray>& objects, quint64 top = 0) {
    QByteArray bytes("bplist00");
    std::vector<quint32> offsets;
    for (const QByteArray& encoded : objects) {
        offsets.push_back(quint32(bytes.size()));
        bytes += encoded;
    }
    const quint64 tableOffset = quint64(bytes.size());
    for (quint32 offset : offsets) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes += char((offset >> shift) & 0xFF);
    }
    bytes += QByteArray(6, '\0');
    bytes += char(4); // offset width
    bytes += char(2); // reference width
    for (quint64 value : {quint64(objects.size()), top, tableOffset}) {
        for (int shift = 56; shift >= 0; shift -= 8)
            bytes += char((value >> shift) & 0xFF);
    }
    return bytes;
}
// Encodings for rawBinary(): an array or dictionary of two-byte references, a short ASCII text,
// a one-byte integer.
inline QByteArray rawContainer(char marker, size_t count, const std::vector<quint16>& refs) {
    QByteArray encoded;
    if (count < 15) {
        encoded += char(marker | char(count));
    } else {
        encoded += char(marker | 0x0F);
        encoded += char(0x11);
        encoded += char((count >> 8) & 0xFF);
        encoded += char(count & 0xFF);
    }
    for (quint16 ref : refs) {
        encoded += char(ref >> 8);
        encoded += char(ref & 0xFF);
    }
    return encoded;
}
inline QByteArray rawArray(const std::vector<quint16>& refs) {
    return rawContainer(char(0xA0), refs.size(), refs);
}
inline QByteArray rawDict(const std::vector<quint16>& keys, const std::vector<quint16>& values) {
    std::vector<quint16> refs = keys;
    refs.insert(refs.end(), values.begin(), values.end());
    return rawContainer(char(0xD0), keys.size(), refs);
}
inline QByteArray rawText(const QByteArray& ascii) {
    return char(0x50 | char(ascii.size())) + ascii;
}
inline QByteArray rawInt(quint8 value) {
    return QByteArray(1, char(0x10)) + char(value);
}

// One line that names every value's kind: texts quoted, integers bare, reals with a trailing
// "r", dates as date(ISO), data as bytes(n), the null value as null, ArchivedObject as
// Obj(name, subRoles) with "-" for a missing field; maps in key order.
inline QString describe(const QVariant& value) {
    const QMetaType type = value.metaType();
    if (KeyedArchivePlist::isNullValue(value))
        return "null";
    if (!value.isValid())
        return "none";
    if (type == QMetaType::fromType<QString>())
        return '"' + value.toString() + '"';
    if (type == QMetaType::fromType<qint64>())
        return QString::number(value.toLongLong());
    if (type == QMetaType::fromType<double>())
        return QString::number(value.toDouble()) + "r";
    if (type == QMetaType::fromType<bool>())
        return value.toBool() ? "true" : "false";
    if (type == QMetaType::fromType<QDateTime>())
        return "date(" + value.toDateTime().toUTC().toString(Qt::ISODateWithMs) + ")";
    if (type == QMetaType::fromType<QByteArray>())
        return QStringLiteral("bytes(%1)").arg(value.toByteArray().size());
    if (type == QMetaType::fromType<QVariantList>()) {
        QStringList parts;
        for (const QVariant& element : value.toList())
            parts << describe(element);
        return "[" + parts.join(", ") + "]";
    }
    if (type == QMetaType::fromType<QVariantMap>()) {
        QStringList parts;
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            parts << it.key() + ": " + describe(it.value());
        return "{" + parts.join(", ") + "}";
    }
    if (const auto placeholder = ArchivedObject::from(value)) {
        const QString name = placeholder->name ? '"' + *placeholder->name + '"' : QStringLiteral("-");
        const QString subRoles =
            placeholder->subRoles ? describe(QVariant(*placeholder->subRoles)) : QStringLiteral("-");
        return "Obj(" + name + ", " + subRoles + ")";
    }
    return QStringLiteral("?") + type.name();
}

// Visits the values of a decoded result, shared parts each time they appear, stopping after
// `cap` values; answers how many it visited.
inline qint64 walk(const QVariant& value, qint64 cap,
                   const std::function<void(const QVariant&)>& visit = {}) {
    qint64 count = 0;
    std::vector<QVariant> pending{value};
    while (!pending.empty() && count < cap) {
        const QVariant current = std::move(pending.back());
        pending.pop_back();
        ++count;
        if (visit)
            visit(current);
        if (current.metaType() == QMetaType::fromType<QVariantList>()) {
            for (const QVariant& element : current.toList())
                pending.push_back(element);
        } else if (current.metaType() == QMetaType::fromType<QVariantMap>()) {
            for (const QVariant& element : current.toMap())
                pending.push_back(element);
        } else if (const auto placeholder = ArchivedObject::from(current)) {
            if (placeholder->subRoles)
                pending.push_back(*placeholder->subRoles);
        }
    }
    return count;
}

// How deep a decoded result nests (the value itself is depth 0; a placeholder's sub-role list
// lies one below it), without recursion.
inline int depthOf(const QVariant& value) {
    int deepest = 0;
    std::vector<std::pair<QVariant, int>> pending{{value, 0}};
    while (!pending.empty()) {
        auto [current, depth] = std::move(pending.back());
        pending.pop_back();
        deepest = std::max(deepest, depth);
        if (current.metaType() == QMetaType::fromType<QVariantList>()) {
            for (const QVariant& element : current.toList())
                pending.emplace_back(element, depth + 1);
        } else if (current.metaType() == QMetaType::fromType<QVariantMap>()) {
            for (const QVariant& element : current.toMap())
                pending.emplace_back(element, depth + 1);
        } else if (const auto placeholder = ArchivedObject::from(current)) {
            if (placeholder->subRoles)
                pending.emplace_back(QVariant(*placeholder->subRoles), depth + 1);
        }
    }
    return deepest;
}

} // namespace pellimor::test
