#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class QTextDocument;

// The manual's page laid out as styled text, with its pictures, and what the laid-out text
// holds. Needs a QGuiApplication; main thread only.
namespace pellimor::MarkdownHTML {

// The page (MarkdownHTML::page) as a text document whose picture names resolve against
// `baseURL` ("qrc:" and "file:" folders both). Null when there is no QGuiApplication to lay
// text out with.
// The style sheet's font sizes are read as points, as the rest of the program's text is sized.
std::unique_ptr<QTextDocument> styled(const QString& html, const std::optional<QUrl>& baseURL);

// What a laid-out page shows.
struct LaidOut {
    QString plainText;     // the document's plain text; its UTF-16 offsets are the positions
    QStringList links;     // each link as the text carries it, in order, one per run of characters
    int picturesShown = 0; // pictures whose image loaded from a file or resource over 10000 bytes
};

// What `document` shows; everything empty for none.
LaidOut inspect(const QTextDocument* document);

// The manual's three checks, run in the order A (the Markdown rules on a sample), B (the real
// manual renders and its in-manual links name headings) and C (in the laid-out real manual
// every heading can be scrolled to, every picture is shown and every section link can be
// clicked), each problem on a line of its own, then one line per check in the order C, A, B
// and "MANUAL CHECKS PASSED" or "MANUAL CHECKS FAILED". True when all three passed. Needs a
// QGuiApplication for check C.
bool selfTest(const std::function<void(const QString&)>& print);

} // namespace pellimor::MarkdownHTML
