#include "KeyedArchive/PlistGuard.h"

#include "KeyedArchive/PropertyList.h"
#include "Tests/KeyedArchive/ArchiveText.h"

#include <gtest/gtest.h>

namespace pellimor::test {
namespace {

QString nestedBody(int levels, const QString& inside = {}, const QString& open = "<array>",
                   const QString& close = "</array>") {
    QString body;
    for (int i = 0; i < levels; ++i)
        body += open;
    body += inside;
    for (int i = 0; i < levels; ++i)
        body += close;
    return body;
}

QByteArray nestedXml(int levels, const QString& inside = {}, const QString& open = "<array>",
                     const QString& close = "</array>") {
    return plistText(nestedBody(levels, inside, open, close));
}

// `levels` arrays, each holding the next, the innermost holding an integer.
QByteArray nestedBinary(int levels) {
    std::vector<QByteArray> objects;
    for (int i = 0; i < levels; ++i)
        objects.push_back(rawArray({quint16(i + 1)}));
    objects.push_back(rawInt(1));
    return rawBinary(objects);
}

// `levels` arrays, each referring twice to the next: 2^levels paths to the integer at the end.
QByteArray sharedBinary(int levels) {
    std::vector<QByteArray> objects;
    for (int i = 0; i < levels; ++i)
        objects.push_back(rawArray({quint16(i + 1), quint16(i + 1)}));
    objects.push_back(rawInt(1));
    return rawBinary(objects);
}

struct GuardCase {
    const char* name;
    QByteArray data;
    bool accepted;
};

// Everything the guard lets through must parse; everything it refuses would have been trouble
// (deep recursion, exponential copies, reads outside the data) or is no property list.
TEST(PlistGuardTest, AcceptsSoundListsAndRefusesDangerousOnes) {
    // The trailer's last 32 bytes: 6 unused, offset width, reference width, then the object
    // count, the top object and the table's offset, 8 bytes each.
    QByteArray bigTrailer = nestedBinary(2);
    bigTrailer[bigTrailer.size() - 24] = char(0x7F); // an object count beyond all reason
    QByteArray refWidthZero = nestedBinary(2);
    refWidthZero[refWidthZero.size() - 25] = 0;

    const GuardCase cases[] = {
        {"XML nested 32 deep", nestedXml(PlistGuard::maxNesting), true},
        {"XML nested 33 deep", nestedXml(PlistGuard::maxNesting + 1), false},
        {"XML dictionaries count as well",
         nestedXml(PlistGuard::maxNesting + 1, {}, "<dict><key>k</key>", "</dict>"), false},
        {"XML empty arrays do not nest", nestedXml(PlistGuard::maxNesting, "<array/><array /><dict/>"), true},
        {"XML many arrays side by side",
         plistText("<array>" + QString("<array><integer>1</integer></array>").repeated(2000) + "</array>"),
         true},
        {"XML closing tags inside comments do not count",
         nestedXml(PlistGuard::maxNesting + 1, {}, "<array><!-- </array> -->"), false},
        {"XML closing tags inside character data do not count",
         nestedXml(PlistGuard::maxNesting + 1, {}, "<array><string><![CDATA[</array>]]></string>"), false},
        {"XML stray closing tags buy no depth",
         plistText(QString("</array>").repeated(10) + nestedBody(PlistGuard::maxNesting + 1)), false},
        {"XML internal DTD subset", plistText("<!DOCTYPE plist [ <!ENTITY a \"b\"> ]><string>x</string>"),
         false},
        {"binary nested 32 deep", nestedBinary(PlistGuard::maxNesting), true},
        {"binary nested 33 deep", nestedBinary(PlistGuard::maxNesting + 1), false},
        {"binary shared objects within the cost", sharedBinary(12), true},
        {"binary shared objects beyond the cost", sharedBinary(30), false},
        {"binary cycle", rawBinary({rawArray({1}), rawArray({0})}), false},
        {"binary reference out of range", rawBinary({rawArray({5})}), false},
        {"binary text key", rawBinary({rawDict({1}, {2}), rawText("k"), rawInt(2)}), true},
        {"binary integer key", rawBinary({rawDict({1}, {1}), rawInt(2)}), false},
        {"binary key with a NUL inside",
         rawBinary({rawDict({1}, {2}), rawText(QByteArray("a\0b", 3)), rawInt(2)}), false},
        {"binary UTF-16 key with a NUL inside",
         rawBinary({rawDict({1}, {2}), QByteArray("\x62\x00\x61\x00\x00", 5), rawInt(2)}), false},
        {"binary text value with a NUL inside", rawBinary({rawArray({1}), rawText(QByteArray("a\0b", 3))}),
         true},
        {"XML NUL byte", plistText("<dict><key>a") + QByteArray(1, '\0') + "b</key><true/></dict>", false},
        {"XML key with a reference to NUL", plistText("<dict><key>a&#0;b</key><true/></dict>"), false},
        {"XML key with a hexadecimal reference to NUL", plistText("<dict><key>a&#x00;b</key><true/></dict>"),
         false},
        {"XML reference beyond Unicode", plistText("<string>&#x110000;</string>"), false},
        {"XML ordinary references", plistText("<dict><key>a&#65;&#x42;&amp;</key><true/></dict>"), true},
        {"binary set", rawBinary({QByteArray(1, char(0xC0))}), false},
        {"binary null marker", rawBinary({QByteArray(1, char(0x00))}), false},
        {"binary text longer than the data", rawBinary({QByteArray(1, char(0x5E)) + "abc"}), false},
        {"binary object count beyond the data", bigTrailer, false},
        {"binary reference width 0", refWidthZero, false},
        {"binary top object beyond the table", rawBinary({rawInt(1)}, 3), false},
        {"too large", QByteArray(PlistGuard::maxInputBytes + 1, ' '), false},
        {"empty", QByteArray(), false},
    };
    for (const GuardCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PlistGuard::acceptable(c.data), c.accepted);
        if (c.accepted) {
            EXPECT_TRUE(PropertyList::parse(c.data).has_value());
        } else {
            EXPECT_FALSE(PropertyList::parse(c.data).has_value());
        }
    }
}

TEST(PlistGuardTest, ListsFromLibplistPass) {
    // What a writer produces must never be refused: a keyed archive in both forms.
    const QByteArray xml =
        archive({dictObject({2}, {3}, 4), str("name"), str("Interview"), classDef("NSDictionary")});
    EXPECT_TRUE(PlistGuard::acceptable(xml));
    EXPECT_TRUE(PlistGuard::acceptable(toBinary(xml)));
}

} // namespace
} // namespace pellimor::test
