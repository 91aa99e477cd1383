#include "Browser/Views/ElidedLines.h"

#include <QFontMetricsF>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

QFont font() {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(10);
    return f;
}

} // namespace

TEST(ElidedLines, shortensWhereAskedAndKeepsToTheLinesAndWidth) {
    const QString path = "/Volumes/Studio Drive/Clients/2025/Wedding of Anna and Ben/Final Cut/Wedding 2024 "
                         "(Ceremony, Reception, Speeches).fcpbundle";
    const qreal width = 160;
    struct Case {
        const char* what;
        QString text;
        int maxLines;
        Qt::TextElideMode mode;
        QString head; // the shown text starts so
        QString tail; // and ends so
        bool shortened;
    };
    const Case cases[] = {
        {"fits", "Wedding 2024", 2, Qt::ElideMiddle, "Wedding 2024", "Wedding 2024", false},
        {"middle", path, 2, Qt::ElideMiddle, "/Volumes/", ".fcpbundle", true},
        {"start", path, 2, Qt::ElideLeft, "…", "Speeches).fcpbundle", true},
        {"end", path, 3, Qt::ElideRight, "/Volumes/Studio", "…", true},
        // A word wider than the line (a path without spaces) breaks inside itself.
        {"one long word", QString(60, u'x'), 4, Qt::ElideRight, "xxx", "xxx", false},
        // A character beyond U+FFFF is never cut in half.
        {"surrogates", QString(40, u'a') + QString::fromUtf8("😀😀😀😀😀😀😀😀😀😀"), 1, Qt::ElideLeft, "…", "😀", true},
    };
    const QFontMetricsF metrics(font());
    for (const Case& c : cases) {
        const QStringList lines = ElidedLines::lay(c.text, font(), width, c.maxLines, c.mode);
        ASSERT_FALSE(lines.isEmpty()) << c.what;
        EXPECT_LE(lines.size(), c.maxLines) << c.what;
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line), width + 0.5) << c.what << ": " << line.toStdString();
        const QString shown = lines.join(QString());
        EXPECT_TRUE(shown.startsWith(c.head)) << c.what << ": " << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(c.tail)) << c.what << ": " << shown.toStdString();
        EXPECT_EQ(shown.contains(u'…'), c.shortened) << c.what << ": " << shown.toStdString();
        // Every surrogate stands with its other half.
        for (qsizetype i = 0; i < shown.size(); ++i) {
            const QChar ch = shown.at(i);
            bool paired = true;
            if (ch.isHighSurrogate())
                paired = i + 1 < shown.size() && shown.at(i + 1).isLowSurrogate();
            else if (ch.isLowSurrogate())
                paired = i > 0 && shown.at(i - 1).isHighSurrogate();
            EXPECT_TRUE(paired) << c.what << " at " << i;
        }
    }
    // However narrow, at least one line and never more than asked.
    EXPECT_EQ(ElidedLines::lay(path, font(), 0, 2, Qt::ElideMiddle).size(), 2);
    EXPECT_EQ(ElidedLines::lay(QString(), font(), 100, 2, Qt::ElideMiddle), QStringList{QString()});
}
