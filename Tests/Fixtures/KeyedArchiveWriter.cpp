#include "Tests/Fixtures/KeyedArchiveWriter.h"

#include <QHash>
#include <cmath>
#include <memory>
#include <plist/plist.h>
#include <stdexcept>

namespace pellimor::fixtures::KeyedArchiveWriter {

namespace {

using Kind = PlistValue::Kind;

// The class chain the archiver writes for the classes it knows; anything else (Final Cut
// Pro's own classes) descends straight from NSObject.
QStringList defaultClasses(const QString& name) {
    static const QHash<QString, QStringList> chains = {
        {"NSMutableDictionary", {"NSDictionary"}},
        {"NSMutableArray", {"NSArray"}},
        {"NSMutableSet", {"NSSet"}},
        {"NSMutableString", {"NSString"}},
        {"NSMutableData", {"NSData"}},
    };
    QStringList classes{name};
    classes += chains.value(name);
    classes << "NSObject";
    return classes;
}

QString usualClass(const PlistValue& v) {
    switch (v.kind) {
    case Kind::Array:
        return "NSArray";
    case Kind::Set:
        return "NSSet";
    case Kind::Dictionary:
        return "NSDictionary";
    case Kind::Date:
        return "NSDate";
    case Kind::Url:
        return "NSURL";
    case Kind::Text:
        return "NSMutableString";
    case Kind::Data:
        return "NSMutableData";
    default:
        return {};
    }
}

class Flattener {
public:
    Parts parts;

    Flattener() { parts.objects.emplace_back("$null"); }

    // The reference to `v`, adding it (and what it holds) to the object table.
    PlistValue reference(const PlistValue& v) {
        switch (v.kind) {
        case Kind::Null:
            return PlistValue::uid(0);
        case Kind::Uid:
            return v;
        case Kind::Raw:
            return add(v.items.empty() ? PlistValue("$null") : v.items.front());
        case Kind::Bool:
        case Kind::Integer:
        case Kind::Real:
            return add(v);
        case Kind::Text:
            if (!v.mutableForm)
                return add(v);
            return addObject(v, {{"NS.string", PlistValue(v.textValue)}});
        case Kind::Data:
            if (!v.mutableForm)
                return add(v);
            return addObject(v, {{"NS.data", PlistValue(v.dataValue)}});
        case Kind::Date:
            return addObject(v, {{"NS.time", PlistValue(v.doubleValue)}});
        case Kind::Array:
        case Kind::Set: {
            const qint64 slot = reserve();
            std::vector<PlistValue> refs;
            for (const PlistValue& item : v.items)
                refs.push_back(reference(item));
            return fill(slot, v, {{"NS.objects", PlistValue::array(std::move(refs))}});
        }
        case Kind::Dictionary: {
            const qint64 slot = reserve();
            std::vector<PlistValue> keys;
            std::vector<PlistValue> objects;
            for (const auto& [key, value] : v.entries) {
                keys.push_back(reference(key));
                objects.push_back(reference(value));
            }
            return fill(slot, v,
                        {{"NS.keys", PlistValue::array(std::move(keys))},
                         {"NS.objects", PlistValue::array(std::move(objects))}});
        }
        case Kind::Url: {
            const qint64 slot = reserve();
            PlistValue base = v.items.empty() ? PlistValue::uid(0) : reference(v.items.front());
            PlistValue relative = reference(PlistValue(v.textValue));
            return fill(slot, v, {{"NS.base", base}, {"NS.relative", relative}});
        }
        case Kind::Object: {
            const qint64 slot = reserve();
            std::vector<std::pair<QString, PlistValue>> fields;
            for (const auto& [name, value] : v.fields) {
                const bool scalar =
                    value.kind == Kind::Bool || value.kind == Kind::Integer || value.kind == Kind::Real;
                fields.emplace_back(name, scalar ? value : reference(value));
            }
            return fill(slot, v, std::move(fields));
        }
        }
        return PlistValue::uid(0);
    }

private:
    QHash<QString, qint64> m_classes;

    PlistValue add(const PlistValue& plain) {
        parts.objects.push_back(plain);
        return PlistValue::uid(qint64(parts.objects.size()) - 1);
    }

    qint64 reserve() {
        parts.objects.emplace_back();
        return qint64(parts.objects.size()) - 1;
    }

    PlistValue addObject(const PlistValue& v, std::vector<std::pair<QString, PlistValue>> fields) {
        return fill(reserve(), v, std::move(fields));
    }

