#include "Support/Graphemes.h"

#include <QString>
#include <gtest/gtest.h>

using namespace pellimor;

TEST(Graphemes, CountsWhatTheUserSeesAsOneCharacterOnce) {
    struct Case {
        const char* what;
        QString text;
        qsizetype count;
    };
    const Case cases[] = {
        {"empty", QString(), 0},
        {"plain letters", QStringLiteral("abc"), 3},
        {"a combining accent", QStringLiteral("Cafe\u0301"), 4},
        {"two combining marks on one letter", QStringLiteral("e\u0301\u0323x"), 2},
        {"precomposed and decomposed alike", QStringLiteral("\u00E9|e\u0301"), 3},
        {"Hangul syllable from its jamo", QStringLiteral("\u1100\u1161\u11A8"), 1},
        {"emoji outside the basic plane", QStringLiteral("\U0001F600\U0001F600"), 2},
        {"emoji with a skin-tone modifier", QStringLiteral("\U0001F44D\U0001F3FD ok"), 4},
        {"family joined by zero-width joiners",
         QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466"), 1},
        {"flag built with a joiner", QStringLiteral("\U0001F3F3\uFE0F\u200D\U0001F308"), 1},
        {"keycap", QStringLiteral("1\uFE0F\u20E3"), 1},
        {"two flags side by side", QStringLiteral("\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EA"), 2},
        {"a lone regional indicator after a flag", QStringLiteral("\U0001F1EB\U0001F1F7\U0001F1E9"), 2},
        {"CR LF is one", QStringLiteral("a\r\nb"), 3},
        {"LF CR is two", QStringLiteral("\n\r"), 2},
        {"a mark after CR LF stands alone", QStringLiteral("\r\n\u0301"), 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Graphemes::count(c.text), c.count) << c.what;

    // A view counts only what it spans, even when it starts inside a longer text.
    const QString text = QStringLiteral("xx\U0001F44D\U0001F3FDe\u0301yy");
    EXPECT_EQ(Graphemes::count(QStringView(text).mid(2, 5)), 2);
}

TEST(Graphemes, PrefixNeverCutsACharacterInTwo) {
    struct Case {
        const char* what;
        QString text;
        qsizetype count;
        QString prefix;
    };
    const Case cases[] = {
        {"shorter than asked", QStringLiteral("abc"), 5, QStringLiteral("abc")},
        {"exactly as long", QStringLiteral("abc"), 3, QStringLiteral("abc")},
        {"cut", QStringLiteral("abcdef"), 2, QStringLiteral("ab")},
        {"none asked", QStringLiteral("abc"), 0, QString()},
        {"a negative count", QStringLiteral("abc"), -1, QString()},
        {"a decomposed letter stays whole", QStringLiteral("e\u0301e\u0301x"), 2,
         QStringLiteral("e\u0301e\u0301")},
        {"an emoji with its modifier", QStringLiteral("\U0001F44D\U0001F3FDok"), 1,
         QStringLiteral("\U0001F44D\U0001F3FD")},
        {"a joined family is one", QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467!"), 1,
         QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Graphemes::prefix(c.text, c.count), c.prefix) << c.what;
}
