#include "KeyedArchive/KeyedArchivePlist.h"

#include "KeyedArchive/PlistGuard.h"
#include "Tests/KeyedArchive/ArchiveText.h"

#include <gtest/gtest.h>

namespace pellimor::test {
namespace {

constexpr Form bothForms[] = {Form::Xml, Form::Binary};

QString decoded(const QByteArray& data) {
    const std::optional<QVariantMap> result = KeyedArchivePlist::decode(data);
    return result ? describe(*result) : QStringLiteral("none");
}

struct DecodeCase {
    const char* name;
    QStringList objects; // after "$null"; the root is object 1 unless `root` says otherwise
    QString expected;
    QString root = uid(1);
};

// The decoding rules, each archive read in both property-list forms.
TEST(KeyedArchivePlistTest, DecodesArchivedClassesByTheirFields) {
    const DecodeCase cases[] = {
        {"archived dictionary",
         {dictObject({2, 3}, {4, 5}, 6), str("a"), str("b"), integer(1), str("x"), classDef("NSDictionary")},
         R"({a: 1, b: "x"})"},
        {"string, array and dates inside an object",
         {object({{"title", uid(2)}, {"items", uid(4)}, {"when", uid(7)}, {"later", uid(9)}}, 11),
          object({{"NS.string", str("Clip")}}, 3), classDef("NSMutableString"), arrayObject({5, 6}, 10),
          str("one"), integer(2), object({{"NS.time", real("0")}}, 8), classDef("NSDate"),
          object({{"NS.time", integer(90)}}, 8), classDef("NSArray"), classDef("FFAnchoredClip")},
         R"({items: ["one", 2], later: date(2001-01-01T00:01:30.000Z), title: "Clip", )"
         R"(when: date(2001-01-01T00:00:00.000Z)})"},
        {"fractional seconds and dates before 2001",
         {object({{"a", uid(2)}, {"b", uid(4)}}, 5), object({{"NS.time", real("1.25")}}, 3),
          classDef("NSDate"), object({{"NS.time", real("-86400")}}, 3), classDef("X")},
         R"({a: date(2001-01-01T00:00:01.250Z), b: date(2000-12-31T00:00:00.000Z)})"},
        {"unknown class keeps its fields, not its class",
         {object({{"name", uid(2)}, {"count", integer(3)}}, 3), str("Interview"), classDef("FFRole")},
         R"({count: 3, name: "Interview"})"},
        {"index 0 is the first object as stored, an index beyond the table is null",
         {object({{"first", uid(0)}, {"beyond", uid(3)}, {"far", uid(1000000)}}, 2), classDef("X")},
         R"({beyond: null, far: null, first: "$null"})"},
        {"data is left out, inline or referenced",
         {object({{"thumb", data("abc")}, {"wave", uid(2)}}, 3), data("xyz"), classDef("X")},
         R"({thumb: "<data>", wave: "<data>"})"},
        {"URL gives its relative text",
         {object({{"link", uid(2)}}, 5), object({{"NS.base", uid(0)}, {"NS.relative", uid(3)}}, 4),
          str("file:///Volumes/Media/a.mov"), classDef("NSURL"), classDef("X")},
         R"({link: "file:///Volumes/Media/a.mov"})"},
        {"set gives a list",
         {object({{"tags", uid(2)}}, 5), arrayObject({3, 4}, 6), str("b"), str("a"), classDef("X"),
          classDef("NSSet")},
         R"({tags: ["b", "a"]})"},
        {"non-text keys are dropped, unpaired keys ignored, a later equal key wins",
         {dictObject({2, 3, 2, 4}, {5, 6, 7}, 8), str("a"), integer(9), str("b"), str("first"),
          str("skipped"), str("second"), classDef("NSMutableDictionary")},
         R"({a: "second"})"},
        {"NS.time that is no number leaves the object as stored",
         {object({{"NS.time", str("soon")}}, 2), classDef("NSDate")},
         R"({$class: {CF$UID: 2}, NS.time: "soon"})"},
        {"a date no calendar holds is null",
         {object({{"when", uid(2)}}, 4), object({{"NS.time", real("1e300")}}, 3), classDef("NSDate"),
          classDef("X")},
         R"({when: null})"},
        {"plain lists are returned as stored",
         {object({{"list", "<array>" + uid(2) + integer(5) + data("q") + "</array>"}}, 3), str("x"),
          classDef("X")},
         R"({list: [{CF$UID: 2}, 5, "<data>"]})"},
        {"scalars keep their kinds",
         {object({{"neg", integer(-5)},
                  {"big", integer(1099511627776)},
                  {"ratio", real("2.5")},
                  {"on", "<true/>"},
                  {"off", "<false/>"},
                  {"stamp", "<date>2001-01-01T00:00:10Z</date>"}},
                 2),
          classDef("X")},
         R"({big: 1099511627776, neg: -5, off: false, on: true, ratio: 2.5r, stamp: date(2001-01-01T00:00:10.000Z)})"},
        {"dictionary inside a dictionary",
         {dictObject({2}, {3}, 6), str("metadata"), dictObject({4}, {5}, 6), str("reel"), str("A001"),
          classDef("NSDictionary")},
         R"({metadata: {reel: "A001"}})"},
        {"root stored in place of a reference",
         {classDef("X")},
         R"({a: 1, b: "<data>"})",
         "<dict><key>a</key>" + integer(1) + "<key>b</key>" + data("z") + "</dict>"},
    };
    for (const DecodeCase& c : cases) {
        for (Form form : bothForms) {
            SCOPED_TRACE(std::string(c.name) + " (" + formName(form) + ")");
            EXPECT_EQ(decoded(inForm(archive(c.objects, c.root), form)), c.expected);
        }
    }
}

// Expected text of a chain of maps {level: n, next: ...} cut after `resolved` levels. The
// fields of the last resolved map lie at the cut depth, so its plain number is cut as well.
QString chain(int resolved) {
    QString text = R"({level: "...", next: "..."})";
    for (int level = resolved - 2; level >= 0; --level)
        text = QStringLiteral("{level: %1, next: %2}").arg(level).arg(text);
    return text;
}

TEST(KeyedArchivePlistTest, CutsNestingAtNineLevels) {
    // Ten maps, each referring to the next: levels 0 to 8 resolve, the tenth reads "...".
    QStringList objects;
    for (int i = 1; i <= 10; ++i)
        objects << object({{"level", integer(i - 1)}, {"next", uid(i + 1)}}, 12);
    objects << object({{"level", integer(10)}}, 12) << classDef("X");
    for (Form form : bothForms) {
        SCOPED_TRACE(formName(form));
        EXPECT_EQ(decoded(inForm(archive(objects), form)), chain(9));
    }
}

TEST(KeyedArchivePlistTest, CyclesEndAtTheDepthLimit) {
    const QStringList selfReference = {object({{"level", integer(0)}, {"next", uid(1)}}, 2), classDef("X")};
    // Every level shows level 0, since it is the same object.
    QString expected = R"({level: "...", next: "..."})";
    for (int i = 0; i < 8; ++i)
        expected = QStringLiteral("{level: 0, next: %1}").arg(expected);
    // Two objects referring to each other, through an archived array.
    const QStringList mutual = {object({{"other", uid(2)}}, 3), arrayObject({1}, 4), classDef("X"),
                                classDef("NSArray")};
    for (Form form : bothForms) {
        SCOPED_TRACE(formName(form));
        EXPECT_EQ(decoded(inForm(archive(selfReference), form)), expected);
        const QString result = decoded(inForm(archive(mutual), form));
        EXPECT_TRUE(result.startsWith("{other: [{other: [")) << result.toStdString();
        EXPECT_TRUE(result.contains("\"...\"")) << result.toStdString();
    }
}

// An archive whose objects each list the next one `fanOut` times: small on disk, astronomically
// large once expanded. The result is capped, and so is the work to get it.
QByteArray sharedObjectBomb(int levels, int fanOut) {
    QStringList objects;
    objects << object({{"all", uid(2)}}, levels + 3);
    for (int level = 0; level < levels; ++level)
        objects << arrayObject(std::vector<qint64>(size_t(fanOut), level + 3), levels + 4);
    objects << str("leaf") << classDef("X") << classDef("NSArray");
    return archive(objects);
}

TEST(KeyedArchivePlistTest, SharedObjectsAreCappedInTheExpandedResult) {
    for (Form form : bothForms) {
        SCOPED_TRACE(formName(form));
        const std::optional<QVariantMap> result =
            KeyedArchivePlist::decode(inForm(sharedObjectBomb(6, 60), form));
        ASSERT_TRUE(result.has_value());
        // 60^6 leaves in full; a caller walking the result meets at most about maxValues.
        qint64 cuts = 0;
        const qint64 size =
            walk(QVariant(*result), 4 * KeyedArchivePlist::maxValues, [&](const QVariant& value) {
                cuts += value == QVariant(KeyedArchivePlist::tooDeep) ? 1 : 0;
            });
        EXPECT_LE(size, 2 * KeyedArchivePlist::maxValues);
        EXPECT_GT(size, KeyedArchivePlist::maxValues / 2);
        EXPECT_GT(cuts, 0);
    }
}

TEST(KeyedArchivePlistTest, SharedObjectsBelowTheCapAreResolvedInFull) {
    // 20^3 = 8000 leaves: well below the cap, every one of them present.
    const std::optional<QVariantMap> result = KeyedArchivePlist::decode(toBinary(sharedObjectBomb(3, 20)));
    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(describe(*result).contains("\"...\""));
    EXPECT_EQ(walk(QVariant(*result), 1 << 20), 1 + 1 + 20 + 400 + 8000);
}

QByteArray deepXmlArchive(int levels) {
    QString nested;
    for (int i = 0; i < levels; ++i)
        nested += "<array>";
    for (int i = 0; i < levels; ++i)
        nested += "</array>";
    return archive({object({{"deep", nested}}, 2), classDef("X")});
}

TEST(KeyedArchivePlistTest, MalformedInputGivesNothing) {
    const QByteArray good = archive({object({{"a", integer(1)}}, 2), classDef("X")});
    const QByteArray goodBinary = toBinary(good);
    ASSERT_EQ(decoded(good), "{a: 1}");
    ASSERT_EQ(decoded(goodBinary), "{a: 1}");

    QByteArray badTrailer = goodBinary;
    badTrailer[badTrailer.size() - 1] = char(0xFF); // offset table beyond the data

    // A plain (non-archive) property list whose arrays share one array over and over: libplist
    // would copy it 2^40 times.
    std::vector<QByteArray> bomb;
    for (quint16 i = 0; i < 40; ++i)
        bomb.push_back(rawArray({quint16(i + 1), quint16(i + 1)}));
    bomb.push_back(rawInt(7));

    // A binary list nested a hundred deep.
    std::vector<QByteArray> deep;
    for (quint16 i = 0; i < 100; ++i)
        deep.push_back(rawArray({quint16(i + 1)}));
    deep.push_back(rawInt(1));

    struct Case {
        const char* name;
        QByteArray data;
        bool alsoBinary = false; // an XML case that reads the same in the binary form
    };
    const Case cases[] = {
        {"empty", QByteArray()},
        {"not a property list", QByteArray("hello, world")},
        {"binary signature only", QByteArray("bplist00")},
        {"XML cut short", good.left(good.size() / 2)},
        {"binary cut short", goodBinary.left(goodBinary.size() / 2)},
        {"binary trailer pointing outside", badTrailer},
        {"top level is an array", plistText("<array><string>$objects</string></array>"), true},
        {"no $objects", plistText("<dict><key>$top</key><dict><key>root</key>" + uid(0) + "</dict></dict>"),
         true},
        {"$objects not a list",
         plistText("<dict><key>$objects</key><dict/><key>$top</key><dict><key>root</key>" + uid(0) +
                   "</dict></dict>"),
         true},
        {"no $top", plistText("<dict><key>$objects</key><array><string>$null</string></array></dict>"), true},
        {"$top not a map",
         plistText("<dict><key>$objects</key><array/><key>$top</key><array>" + uid(0) + "</array></dict>"),
         true},
        {"$top without root",
         archive({object({}, 2), classDef("X")}).replace("<key>root</key>", "<key>base</key>"), true},
        {"root is text", archive({str("just text")}), true},
        {"root is a list", archive({arrayObject({}, 2), classDef("NSArray")}), true},
        {"root beyond the table", archive({}, uid(5)), true},
        {"root is data", archive({data("zz")}), true},
        {"XML nesting ten thousand deep", deepXmlArchive(10000)},
        {"binary nesting a hundred deep", rawBinary(deep)},
        {"binary sharing bomb", rawBinary(bomb)},
        {"binary array containing itself", rawBinary({rawArray({0})})},
        {"binary dictionary with an integer key", rawBinary({rawDict({1}, {1}), rawInt(1)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decoded(c.data), "none");
        if (c.alsoBinary) {
            SCOPED_TRACE("binary");
            const QByteArray binary = toBinary(c.data);
            ASSERT_TRUE(PlistGuard::isBinary(binary));
            EXPECT_EQ(decoded(binary), "none");
        }
    }
}

TEST(KeyedArchivePlistTest, NestingWithinTheGuardStillDecodes) {
    // Plain lists nested in place count towards the same depth limit as references.
    const std::optional<QVariantMap> result = KeyedArchivePlist::decode(deepXmlArchive(20));
    ASSERT_TRUE(result.has_value());
    QString expected = "\"...\"";
    for (int level = 0; level < 8; ++level)
        expected = "[" + expected + "]";
    EXPECT_EQ(describe(*result), "{deep: " + expected + "}");
}

} // namespace
} // namespace pellimor::test
