// libFuzzer target for the two keyed-archive readers and the property-list reader beneath
// them. Built and run by scripts/fuzz-keyed-archive.sh, never by the normal build.
//
// Besides crashes, hangs and memory blow-ups (which the sanitizers and libFuzzer's own limits
// catch), it checks what callers rely on: a decoded result stays shallow and bounded in
// expanded size, and a role set found under "roleSetData" unarchives as safely as its parent.

#include "Catalogue/Reader/ArchivedObject.h"
#include "Catalogue/Reader/PlaceholderUnarchiver.h"
#include "KeyedArchive/KeyedArchivePlist.h"
#include "KeyedArchive/PropertyList.h"

#include <QByteArray>
#include <QVariant>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

using namespace pellimor;

[[noreturn]] void fail(const char* what, qint64 value) {
    std::fprintf(stderr, "keyed-archive invariant broken: %s (%lld)\n", what, static_cast<long long>(value));
    std::abort();
}

struct Shape {
    qint64 values = 0;
    int depth = 0;
};

// Walks a result as a caller would, shared parts each time they appear, without recursion;
// stops counting well past any bound a sound result can reach.
Shape shapeOf(const QVariant& root, qint64 stopAt) {
    Shape shape;
    std::vector<std::pair<QVariant, int>> pending{{root, 0}};
    while (!pending.empty() && shape.values < stopAt) {
        auto [value, depth] = std::move(pending.back());
        pending.pop_back();
        ++shape.values;
        shape.depth = std::max(shape.depth, depth);
        if (value.metaType() == QMetaType::fromType<QVariantList>()) {
            for (const QVariant& element : value.toList())
                pending.emplace_back(element, depth + 1);
        } else if (value.metaType() == QMetaType::fromType<QVariantMap>()) {
            for (const QVariant& element : value.toMap())
                pending.emplace_back(element, depth + 1);
        } else if (const auto object = ArchivedObject::from(value)) {
            // What the role reading does with a placeholder.
            if (object->name && object->name->trimmed().isEmpty())
                (void)object->name->toLower();
            if (object->subRoles)
                pending.emplace_back(QVariant(*object->subRoles), depth + 1);
        }
    }
    return shape;
}

void checkDecode(const QByteArray& data) {
    const std::optional<QVariantMap> map = KeyedArchivePlist::decode(data);
    if (!map)
        return;
    const Shape shape = shapeOf(*map, 8 * KeyedArchivePlist::maxValues);
    // Resolved values end at maxDepth; a plain list there may still hold a stored reference,
    // {"CF$UID": n}, two levels more.
    if (shape.depth > KeyedArchivePlist::maxDepth + 2)
        fail("decoded result nests too deep", shape.depth);
    if (shape.values > 4 * KeyedArchivePlist::maxValues)
        fail("decoded result too large once expanded", shape.values);
}

void checkUnarchive(const QByteArray& data, int nesting) {
    const std::optional<QVariant> root = PlaceholderUnarchiver::unarchive(data);
    if (!root)
        return;
    const Shape shape = shapeOf(*root, 8 * PlaceholderUnarchiver::maxValues);
    if (shape.depth > PlaceholderUnarchiver::maxDepth + 1)
        fail("unarchived result nests too deep", shape.depth);
    if (shape.values > 4 * PlaceholderUnarchiver::maxValues)
        fail("unarchived result too large once expanded", shape.values);
    // Clip metadata carries its role set as an archive in data; read it the same way, once.
    if (nesting == 0 && root->metaType() == QMetaType::fromType<QVariantMap>()) {
        const QVariant roles = root->toMap().value(QStringLiteral("roleSetData"));
        if (roles.metaType() == QMetaType::fromType<QByteArray>())
            checkUnarchive(roles.toByteArray(), nesting + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(size));
    checkDecode(data);
    checkUnarchive(data, 0);
    if (const std::optional<PropertyList> list = PropertyList::parse(data))
        (void)shapeOf(list->value(), 1 << 22);
    return 0;
}
