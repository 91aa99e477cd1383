#include "Catalogue/Reader/PlaceholderUnarchiver.h"

#include "Catalogue/Reader/ArchivedObject.h"
#include "Tests/KeyedArchive/ArchiveText.h"

#include <gtest/gtest.h>

namespace pellimor::test {
namespace {

constexpr Form bothForms[] = {Form::Xml, Form::Binary};

QString unarchived(const QByteArray& data) {
    const std::optional<QVariant> result = PlaceholderUnarchiver::unarchive(data);
    return result ? describe(*result) : QStringLiteral("none");
}

struct UnarchiveCase {
    const char* name;
    QStringList objects; // after "$null"; the root is object 1 unless `root` says otherwise
    QString expected;
    QString root = uid(1);
};

TEST(PlaceholderUnarchiverTest, DecodesPlatformClassesAndPlaceholders) {
    const UnarchiveCase cases[] = {
        {"a role set: roles with names and sub-role lists",
         {arrayObject({2, 7}, 12),
          object({{"name", uid(3)}, {"subRoles", uid(4)}, {"color", integer(3)}}, 11), str("Dialogue"),
          arrayObject({5}, 12), object({{"name", uid(6)}}, 13), str("Dialogue-1"),
          object({{"name", uid(8)}, {"subRoles", uid(9)}}, 11), str("Interviews"), arrayObject({10}, 12),
          object({{"name", uid(0)}}, 13), classDef("FFRole"), classDef("NSMutableArray"),
          classDef("FFSubRole")},
         R"([Obj("Dialogue", [Obj("Dialogue-1", -)]), Obj("Interviews", [Obj(-, -)])])"},
        {"placeholder fields keep only text names and list sub-roles",
         {arrayObject({2, 4, 6, 8}, 9), object({{"name", integer(5)}, {"subRoles", uid(3)}}, 10),
          str("not a list"), object({{"name", uid(5)}}, 10), object({{"NS.string", str("Mutable")}}, 11),
          object({{"name", str("Inline")}, {"subRoles", uid(7)}}, 10), arrayObject({}, 12), object({}, 10),
          classDef("NSArray"), classDef("FFRole"), classDef("NSMutableString"), classDef("NSSet")},
         R"([Obj(-, -), Obj("Mutable", -), Obj("Inline", []), Obj(-, -)])"},
        {"platform values",
         {dictObject({2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, {13, 15, 17, 19, 20, 22, 23, 24, 0, 99, 25}, 27),
          str("date"),
          str("null"),
          str("url"),
          str("data"),
          str("plain data"),
          str("bytes text"),
          str("int"),
          str("real"),
          str("nil"),
          str("beyond"),
          str("flag"),
          object({{"NS.time", real("60.5")}}, 14),
          classDef("NSDate"),
          object({}, 16),
          classDef("NSNull"),
          object({{"NS.base", uid(0)}, {"NS.relative", uid(26)}}, 18),
          classDef("NSURL"),
          object({{"NS.data", data("abcd")}}, 21),
          data("xy"),
          classDef("NSMutableData"),
          object({{"NS.bytes", data("Grüße")}}, 28),
          integer(-7),
          real("0.25"),
          "<true/>",
          str("file:///Volumes/Media/a.mov"),
          classDef("NSDictionary"),
          classDef("NSString")},
         R"({beyond: null, bytes text: "Grüße", data: bytes(4), date: date(2001-01-01T00:01:00.500Z), flag: true, )"
         R"(int: -7, nil: null, null: null, plain data: bytes(2), real: 0.25r, url: "file:///Volumes/Media/a.mov"})"},
        {"dictionary keys that are not text are dropped",
         {dictObject({2, 3}, {4, 5}, 6), integer(1), str("k"), str("skipped"), str("kept"),
          classDef("NSDictionary")},
         R"({k: "kept"})"},
        {"a date no calendar holds is null",
         {object({{"NS.time", real("1e300")}}, 2), classDef("NSDate")},
         "null"},
        {"a role that lists itself",
         {object({{"name", uid(2)}, {"subRoles", uid(3)}}, 4), str("Loop"), arrayObject({1}, 5),
          classDef("FFRole"), classDef("NSArray")},
         R"(Obj("Loop", [null]))"},
        {"dictionaries that hold each other",
         {dictObject({3}, {2}, 5), dictObject({4}, {1}, 5), str("b"), str("a"), classDef("NSDictionary")},
         R"({b: {a: null}})"},
        {"an object whose class is missing or unreadable",
         {arrayObject({2, 3, 4}, 6), "<dict><key>name</key>" + str("no class") + "</dict>",
          object({{"name", str("bad class")}}, 99), object({{"name", str("class without name")}}, 5),
          "<dict><key>$classes</key><array/></dict>", classDef("NSArray")},
         "[null, null, null]"},
        {"root stored as plain text", {}, R"("plain")", str("plain")},
        {"root is $null", {}, "null", uid(0)},
        {"root beyond the table", {}, "null", uid(4)},
    };
    for (const UnarchiveCase& c : cases) {
        for (Form form : bothForms) {
            SCOPED_TRACE(std::string(c.name) + " (" + formName(form) + ")");
            EXPECT_EQ(unarchived(inForm(archive(c.objects, c.root), form)), c.expected);
        }
    }
}

// Clip metadata whose role set is an archive inside the data under "roleSetData": the data
// stays bytes, and unarchiving it in turn gives the roles.
TEST(PlaceholderUnarchiverTest, RoleSetDataUnarchivesInTurn) {
    const QByteArray roles =
        toBinary(archive({arrayObject({2}, 5), object({{"name", uid(3)}, {"subRoles", uid(4)}}, 6),
                          str("Music"), arrayObject({}, 5), classDef("NSArray"), classDef("FFRole")}));
    for (Form form : bothForms) {
        SCOPED_TRACE(formName(form));
        const QByteArray clip =
            inForm(archive({dictObject({2, 3, 4}, {5, 6, 9}, 10), str("displayName"), str("metadata"),
                            str("roleSetData"), str("Interview A"), dictObject({7}, {8}, 10),
                            str("com.apple.proapps.studio.notes"), str("Retake"), data(roles),
                            classDef("NSMutableDictionary")}),
                   form);
        const std::optional<QVariant> root = PlaceholderUnarchiver::unarchive(clip);
        ASSERT_TRUE(root.has_value());
        const QVariantMap map = root->toMap();
        EXPECT_EQ(map.value("displayName"), QVariant("Interview A"));
        EXPECT_EQ(describe(map.value("metadata")), R"({com.apple.proapps.studio.notes: "Retake"})");
        ASSERT_EQ(map.value("roleSetData").metaType(), QMetaType::fromType<QByteArray>());
        EXPECT_EQ(map.value("roleSetData").toByteArray(), roles);
        EXPECT_EQ(unarchived(map.value("roleSetData").toByteArray()), R"([Obj("Music", [])])");
    }
}

// A hundred roles, each the only sub-role of the one before; role i is object 2i + 2 and its
// sub-role list object 2i + 3, the root (object 1) lists the roles `first`.
QStringList roleChain(const std::vector<qint64>& first) {
    const int roles = 100;
    const qint64 roleClass = 2 * roles + 2;
    QStringList objects;
    std::vector<qint64> rootRoles;
    for (qint64 role : first)
        rootRoles.push_back(2 * role + 2);
    objects << arrayObject(rootRoles, roleClass + 1);
    for (int i = 0; i < roles; ++i) {
        const qint64 role = 2 * i + 2;
        objects << object({{"name", str(QString::number(i))}, {"subRoles", uid(role + 1)}}, roleClass)
                << arrayObject({i + 1 < roles ? role + 2 : 0}, roleClass + 1);
    }
    objects << classDef("FFRole") << classDef("NSArray");
    return objects;
}

TEST(PlaceholderUnarchiverTest, DeepNestingIsCut) {
    // A role and its list take two levels, so from the root role half the depth limit of roles
    // is decoded and the next one is null.
    const QStringList objects = roleChain({});
    for (Form form : bothForms) {
        SCOPED_TRACE(formName(form));
        const std::optional<QVariant> result =
            PlaceholderUnarchiver::unarchive(inForm(archive(objects, uid(2)), form));
        ASSERT_TRUE(result.has_value());
        int decoded = 0;
        QVariant current = *result;
        while (const auto role = ArchivedObject::from(current)) {
            EXPECT_EQ(role->name, QString::number(decoded));
            ++decoded;
            ASSERT_TRUE(role->subRoles.has_value());
            ASSERT_EQ(role->subRoles->size(), 1);
            current = role->subRoles->first();
        }
        EXPECT_EQ(decoded, PlaceholderUnarchiver::maxDepth / 2);
        EXPECT_EQ(describe(current), "null");
    }
}

TEST(PlaceholderUnarchiverTest, SharedObjectsNeverCarryAResultDeeperThanTheLimit) {
    // Role 70 is decoded first, down to the depth limit; role 56 then meets it deep down, role
    // 42 meets role 56, and so on. Reusing the first results there would stack the chains.
    for (Form form : bothForms) {
        SCOPED_TRACE(formName(form));
        const std::optional<QVariant> result =
            PlaceholderUnarchiver::unarchive(inForm(archive(roleChain({70, 56, 42, 28, 14, 0})), form));
        ASSERT_TRUE(result.has_value());
        EXPECT_LE(depthOf(*result), PlaceholderUnarchiver::maxDepth + 1);
        const QVariantList roots = result->toList();
        ASSERT_EQ(roots.size(), 6);
        EXPECT_EQ(ArchivedObject::from(roots[5])->name, QString("0"));
    }
}

TEST(PlaceholderUnarchiverTest, SharedObjectsAreCappedInTheExpandedResult) {
    // Each list holds the next one 60 times: 60^6 roles once expanded.
    const int levels = 6;
    QStringList objects;
    for (int level = 0; level < levels; ++level)
        objects << arrayObject(std::vector<qint64>(60, level + 2), levels + 3);
    objects << object({{"name", str("Leaf")}}, levels + 2) << classDef("FFRole") << classDef("NSArray");
    for (Form form : bothForms) {
        SCOPED_TRACE(formName(form));
        const std::optional<QVariant> result =
            PlaceholderUnarchiver::unarchive(inForm(archive(objects), form));
        ASSERT_TRUE(result.has_value());
        qint64 nulls = 0;
        const qint64 size = walk(*result, 4 * PlaceholderUnarchiver::maxValues, [&](const QVariant& value) {
            nulls += KeyedArchivePlist::isNullValue(value) ? 1 : 0;
        });
        // The cap counts every value decoded, the names inside placeholders too, so the walk
        // sees somewhat fewer.
        EXPECT_LE(size, 2 * PlaceholderUnarchiver::maxValues);
        EXPECT_GT(size, PlaceholderUnarchiver::maxValues / 4);
        EXPECT_GT(nulls, 0);
    }
}

TEST(PlaceholderUnarchiverTest, MalformedInputGivesNothing) {
    const std::pair<const char*, QByteArray> cases[] = {
        {"empty", QByteArray()},
        {"not a property list", QByteArray("<roles>")},
        {"binary garbage", QByteArray("bplist00\x01\x02\x03", 11)},
        {"no $objects", plistText("<dict><key>$top</key><dict><key>root</key>" + uid(0) + "</dict></dict>")},
        {"no $top", plistText("<dict><key>$objects</key><array/></dict>")},
        {"$top without root", archive({}).replace("<key>root</key>", "<key>other</key>")},
        {"top level is text", plistText("<string>$objects</string>")},
    };
    for (const auto& [name, data] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(unarchived(data), "none");
    }
}

} // namespace
} // namespace pellimor::test
