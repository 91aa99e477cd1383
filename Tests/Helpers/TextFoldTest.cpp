#include "Support/TextFold.h"

#include <gtest/gtest.h>

using namespace pellimor;

namespace {
QString u8(const char* text) {
    return QString::fromUtf8(text);
}
} // namespace

TEST(TextFold, FoldDropsCaseAndDiacritics) {
    EXPECT_EQ(TextFold::fold(u8("Café")), "cafe");
    EXPECT_EQ(TextFold::fold(u8("CAFE\u0301")), "cafe"); // decomposed
    EXPECT_EQ(TextFold::fold(u8("Ärger ÜBER Öl")), "arger uber ol");
    EXPECT_EQ(TextFold::fold(u8("Ångström Ñandú")), "angstrom nandu");
    EXPECT_EQ(TextFold::fold(u8("ΣΊΣΥΦΟΣ")), u8("σισυφοσ"));
    EXPECT_EQ(TextFold::fold(u8("İstanbul")), "istanbul");
    EXPECT_EQ(TextFold::fold(u8("Clip 1080p 𝄞")), u8("clip 1080p 𝄞")); // outside the BMP
    EXPECT_EQ(TextFold::fold(""), "");
}

TEST(TextFold, FoldUsesTheFullCaseMappings) {
    const struct {
        const char* text;
        const char* folded;
    } cases[] = {
        {"Straße", "strasse"},
        {"STRASSE", "strasse"},
        {"STRAẞE", "strasse"}, // the capital sharp s folds through "ß"
        {"ﬁle ﬂow ﬃx", "file flow ffix"},
        {"ŉ", "ʼn"},
        {"ı", "ı"}, // one-letter upper case: the simple folding stays
        {"ᾳ", "α"}, // the subscript is a mark, dropped before folding
        {"Ŀ", "ŀ"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextFold::fold(u8(c.text)), u8(c.folded)) << c.text;
        EXPECT_EQ(TextFold::foldUtf8(u8(c.text)), QByteArray(c.folded)) << c.text;
        // Folding is settled: folding again changes nothing.
        EXPECT_EQ(TextFold::fold(TextFold::fold(u8(c.text))), u8(c.folded)) << c.text;
    }
}

TEST(TextFold, Utf8FoldingMatchesTheTextFolding) {
    // Beyond ASCII, outside the basic plane, lone surrogates and control characters alike.
    const QString texts[] = {
        u8("Ärger ÜBER Öl"),
        u8("CAFE\u0301 Noir"),
        u8("Clip 1080p 𝄞 𐐀"),
        u8("가나 ΣΊΣΥΦΟΣ"),
        QString(QChar(0xD800)) + u8("ab") + QChar(0xDC00),
        u8("tab\there\u0001\uFFFD"),
        QString(),
    };
    for (const QString& text : texts)
        EXPECT_EQ(TextFold::foldUtf8(text), TextFold::fold(text).toUtf8()) << text.toStdString();
    // A lone surrogate is no character: it folds to the replacement character, so it meets one.
    EXPECT_EQ(TextFold::fold(QString(QChar(0xDC00))), QString(QChar(0xFFFD)));
    EXPECT_TRUE(TextFold::contains(QString(QChar(0xD800)) + u8("x"), QString(QChar(0xFFFD))));
}

TEST(TextFold, ContainsIgnoringCaseAndDiacritics) {
    const struct {
        const char* haystack;
        const char* needle;
        bool found;
    } cases[] = {
        {"Café", "cafe", true},
        {"cafe", "Café", true},
        {"É", "e", true},
        {"Interview Zoë", "zoe", true},
        {"CAFE\u0301 Noir", "café n", true},
        {"Wedding 2024", "2023", false},
        {"Straße", "strasse", true}, // "ß" folds to "ss"
        {"STRASSE", "straße", true},
        {"ﬁle", "file", true},
        {"anything", "", false},
        {"anything", "\u0301", false}, // a needle of marks alone folds to nothing
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextFold::contains(u8(c.haystack), u8(c.needle)), c.found)
            << c.haystack << " / " << c.needle;
}

TEST(TextFold, OccurrencesAreRangesOfTheOriginalText) {
    using R = TextSpan;
    // Resumes after each occurrence, so overlapping ones are not found.
    EXPECT_EQ(TextFold::occurrences("banana", "ana"), (QList<R>{{1, 3}}));
    EXPECT_EQ(TextFold::occurrences("banana", "NA"), (QList<R>{{2, 2}, {4, 2}}));
    // A composed character is one unit of the original; a decomposed one keeps its mark.
    EXPECT_EQ(TextFold::occurrences(u8("Le Café, le cafe\u0301"), "cafe"), (QList<R>{{3, 4}, {12, 5}}));
    EXPECT_EQ(TextFold::occurrences(u8("cafe\u0301s"), "cafes"), (QList<R>{{0, 6}}));
    // Characters outside the BMP take two units.
    EXPECT_EQ(TextFold::occurrences(u8("𝄞 Été 𝄞 ete"), u8("ÉTÉ")), (QList<R>{{3, 3}, {10, 3}}));
    EXPECT_TRUE(TextFold::occurrences("banana", "").isEmpty());
    EXPECT_TRUE(TextFold::occurrences("banana", "x").isEmpty());
    // A lone surrogate neither crashes nor matches anything it should not.
    const QString broken = QString(QChar(0xD800)) + "ab";
    EXPECT_EQ(TextFold::occurrences(broken, "ab"), (QList<R>{{1, 2}}));
    // A character that folds to several covers all of them, and a match ending inside it
    // covers it whole.
    EXPECT_EQ(TextFold::occurrences(u8("Straße"), "ss"), (QList<R>{{4, 1}}));
    EXPECT_EQ(TextFold::occurrences(u8("aßs"), "ss"), (QList<R>{{1, 1}}));
    EXPECT_EQ(TextFold::occurrences(u8("Maße"), "mas"), (QList<R>{{0, 3}}));
}

TEST(TextFold, LocalizedCaseInsensitiveContainsKeepsAccents) {
    const struct {
        const char* haystack;
        const char* needle;
        bool found;
    } cases[] = {
        {"/Volumes/Media/My SafetyNet copies/A.fcpbundle", "SafetyNet", true},
        {"/Volumes/Media/mysafetynet/A.fcpbundle", "SafetyNet", true},
        {"/Volumes/Media/SAFETYNET/A.fcpbundle", "SafetyNet", true},
        {"/Volumes/Media/Safety Net/A.fcpbundle", "SafetyNet", false},
        {"Snapshot 3", "snapshot", true},
        {"Café", "CAFÉ", true},
        {"Cafe\u0301", "café", true}, // canonically equivalent spellings match
        {"Café", "cafe", false},      // accents count
        {"é", "e", false},
        {"anything", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextFold::localizedCaseInsensitiveContains(u8(c.haystack), u8(c.needle)), c.found)
            << c.haystack << " / " << c.needle;
}
