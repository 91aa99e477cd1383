#include "Catalogue/Reader/PlaceholderUnarchiver.h"
#include "KeyedArchive/KeyedArchivePlist.h"
#include "Tests/Fixtures/KeyedArchiveWriter.h"
#include "Tests/KeyedArchive/ArchiveText.h"

#include <gtest/gtest.h>

namespace pellimor::test {
namespace {

using fixtures::PlistFormat;
using fixtures::PlistValue;
namespace KeyedArchiveWriter = fixtures::KeyedArchiveWriter;

// The fixture builder writes the metadata blobs of every synthetic library; both roads must
// read them as the hand-written archives of the other tests.
TEST(FixtureArchivesTest, ArchivesOfTheFixtureBuilderReadOnBothRoads) {
    const PlistValue roles = PlistValue::array({
        PlistValue::object("FFRole",
                           {{"name", "Dialogue"},
                            {"subRoles", PlistValue::array({PlistValue::object(
                                             "FFSubRole", {{"name", "Dialogue-1"}, {"index", 1}})})}}),
        PlistValue::object("FFRole", {{"name", "Music"}, {"subRoles", PlistValue::set({})}}),
    });
    for (PlistFormat format : {PlistFormat::Binary, PlistFormat::Xml}) {
        SCOPED_TRACE(format == PlistFormat::Binary ? "binary" : "XML");
        const QByteArray roleSet = KeyedArchiveWriter::archive(roles, format);
        const std::optional<QVariant> unarchivedRoles = PlaceholderUnarchiver::unarchive(roleSet);
        ASSERT_TRUE(unarchivedRoles.has_value());
        EXPECT_EQ(describe(*unarchivedRoles),
                  R"([Obj("Dialogue", [Obj("Dialogue-1", -)]), Obj("Music", [])])");

        const PlistValue clip =
            PlistValue::dict(
                {
                    {"displayName", "Interview"},
                    {"metadata",
                     PlistValue::dict({{"reel", "A001"}, {"com.apple.proapps.studio.notes", "Retake"}})},
                    {"start", PlistValue::date(60.0)},
                    {"link", PlistValue::url("file:///Volumes/Media/a.mov")},
                    {"count", 3},
                    {"roleSetData", roleSet},
                    {"effect",
                     PlistValue::object("FFEffect", {{"effectID", PlistValue::mutableText("com.x.blur")}})},
                })
                .withClass("NSMutableDictionary");
        const QByteArray blob = KeyedArchiveWriter::archive(clip, format);

        const std::optional<QVariantMap> decoded = KeyedArchivePlist::decode(blob);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(describe(*decoded),
                  R"({count: 3, displayName: "Interview", effect: {effectID: "com.x.blur"}, )"
                  R"(link: "file:///Volumes/Media/a.mov", )"
                  R"(metadata: {com.apple.proapps.studio.notes: "Retake", reel: "A001"}, )"
                  R"(roleSetData: "<data>", start: date(2001-01-01T00:01:00.000Z)})");

        const std::optional<QVariant> unarchived = PlaceholderUnarchiver::unarchive(blob);
        ASSERT_TRUE(unarchived.has_value());
        EXPECT_EQ(describe(*unarchived),
                  QStringLiteral(R"({count: 3, displayName: "Interview", effect: Obj(-, -), )"
                                 R"(link: "file:///Volumes/Media/a.mov", )"
                                 R"(metadata: {com.apple.proapps.studio.notes: "Retake", reel: "A001"}, )"
                                 R"(roleSetData: bytes(%1), start: date(2001-01-01T00:01:00.000Z)})")
                      .arg(roleSet.size()));
        EXPECT_EQ(unarchived->toMap().value("roleSetData").toByteArray(), roleSet);
    }
}

} // namespace
} // namespace pellimor::test
