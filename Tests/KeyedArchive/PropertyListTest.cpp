#include "KeyedArchive/PropertyList.h"

#include "Tests/KeyedArchive/ArchiveText.h"

#include <gtest/gtest.h>

namespace pellimor::test {
namespace {

// libplist 2.2 hands integers over as unsigned and leaves XML UIDs as dictionaries; the
// readers must hide both, in either form.
TEST(PropertyListTest, ReadsValuesTheSameInBothForms) {
    const QByteArray xml = plistText("<dict>"
                                     "<key>negative</key><integer>-5</integer>"
                                     "<key>lowest</key><integer>-9223372036854775808</integer>"
                                     "<key>large</key><integer>9223372036854775807</integer>"
                                     "<key>ratio</key><real>0.5</real>"
                                     "<key>flag</key><true/>"
                                     "<key>text</key><string>Grüße</string>"
                                     "<key>bytes</key><data>AAEC</data>"
                                     "<key>when</key><date>2001-01-02T00:00:00Z</date>"
                                     "<key>far</key><date>99999999-01-01T00:00:00Z</date>"
                                     "<key>ref</key>" +
                                     uid(7) +
                                     "<key>notRef</key><dict><key>CF$UID</key><integer>1</integer>"
                                     "<key>other</key><integer>2</integer></dict>"
                                     "<key>textRef</key><dict><key>CF$UID</key><string>1</string></dict>"
                                     "<key>list</key><array><integer>1</integer><string>a</string></array>"
                                     "</dict>");
    for (Form form : {Form::Xml, Form::Binary}) {
        SCOPED_TRACE(formName(form));
        const std::optional<PropertyList> list = PropertyList::parse(inForm(xml, form));
        ASSERT_TRUE(list.has_value());
        const plist_t root = list->root();
        EXPECT_EQ(PropertyList::integer(PropertyList::item(root, "negative")), -5);
        EXPECT_EQ(PropertyList::integer(PropertyList::item(root, "lowest")),
                  std::numeric_limits<qint64>::min());
        EXPECT_EQ(PropertyList::integer(PropertyList::item(root, "large")),
                  std::numeric_limits<qint64>::max());
        EXPECT_EQ(PropertyList::number(PropertyList::item(root, "negative")), -5.0);
        EXPECT_EQ(PropertyList::number(PropertyList::item(root, "ratio")), 0.5);
        EXPECT_EQ(PropertyList::integer(PropertyList::item(root, "ratio")), std::nullopt);
        EXPECT_EQ(PropertyList::boolean(PropertyList::item(root, "flag")), true);
        EXPECT_EQ(PropertyList::text(PropertyList::item(root, "text")), QString("Grüße"));
        EXPECT_EQ(PropertyList::data(PropertyList::item(root, "bytes")), QByteArray("\x00\x01\x02", 3));
        EXPECT_EQ(PropertyList::date(PropertyList::item(root, "when")),
                  QDateTime(QDate(2001, 1, 2), QTime(0, 0), Qt::UTC));
        EXPECT_EQ(PropertyList::date(PropertyList::item(root, "far")), std::nullopt);
        EXPECT_EQ(PropertyList::uid(PropertyList::item(root, "ref")), 7u);
        EXPECT_EQ(PropertyList::uid(PropertyList::item(root, "notRef")), std::nullopt);
        EXPECT_EQ(PropertyList::uid(PropertyList::item(root, "textRef")), std::nullopt);
        EXPECT_EQ(PropertyList::uid(PropertyList::item(root, "negative")), std::nullopt);
        EXPECT_EQ(PropertyList::elements(PropertyList::item(root, "list")).size(), 2);
        EXPECT_TRUE(PropertyList::elements(PropertyList::item(root, "text")).isEmpty());
        EXPECT_EQ(PropertyList::item(root, "absent"), nullptr);
        EXPECT_EQ(PropertyList::item(PropertyList::item(root, "text"), "x"), nullptr);

        EXPECT_EQ(
            describe(list->value()),
            R"({bytes: bytes(3), far: null, flag: true, large: 9223372036854775807, list: [1, "a"], )"
            R"(lowest: -9223372036854775808, negative: -5, notRef: {CF$UID: 1, other: 2}, ratio: 0.5r, )"
            R"(ref: {CF$UID: 7}, text: "Grüße", textRef: {CF$UID: "1"}, when: date(2001-01-02T00:00:00.000Z)})");
    }
}

TEST(PropertyListTest, DatesSince2001StayWithinTheCalendar) {
    const QDateTime epoch(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    EXPECT_EQ(PropertyList::dateSince2001(0), epoch);
    EXPECT_EQ(PropertyList::dateSince2001(-978307200), QDateTime(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(PropertyList::dateSince2001(0.0015), epoch.addMSecs(2));
    EXPECT_TRUE(PropertyList::dateSince2001(1e15).has_value());
    for (double unusable : {1e300, -1e16, std::numeric_limits<double>::infinity(), std::nan("")})
        EXPECT_EQ(PropertyList::dateSince2001(unusable), std::nullopt) << unusable;
}

TEST(PropertyListTest, MovingKeepsTheTree) {
    std::optional<PropertyList> first = PropertyList::parse(plistText("<string>kept</string>"));
    ASSERT_TRUE(first.has_value());
    const plist_t node = first->root();
    PropertyList moved = std::move(*first);
    EXPECT_EQ(moved.root(), node);
    EXPECT_EQ(first->root(), nullptr);
    EXPECT_EQ(PropertyList::text(moved.root()), QString("kept"));
    moved = std::move(*PropertyList::parse(plistText("<integer>3</integer>")));
    EXPECT_EQ(PropertyList::integer(moved.root()), 3);
}

} // namespace
} // namespace pellimor::test
