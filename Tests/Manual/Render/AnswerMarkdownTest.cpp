// The model's answer as the answer panel's Markdown reader shows it: its lines as written, its
// inline marks applied.

#include "Manual/ManualWindowState.h"
#include "Tests/Support/QtPrinters.h"

#include <QFont>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace pellimor;

namespace {

// Read as the answer panel reads it.
void read(QTextDocument& document, const QString& answer) {
    document.setMarkdown(ManualWindowText::inlineMarkdown(answer),
                         QTextDocument::MarkdownFeatures(QTextDocument::MarkdownDialectCommonMark |
                                                         QTextDocument::MarkdownNoHTML));
}

} // namespace

TEST(AnswerMarkdown, EveryLineShowsAsWritten) {
    struct Case {
        const char* what;
        QString answer;
        QString shown; // the reader's plain text (unbreakable spaces read as spaces)
    };
    const Case cases[] = {
        {"line breaks kept", "one\ntwo", "one\ntwo"},
        {"an empty line kept", "one\n\ntwo", "one\n\ntwo"},
        {"block marks at lines' starts",
         "# Title\n- item\n1. step\n2) step\n> quote\n---\n```\n| a | b |\nend",
         "# Title\n- item\n1. step\n2) step\n> quote\n---\n```\n| a | b |\nend"},
        {"a dash under a line", "Title\n-", "Title\n-"},
        {"an equals sign under a line", "Title\n=", "Title\n="},
        {"stars under a line", "Title\n***", "Title\n***"},
        {"a list mark alone", "*\n-\n+", "*\n-\n+"},
        {"a first line like a link's definition", "[1]: https://example.com\ntext",
         "[1]: https://example.com\ntext"},
        {"a later line like a link's definition", "text\n[1]: https://example.com",
         "text\n[1]: https://example.com"},
        {"a link at the start", "[Tovlin](https://example.com): the app", "Tovlin: the app"},
        {"a line ending in its own backslash still breaks", "one\\\ntwo", "one\ntwo"},
        {"leading spaces kept", "  two spaces\n    four", "  two spaces\n    four"},
        {"HTML shown as text", "a <b>bold</b> word", "a <b>bold</b> word"},
        {"inline marks read", "Use `Scan` *now*", "Use Scan now"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTextDocument document;
        read(document, c.answer);
        EXPECT_EQ(document.toPlainText(), c.shown);
    }
}

TEST(AnswerMarkdown, BoldAtTheStartStaysBold) {
    QTextDocument document;
    read(document, QStringLiteral("**bold** at the start\n**Scan** again"));
    ASSERT_EQ(document.toPlainText(), "bold at the start\nScan again");
    const auto weightAt = [&](int position) {
        QTextCursor cursor(&document);
        cursor.setPosition(position);
        return cursor.charFormat().fontWeight();
    };
    EXPECT_EQ(weightAt(2), QFont::Bold);
    EXPECT_NE(weightAt(8), QFont::Bold);
    EXPECT_EQ(weightAt(20), QFont::Bold);
    EXPECT_NE(weightAt(25), QFont::Bold);
}
