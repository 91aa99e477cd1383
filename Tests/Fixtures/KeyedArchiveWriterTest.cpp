#include "Tests/Fixtures/KeyedArchiveWriter.h"

#include "Tests/Fixtures/FixtureReadBack.h"

#include <gtest/gtest.h>
#include <map>

using namespace pellimor::fixtures;
namespace rb = pellimor::fixtures::readback;

namespace {

QDateTime utc(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toUTC();
}

class ArchiveFormats : public ::testing::TestWithParam<PlistFormat> {};

} // namespace

// Every kind of value goes through the archive and comes back as the class it was meant to be,
// and the archive has the layout the platform's keyed archiver writes.
TEST_P(ArchiveFormats, EveryValueKindRoundTripsWithTheArchiverLayout) {
    const QDateTime when = utc("2025-03-01T09:30:00Z");
    const PlistValue root = PlistValue::dict({
        {"text", "Interview é #1"},
        {"integer", qint64(-7)},
        {"big", qint64(1) << 40},
        {"flag", true},
        {"real", 29.97},
        {"data", QByteArray("\x00\x01\xff", 3)},
        {"date", PlistValue::date(when)},
        {"epoch", PlistValue::date(0.0)},
        {"list", PlistValue::array({"a", 2, PlistValue::null()})},
        {"set", PlistValue::set({"x"})},
        {"nested", PlistValue::dict({{"keywords", PlistValue::strings({"Vows", "Rings"})}})},
        {"mutableText", PlistValue::mutableText("grow")},
        {"mutableData", PlistValue::mutableData("raw")},
        {"url", PlistValue::url("clip.mov", PlistValue::url("file:///Volumes/Media/"))},
        {"role", PlistValue::object("FFRole", {{"name", "Dialogue"},
                                               {"count", 3},
                                               {"subRoles", PlistValue::array({PlistValue::object(
                                                                "FFRole", {{"name", "Dialogue-1"}})})}})},
        {"mutableDict", PlistValue::dict({{"k", "v"}}).withClass("NSMutableDictionary")},
    });
    const QByteArray bytes = KeyedArchiveWriter::archive(root, GetParam());
    EXPECT_EQ(plist_is_binary(bytes.constData(), uint32_t(bytes.size())) != 0,
              GetParam() == PlistFormat::Binary);

    const QVariantMap top = rb::readPlist(bytes).toMap();
    EXPECT_EQ(top.value("$version").toLongLong(), 100000);
    EXPECT_EQ(top.value("$archiver").toString(), "NSKeyedArchiver");
    const QVariantList objects = top.value("$objects").toList();
    ASSERT_FALSE(objects.isEmpty());
    EXPECT_EQ(objects.first().toString(), "$null");
    const qint64 rootIndex = top.value("$top").toMap().value("root").toMap().value("@uid", -1).toLongLong();
    ASSERT_GT(rootIndex, 0);

    // Class objects: one per class name, each naming itself first and NSObject last.
    QStringList classNames;
    for (const QVariant& object : objects) {
        const QVariantMap map = object.toMap();
        if (!map.contains("$classname"))
            continue;
        const QStringList classes = map.value("$classes").toStringList();
        classNames << map.value("$classname").toString();
        ASSERT_FALSE(classes.isEmpty());
        EXPECT_EQ(classes.first(), classNames.last());
        EXPECT_EQ(classes.last(), "NSObject");
    }
    EXPECT_EQ(classNames.count("NSDictionary"), 1) << classNames.join(",").toStdString();
    EXPECT_EQ(classNames.count("FFRole"), 1);
    EXPECT_TRUE(classNames.contains("NSMutableDictionary"));

    const QVariantMap expected{
        {"text", "Interview é #1"},
        {"integer", qint64(-7)},
        {"big", qint64(1) << 40},
        {"flag", true},
        {"real", 29.97},
        {"data", QByteArray("\x00\x01\xff", 3)},
        {"date", when},
        {"epoch", utc("2001-01-01T00:00:00Z")},
        {"list", QVariantList{"a", qint64(2), QVariant()}},
        {"set", QVariantMap{{"@set", QVariantList{"x"}}}},
        {"nested", QVariantMap{{"keywords", QVariantList{"Vows", "Rings"}}}},
        {"mutableText", "grow"},
        {"mutableData", QByteArray("raw")},
        {"url",
         QVariantMap{{"@url", "clip.mov"},
                     {"@base", QVariantMap{{"@url", "file:///Volumes/Media/"}, {"@base", QVariant()}}}}},
        {"role",
         QVariantMap{{"@class", "FFRole"},
                     {"name", "Dialogue"},
                     {"count", qint64(3)},
                     {"subRoles", QVariantList{QVariantMap{{"@class", "FFRole"}, {"name", "Dialogue-1"}}}}}},
        {"mutableDict", QVariantMap{{"k", "v"}}},
    };
    const QVariantMap decoded = rb::decodeArchive(bytes).toMap();
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_EQ(decoded.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(decoded.size(), expected.size());
}

INSTANTIATE_TEST_SUITE_P(BinaryAndXml, ArchiveFormats,
                         ::testing::Values(PlistFormat::Binary, PlistFormat::Xml), [](const auto& info) {
                             return info.param == PlistFormat::Binary ? "Binary" : "Xml";
                         });

// Scalars that are fields of an archived object are stored inline, the way the archiver
// encodes flags and numbers; everything else is a reference.
TEST(KeyedArchiveWriter, ObjectFieldsKeepScalarsInlineAndReferenceTheRest) {
    const auto parts = KeyedArchiveWriter::flatten(
        PlistValue::object("FFThing", {{"on", true}, {"n", 5}, {"x", 0.5}, {"name", "a"}, {"none", {}}}));
    const PlistValue& object = parts.objects.at(size_t(parts.root));
    ASSERT_EQ(object.kind, PlistValue::Kind::Dictionary);
    std::map<QString, PlistValue::Kind> kinds;
    for (const auto& [key, value] : object.entries)
        kinds[key.textValue] = value.kind;
    EXPECT_EQ(kinds["on"], PlistValue::Kind::Bool);
    EXPECT_EQ(kinds["n"], PlistValue::Kind::Integer);
    EXPECT_EQ(kinds["x"], PlistValue::Kind::Real);
    EXPECT_EQ(kinds["name"], PlistValue::Kind::Uid);
    EXPECT_EQ(kinds["none"], PlistValue::Kind::Uid);
    EXPECT_EQ(kinds["$class"], PlistValue::Kind::Uid);
}

// The escape hatches write exactly what they are given, so tests can build broken archives:
// references out of range, cycles, plain objects without a class, a missing "$top".
TEST(KeyedArchiveWriter, RawPiecesAreWrittenExactlyAsGiven) {
    // A caller-given reference inside an otherwise normal archive.
    const QVariantMap outOfRange =
        rb::decodeArchive(KeyedArchiveWriter::archive(PlistValue::dict({{"far", PlistValue::uid(999)}})))
            .toMap();
    EXPECT_EQ(outOfRange.value("far").toString(), "@bad-reference");

    // A plain list inside the table is not archived: its elements stay as written.
    const auto rawParts = KeyedArchiveWriter::flatten(
        PlistValue::dict({{"plain", PlistValue::raw(PlistValue::array({PlistValue::uid(0), "t"}))}}));
    const QByteArray withRaw = KeyedArchiveWriter::rawArchive(rawParts, PlistFormat::Xml);
    const QVariantList table = rb::readPlist(withRaw).toMap().value("$objects").toList();
    EXPECT_TRUE(table.contains(QVariant(QVariantList{QVariantMap{{"@uid", qint64(0)}}, "t"})));

    // A cycle: an array that holds itself, from a caller-given table.
    const std::vector<PlistValue> cyclic{
        "$null",
        PlistValue::dict(
            {{"NS.objects", PlistValue::array({PlistValue::uid(1)})}, {"$class", PlistValue::uid(2)}}),
        PlistValue::dict(
            {{"$classname", "NSArray"}, {"$classes", PlistValue::strings({"NSArray", "NSObject"})}}),
    };
    const QVariantMap cycle = rb::readPlist(KeyedArchiveWriter::rawArchive(
                                                cyclic, PlistValue::dict({{"root", PlistValue::uid(1)}})))
                                  .toMap();
    EXPECT_EQ(cycle.value("$objects").toList().size(), 3);
    EXPECT_EQ(cycle.value("$objects").toList().first().toString(), "$null");
    EXPECT_EQ(cycle.value("$top"), QVariant(QVariantMap{{"root", QVariantMap{{"@uid", qint64(1)}}}}));

    // Without "$top": a plain property list of the caller's making.
    const QByteArray noTop =
        KeyedArchiveWriter::plist(PlistValue::dict({{"$objects", PlistValue::array({"$null"})}}));
    EXPECT_FALSE(rb::readPlist(noTop).toMap().contains("$top"));
    EXPECT_FALSE(rb::decodeArchive(noTop).isValid());
}

TEST(KeyedArchiveWriter, PlainPropertyListsKeepTheirTypes) {
    const QDateTime when = utc("2024-06-01T17:30:00Z");
    for (PlistFormat format : {PlistFormat::Binary, PlistFormat::Xml}) {
        const QVariantMap read =
            rb::readPlist(KeyedArchiveWriter::plist(PlistValue::dict({
                                                        {"catalogVersion", "Library; 10.8.1 (1)"},
                                                        {"wrongType", 42},
                                                        {"list", PlistValue::strings({"a"})},
                                                        {"when", PlistValue::date(when)},
                                                        {"flag", false},
                                                    }),
                                                    format))
                .toMap();
        EXPECT_EQ(read.value("catalogVersion"), QVariant("Library; 10.8.1 (1)"));
        EXPECT_EQ(read.value("wrongType"), QVariant(qint64(42)));
        EXPECT_EQ(read.value("list"), QVariant(QVariantList{"a"}));
        EXPECT_EQ(read.value("when"), QVariant(when));
        EXPECT_EQ(read.value("flag"), QVariant(false));
    }
}
