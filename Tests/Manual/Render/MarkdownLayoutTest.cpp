#include "Manual/Render/MarkdownLayout.h"

#include "Manual/ManualDoc.h"
#include "Manual/MarkdownHTML.h"
#include "Tests/Support/TestEnv.h"

#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

// A PNG of noise, which does not compress: `side` × `side` pixels make about 3 × side² bytes.
void writePicture(const QString& path, int side) {
    QImage image(side, side, QImage::Format_RGB32);
    QRandomGenerator noise(7);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, noise.generate());
    ASSERT_TRUE(image.save(path, "PNG"));
}

void writeText(const QString& path, const QString& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

QStringList selfTestLines() {
    QStringList lines;
    MarkdownHTML::selfTest([&](const QString& line) { lines.append(line); });
    return lines;
}

// A manual of twelve level-2 sections, each with a link to the next, and `extra` at the end.
QString smallManual(const QString& extra) {
    QString markdown = QStringLiteral("# Small manual\n\n");
    for (int i = 1; i <= 12; ++i)
        markdown += QStringLiteral("## Part %1\n\nSee [the next part](#part-%2).\n\n").arg(i).arg(i % 12 + 1);
    return markdown + extra;
}

} // namespace

TEST(MarkdownLayout, TheRealManualPassesItsChecks) {
    EXPECT_EQ(selfTestLines(),
              (QStringList{
                  "  ok    in the laid-out page every heading can be scrolled to, every picture is shown and "
                  "every section link can be clicked",
                  "  ok    markdown is turned into headings, tables, lists and links",
                  "  ok    the real manual renders and every link inside it points at a heading",
                  "MANUAL CHECKS PASSED"}));
}

TEST(MarkdownLayout, HeadingPlacesArePositionsInTheLaidOutDocument) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("layout"));
    writePicture(folder + "/shot.png", 80);
    const MarkdownHTML::Rendered rendered =
        MarkdownHTML::render(QStringLiteral("# Guide\n\nIntro with **bold** and a "
                                            "[link](#after-the-table).\n\n| A | B |\n|---|---|\n| 1 | 2 |\n\n"
                                            "## After the table\n\n![A picture](shot.png)\n\n### The `code` "
                                            "heading\n\n- one\n- [two](#guide)\n"));
    const std::unique_ptr<QTextDocument> document = MarkdownHTML::styled(
        MarkdownHTML::page(rendered.body, 1.0, false), QUrl::fromLocalFile(folder + "/"));
    ASSERT_TRUE(document);
    const MarkdownHTML::LaidOut shown = MarkdownHTML::inspect(document.get());
    EXPECT_EQ(shown.picturesShown, 1);
    EXPECT_EQ(shown.links,
              (QStringList{"tovlin-manual://section/after-the-table", "tovlin-manual://section/guide"}));
    for (const QString& title : rendered.headings) {
        const std::optional<TextSpan> place = MarkdownHTML::range(title, shown.plainText);
        ASSERT_TRUE(place) << title.toStdString();
        QTextCursor cursor(document.get());
        cursor.setPosition(int(place->start));
        cursor.setPosition(int(place->start + place->length), QTextCursor::KeepAnchor);
        EXPECT_EQ(cursor.selectedText(), title) << "the offsets select the heading in the document";
    }
}

TEST(MarkdownLayout, PicturesLoadFromTheResourcesToo) {
    const std::optional<QString> markdown = ManualDoc::manual.text();
    ASSERT_TRUE(markdown);
    const MarkdownHTML::Rendered rendered = MarkdownHTML::render(*markdown);
    const std::unique_ptr<QTextDocument> document =
        MarkdownHTML::styled(MarkdownHTML::page(rendered.body, 1.3, true), ManualDoc::manual.baseURL());
    ASSERT_TRUE(document);
    EXPECT_GT(MarkdownHTML::inspect(document.get()).picturesShown, 0);
    EXPECT_EQ(ManualDoc::manual.baseURL(), QUrl("qrc:/manual/"));
}

TEST(MarkdownLayout, TheChecksSayWhatIsWrongWithAManual) {
    const QString folder = test::TestEnv::freshDir(QStringLiteral("checks"));
    const ManualDoc::ScopedPlaces scope({QString(), folder});
    const QString fail =
        QStringLiteral("  FAIL  in the laid-out page every heading can be scrolled to, every picture "
                       "is shown and every section link can be clicked");
    const QString rules = QStringLiteral("  ok    markdown is turned into headings, tables, lists and links");
    const QString manualFails =
        QStringLiteral("  FAIL  the real manual renders and every link inside it points at a heading");
    const QString manualPasses =
        QStringLiteral("  ok    the real manual renders and every link inside it points at a heading");

    EXPECT_EQ(selfTestLines(), (QStringList{fail, rules, manualFails, "MANUAL CHECKS FAILED"}))
        << "no manual";

    writePicture(folder + "/big.png", 80);
    writePicture(folder + "/tiny.png", 8);
    struct Case {
        const char* what;
        QString markdown;
        QStringList lines;
    };
    const Case cases[] = {
        {"a picture that is too small, and one that is not there",
         smallManual("![Big](big.png)\n\n![Tiny](tiny.png)\n\n![Gone](gone.png)\n"),
         {"  pictures shown: 1 of 3", fail, rules, manualPasses, "MANUAL CHECKS FAILED"}},
        {"no picture at all", smallManual(QString()), {fail, rules, manualPasses, "MANUAL CHECKS FAILED"}},
        {"a link to no heading",
         smallManual("![Big](big.png)\n\nSee [nowhere](#nowhere).\n"),
         {"  broken manual links: [\"nowhere\"]",
          "  section links: 13 written, 13 clickable, dead: [\"nowhere\"]", fail, rules, manualFails,
          "MANUAL CHECKS FAILED"}},
        {"a link inside a heading cannot be scrolled to",
         smallManual("![Big](big.png)\n\n## See [part 1](#part-1)\n"),
         {"  headings that can't be scrolled to: [\"See [part 1](#part-1)\"]", fail, rules, manualPasses,
          "MANUAL CHECKS FAILED"}},
        {"too few contents entries and links",
         "## One\n\n[Two](#two)\n\n## Two\n\n![Big](big.png)\n",
         {fail, rules, manualFails, "MANUAL CHECKS FAILED"}},
        {"all well",
         smallManual("![Big](big.png)\n"),
         {QString(fail).replace("  FAIL ", "  ok   "), rules, manualPasses, "MANUAL CHECKS PASSED"}},
    };
    for (const Case& c : cases) {
        writeText(folder + "/MANUAL.md", c.markdown);
        EXPECT_EQ(selfTestLines(), c.lines) << c.what;
    }
}
