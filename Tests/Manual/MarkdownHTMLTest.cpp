#include "Manual/MarkdownHTML.h"

#include <QStringList>
#include <QUrl>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

QString body(const char* markdown) {
    return MarkdownHTML::render(QString::fromUtf8(markdown)).body;
}

} // namespace

TEST(MarkdownHTML, SlugKeepsLettersMarksDigitsAndHyphensOfEveryScript) {
    struct Case {
        QString heading;
        QString id;
    };
    const Case cases[] = {
        {QStringLiteral("Free up space"), QStringLiteral("free-up-space")},
        {QStringLiteral("What's New"), QStringLiteral("whats-new")},
        {QStringLiteral(" Leading blank"), QStringLiteral("-leading-blank")},
        {QStringLiteral("Two  blanks"), QStringLiteral("two--blanks")},
        {QStringLiteral("**Bold** `x` y"), QStringLiteral("bold-x-y")},
        {QStringLiteral("Drives, roles & ejecting (v2)"), QStringLiteral("drives-roles--ejecting-v2")},
        {QStringLiteral("Plug-ins\ttab"), QStringLiteral("plug-instab")},
        {QStringLiteral("Библиотеки и 東京"), QStringLiteral("библиотеки-и-東京")},
        {QStringLiteral("Cafe\u0301 menu"), QStringLiteral("cafe\u0301-menu")},
        {QStringLiteral("Arabic \u0661\u0662 digits"), QStringLiteral("arabic-\u0661\u0662-digits")},
        {QStringLiteral("Emoji \U0001F3AC clip"), QStringLiteral("emoji--clip")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MarkdownHTML::slug(c.heading), c.id) << c.heading.toStdString();
}

TEST(MarkdownHTML, InlineEscapesFirstThenCodeBoldAndLinks) {
    struct Case {
        const char* text;
        const char* html;
    };
    const Case cases[] = {
        {"a & b < c > d", "a &amp; b &lt; c &gt; d"},
        {"<b>not bold</b>", "&lt;b&gt;not bold&lt;/b&gt;"},
        {"`x < y` and **bold**", "<code>x &lt; y</code> and <b>bold</b>"},
        {"[Compare](#compare)", "<a href=\"tovlin-manual://section/compare\">Compare</a>"},
        {"[site](https://example.com/?a=1&b=2)", "<a href=\"https://example.com/?a=1&amp;b=2\">site</a>"},
        {"**unmatched and `open", "**unmatched and `open"},
        {"a * b and \"quotes\" 'kept'", "a * b and \"quotes\" 'kept'"},
        {"**`code` in bold**", "<b><code>code</code> in bold</b>"},
        {"[**bold link**](#x)", "<a href=\"tovlin-manual://section/x\"><b>bold link</b></a>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MarkdownHTML::inlineHTML(QString::fromUtf8(c.text)), QString::fromUtf8(c.html)) << c.text;
}

TEST(MarkdownHTML, TheSampleOfEveryRuleRendersLineByLine) {
    const MarkdownHTML::Rendered sample = MarkdownHTML::render(QStringLiteral(
        "# Title\n\nSome **bold** and `code` and a [link](#missing-files).\n\n## Missing files\n\n| A | B "
        "|\n|---|---|\n| 1 | **2** |\n\n- one\n- two\n\n1. first\n2. second\n\n---\n"));
    EXPECT_EQ(
        sample.body.split(u'\n'),
        (QStringList{
            "<h1 id=\"title\">Title</h1>",
            "<p>Some <b>bold</b> and <code>code</code> and a <a "
            "href=\"tovlin-manual://section/missing-files\">link</a>.</p>",
            "<h2 id=\"missing-files\">Missing files</h2>",
            "<table><thead><tr><th>A</th><th>B</th></tr></thead><tbody><tr><td>1</td><td><b>2</b></td></"
            "tr></tbody></table>",
            "<ul><li>one</li><li>two</li></ul>",
            "<ol><li>first</li><li>second</li></ol>",
            "<hr>",
        }));
    EXPECT_EQ(sample.contents, (QList<MarkdownHTML::ContentsEntry>{{"missing-files", "Missing files"}}));
    EXPECT_EQ(sample.headings,
              (QMap<QString, QString>{{"title", "Title"}, {"missing-files", "Missing files"}}));
}

TEST(MarkdownHTML, BlocksCloseWhenAnotherKindBegins) {
    struct Case {
        const char* what;
        const char* markdown;
        QStringList lines;
    };
    const Case cases[] = {
        {"paragraph then table row",
         "Text\n| a |",
         {"<p>Text</p>", "<table><thead><tr><th>a</th></tr></thead><tbody></tbody></table>"}},
        {"list item after a table",
         "| a |\n- item",
         {"<table><thead><tr><th>a</th></tr></thead><tbody></tbody></table>", "<ul><li>item</li></ul>"}},
        {"bullet after a numbered item", "1. one\n- two", {"<ol><li>one</li></ol>", "<ul><li>two</li></ul>"}},
        {"a numbered list from 3 counts from 1",
         "3. three\n4. four",
         {"<ol><li>three</li><li>four</li></ol>"}},
        {"paragraph lines join with a blank, trimmed", "  one\t\n two  ", {"<p>one two</p>"}},
        {"a paragraph after a list", "- a\nText", {"<ul><li>a</li></ul>", "<p>Text</p>"}},
        {"a table row after a list",
         "- a\n| b |",
         {"<ul><li>a</li></ul>", "<table><thead><tr><th>b</th></tr></thead><tbody></tbody></table>"}},
        {"a heading closes a paragraph", "Text\n## H", {"<p>Text</p>", "<h2 id=\"h\">H</h2>"}},
        {"the flush order is paragraph, list, table",
         "- a\n\nText\n---",
         {"<ul><li>a</li></ul>", "<p>Text</p>", "<hr>"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(body(c.markdown).split(u'\n'), c.lines) << c.what;
}

TEST(MarkdownHTML, MalformedDocumentsBecomeText) {
    struct Case {
        const char* what;
        const char* markdown;
        const char* body;
    };
    const Case cases[] = {
        {"blank lines only", "\n  \n\t\n", ""},
        {"six hashes make a level-4 heading", "###### Deep", "<h4 id=\"deep\">Deep</h4>"},
        {"a hash tag is text", "#hashtag text", "<p>#hashtag text</p>"},
        {"a lone hash is text", "#", "<p>#</p>"},
        {"two blanks after the hashes", "##  Spaced", "<h2 id=\"-spaced\"> Spaced</h2>"},
        {"a row of one empty cell stays", "||",
         "<table><thead><tr><th></th></tr></thead><tbody></tbody></table>"},
        {"an alignment row is dropped", "| a |\n| :--- | -: |\n| b |",
         "<table><thead><tr><th>a</th></tr></thead><tbody><tr><td>b</td></tr></tbody></table>"},
        {"a row without its last bar loses its last cell", "| a | b",
         "<table><thead><tr><th>a</th></tr></thead><tbody></tbody></table>"},
        {"a bar alone is no row", "|", ""},
        {"a picture line without its closing parenthesis", "![Caption](shot.png",
         "<p>![Caption](shot.png</p>"},
        {"a picture line without ](", "![Caption] shot.png)", "<p>![Caption] shot.png)</p>"},
        {"a picture", "![The **main** window](main & side.png)",
         "<p><img src=\"main &amp; side.png\" width=\"620\"></p><p class=\"caption\">The <b>main</b> "
         "window</p>"},
        {"a picture without a caption", "![](x.png)",
         "<p><img src=\"x.png\" width=\"620\"></p><p class=\"caption\"></p>"},
        {"unmatched marks stay", "**bold and `code", "<p>**bold and `code</p>"},
        {"three backticks are text", "```", "<p>```</p>"},
        {"an ampersand in a link target", "[a](https://x/?p=1&q=2)",
         "<p><a href=\"https://x/?p=1&amp;q=2\">a</a></p>"},
        {"a rule with a trailing blank is a rule", "--- ", "<hr>"},
        {"a quote line is text", "> quoted", "<p>&gt; quoted</p>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(body(c.markdown), QString::fromUtf8(c.body)) << c.what;
}

TEST(MarkdownHTML, ContentsAndHeadingsKeepTheirOwnRules) {
    const MarkdownHTML::Rendered none =
        MarkdownHTML::render(QStringLiteral("# Only a title\n\n### Deeper\n"));
    EXPECT_TRUE(none.contents.isEmpty()) << "no level-2 heading, no contents";
    EXPECT_EQ(none.headings.keys(), (QStringList{"deeper", "only-a-title"}));

    const MarkdownHTML::Rendered twice =
        MarkdownHTML::render(QStringLiteral("## Same\n\n### Other\n\n## Same\n"));
    EXPECT_EQ(twice.contents, (QList<MarkdownHTML::ContentsEntry>{{"same", "Same"}, {"same", "Same"}}));
    EXPECT_EQ(twice.body.count(QStringLiteral("<h2 id=\"same\">")), 2);

    const MarkdownHTML::Rendered later = MarkdownHTML::render(QStringLiteral("## Same id\n\n### Same-id\n"));
    EXPECT_EQ(later.headings, (QMap<QString, QString>{{"same-id", "Same-id"}}))
        << "one id, the later heading's title";
    EXPECT_EQ(later.body.count(QStringLiteral(" id=\"same-id\"")), 2);

    const MarkdownHTML::Rendered marked = MarkdownHTML::render(QStringLiteral("## The **Scan** `menu`\n"));
    EXPECT_EQ(marked.contents, (QList<MarkdownHTML::ContentsEntry>{{"the-scan-menu", "The Scan menu"}}));
    EXPECT_EQ(marked.body, "<h2 id=\"the-scan-menu\">The <b>Scan</b> <code>menu</code></h2>");
}

TEST(MarkdownHTML, ThePageIsTheStyleSheetAroundTheBody) {
    const QString light = MarkdownHTML::page(QStringLiteral("<p>x</p>"), 1.0, false);
    EXPECT_EQ(
        light,
        QStringLiteral(
            "<!doctype html><html><head><meta charset=\"utf-8\"><style>\n"
            "body { font: 13.0px -apple-system, \"Helvetica Neue\", sans-serif; color: #1d1d1f; line-height: "
            "1.45; }\n"
            "h1 { font-size: 22.0px; } h2 { font-size: 18.0px; margin-top: 26px; } h3 { font-size: 15.0px; "
            "margin-top: 18px; }\n"
            "h4 { font-size: 13.0px; }\n"
            "table { border-collapse: collapse; margin: 8px 0; }\n"
            "th, td { border: 1px solid #c9c9c9; padding: 5px 9px; text-align: left; vertical-align: top; }\n"
            "th { background-color: #efefef; }\n"
            "code { font-family: Menlo, monospace; font-size: 12.0px; background-color: #efefef; }\n"
            "hr { color: #c9c9c9; } a { color: #0a66d8; } li { margin: 3px 0; }\n"
            ".caption { font-size: 11.0px; color: #6e6e73; margin-top: 2px; }\n"
            "</style></head><body><p>x</p></body></html>"));

    const QString dark = MarkdownHTML::page(QString(), 1.0, true);
    for (const char* colour : {"color: #e6e6e6;", "border: 1px solid #555555;",
                               "th { background-color: #3a3a3a; }", "background-color: #3a3a3a; }\nhr",
                               "hr { color: #555555; }", "a { color: #4da3ff; }", "color: #a0a0a0;"})
        EXPECT_TRUE(dark.contains(QString::fromUtf8(colour))) << colour;
    EXPECT_FALSE(dark.contains(QStringLiteral("#1d1d1f")));

    const QString larger = MarkdownHTML::page(QString(), 1.3, false);
    for (const char* size :
         {"font: 16.900000000000002px", "h1 { font-size: 28.6px;", "h2 { font-size: 23.400000000000002px;",
          "h3 { font-size: 19.5px;", "h4 { font-size: 16.900000000000002px;",
          "font-size: 15.600000000000001px; background", ".caption { font-size: 14.3px;"})
        EXPECT_TRUE(larger.contains(QString::fromUtf8(size))) << size;
    EXPECT_TRUE(larger.contains(QStringLiteral("margin-top: 26px; } h3"))) << "fixed lengths do not scale";
}

TEST(MarkdownHTML, SectionLinksAndHeadingPlaces) {
    struct Link {
        QVariant value;
        std::optional<QString> id;
    };
    const Link links[] = {
        {QStringLiteral("tovlin-manual://section/free-up-space"), QStringLiteral("free-up-space")},
        {QStringLiteral("tovlin-manual://section/free%20up"), QStringLiteral("free up")},
        {QUrl(QStringLiteral("tovlin-manual://section/free%20up")), QStringLiteral("free up")},
        {QStringLiteral("tovlin-manual://section/caf%C3%A9"), QStringLiteral("café")},
        {QStringLiteral("tovlin-manual://section/bad%zz"), std::nullopt},
        {QStringLiteral("tovlin-manual://section/%FF"), std::nullopt},
        {QStringLiteral("https://x"), std::nullopt},
        {QUrl(QStringLiteral("https://x")), std::nullopt},
        {QVariant(42), std::nullopt},
        {QVariant(), std::nullopt},
    };
    for (const Link& link : links)
        EXPECT_EQ(MarkdownHTML::sectionID(link.value), link.id) << link.value.toString().toStdString();

    const QString text = QStringLiteral("Compare\nThe Compare tab\nCompare\nPlug-ins");
    EXPECT_EQ(MarkdownHTML::range(QStringLiteral("Compare"), text), (TextSpan{0, 7})) << "on the first line";
    EXPECT_EQ(MarkdownHTML::range(QStringLiteral("The Compare tab"), text), (TextSpan{8, 15}))
        << "one past the line break";
    EXPECT_EQ(MarkdownHTML::range(QStringLiteral("Compare tab"), text), std::nullopt) << "part of a line";
    EXPECT_EQ(MarkdownHTML::range(QStringLiteral("Plug-ins"), text), std::nullopt)
        << "the last line has no line break after it";
}