    // Writes the archived object into its reserved slot: its fields, then "$class".
    PlistValue fill(qint64 slot, const PlistValue& v, std::vector<std::pair<QString, PlistValue>> fields) {
        const QString name = v.className.isEmpty() ? usualClass(v) : v.className;
        QStringList classes =
            v.superclasses.isEmpty() ? defaultClasses(name) : (QStringList{name} + v.superclasses);
        PlistValue object = PlistValue::dict({});
        for (auto& [key, value] : fields)
            object.entries.emplace_back(PlistValue(key), std::move(value));
        object.entries.emplace_back(PlistValue("$class"), classReference(name, classes));
        parts.objects[size_t(slot)] = std::move(object);
        return PlistValue::uid(slot);
    }

    PlistValue classReference(const QString& name, const QStringList& classes) {
        const QString key = classes.join('\n');
        auto found = m_classes.constFind(key);
        if (found != m_classes.constEnd())
            return PlistValue::uid(*found);
        PlistValue ref =
            add(PlistValue::dict({{"$classname", name}, {"$classes", PlistValue::strings(classes)}}));
        m_classes.insert(key, ref.intValue);
        return ref;
    }
};

struct NodeDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

plist_t toNode(const PlistValue& v) {
    switch (v.kind) {
    case Kind::Null:
        return plist_new_string("$null");
    case Kind::Bool:
        return plist_new_bool(v.boolValue ? 1 : 0);
    case Kind::Integer:
        return plist_new_uint(static_cast<uint64_t>(v.intValue));
    case Kind::Real:
        return plist_new_real(v.doubleValue);
    case Kind::Text:
        return plist_new_string(v.textValue.toUtf8().constData());
    case Kind::Data:
        return plist_new_data(v.dataValue.constData(), uint64_t(v.dataValue.size()));
    case Kind::Date: {
        const double whole = std::floor(v.doubleValue);
        return plist_new_date(int32_t(whole), int32_t(std::lround((v.doubleValue - whole) * 1e6)));
    }
    case Kind::Array:
    case Kind::Set: {
        plist_t array = plist_new_array();
        for (const PlistValue& item : v.items)
            plist_array_append_item(array, toNode(item));
        return array;
    }
    case Kind::Dictionary: {
        plist_t dict = plist_new_dict();
        for (const auto& [key, value] : v.entries)
            plist_dict_set_item(dict, key.textValue.toUtf8().constData(), toNode(value));
        return dict;
    }
    case Kind::Url:
        return plist_new_string(v.textValue.toUtf8().constData());
    case Kind::Object: {
        plist_t dict = plist_new_dict();
        for (const auto& [key, value] : v.fields)
            plist_dict_set_item(dict, key.toUtf8().constData(), toNode(value));
        return dict;
    }
    case Kind::Uid:
        return plist_new_uid(static_cast<uint64_t>(v.intValue));
    case Kind::Raw:
        return v.items.empty() ? plist_new_string("$null") : toNode(v.items.front());
    }
    return plist_new_string("$null");
}

QByteArray serialise(plist_t root, PlistFormat format) {
    char* bytes = nullptr;
    uint32_t length = 0;
    QByteArray result;
    if (format == PlistFormat::Binary) {
        plist_to_bin(root, &bytes, &length);
        if (bytes)
            result = QByteArray(bytes, qsizetype(length));
        plist_to_bin_free(bytes);
    } else {
        plist_to_xml(root, &bytes, &length);
        if (bytes)
            result = QByteArray(bytes, qsizetype(length));
        plist_to_xml_free(bytes);
    }
    if (result.isEmpty())
        throw std::runtime_error("libplist could not serialise a property list");
    return result;
}

} // namespace

Parts flatten(const PlistValue& root) {
    Flattener flattener;
    flattener.parts.root = flattener.reference(root).intValue;
    return std::move(flattener.parts);
}

QByteArray archive(const PlistValue& root, PlistFormat format) {
    return rawArchive(flatten(root), format);
}

QByteArray rawArchive(const std::vector<PlistValue>& objects, const PlistValue& top, PlistFormat format) {
    Node dict(plist_new_dict());
    plist_dict_set_item(dict.get(), "$version", plist_new_uint(100000));
    plist_dict_set_item(dict.get(), "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(dict.get(), "$top", toNode(top));
    plist_t table = plist_new_array();
    for (const PlistValue& object : objects)
        plist_array_append_item(table, toNode(object));
    plist_dict_set_item(dict.get(), "$objects", table);
    return serialise(dict.get(), format);
}

QByteArray rawArchive(const Parts& parts, PlistFormat format) {
    return rawArchive(parts.objects, PlistValue::dict({{"root", PlistValue::uid(parts.root)}}), format);
}

QByteArray plist(const PlistValue& value, PlistFormat format) {
    Node node(toNode(value));
    return serialise(node.get(), format);
}

} // namespace pellimor::fixtures::KeyedArchiveWriter
