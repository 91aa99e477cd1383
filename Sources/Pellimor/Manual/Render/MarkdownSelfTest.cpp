#include "Manual/ManualDoc.h"
#include "Manual/MarkdownHTML.h"
#include "Manual/Render/MarkdownLayout.h"
#include "Support/QuotedList.h"

#include <QSet>
#include <QTextDocument>

namespace pellimor::MarkdownHTML {

namespace {

using Print = std::function<void(const QString&)>;

// Every text that follows `marker` in `html`, up to the next double quote.
QStringList quotedAfter(const QString& html, const QString& marker) {
    QStringList found;
    for (qsizetype at = html.indexOf(marker); at >= 0; at = html.indexOf(marker, at + marker.size())) {
        const qsizetype start = at + marker.size();
        const qsizetype end = html.indexOf(u'"', start);
        if (end < 0)
            break;
        found.append(html.mid(start, end - start));
    }
    return found;
}

QString sectionLinkMarker() {
    return QStringLiteral("href=\"") + QString::fromUtf16(sectionScheme);
}

// Every block rule on a small sample.
bool markdownRules() {
    const Rendered sample = render(
        QStringLiteral("# Title\n\nSome **bold** and `code` and a [link](#missing-files).\n\n## Missing "
                       "files\n\n| A | B |\n|---|---|\n| 1 | **2** |\n\n- one\n- two\n\n1. first\n2. "
                       "second\n\n---\n"));
    const QStringList wanted = {
        QStringLiteral("<h1 id=\"title\">Title</h1>"),
        QStringLiteral("<b>bold</b>"),
        QStringLiteral("<code>code</code>"),
        QStringLiteral("<a href=\"tovlin-manual://section/missing-files\">link</a>"),
        QStringLiteral("<h2 id=\"missing-files\">"),
        QStringLiteral("<th>A</th>"),
        QStringLiteral("<td><b>2</b></td>"),
        QStringLiteral("<ul><li>one</li><li>two</li></ul>"),
        QStringLiteral("<ol><li>first</li><li>second</li></ol>"),
        QStringLiteral("<hr>"),
    };
    for (const QString& piece : wanted) {
        if (!sample.body.contains(piece))
            return false;
    }
    return !sample.body.contains(QLatin1String("---")) && sample.contents.size() == 1 &&
           sample.contents.first().id == QLatin1String("missing-files");
}

// The real manual's in-manual links all name a heading, and it has contents enough to find
// one's way.
bool realManual(const Rendered& manual, const Print& print) {
    const QSet<QString> ids = [&] {
        const QStringList list = quotedAfter(manual.body, QStringLiteral(" id=\""));
        return QSet<QString>(list.begin(), list.end());
    }();
    QStringList broken;
    for (const QString& link : quotedAfter(manual.body, sectionLinkMarker())) {
        if (!ids.contains(link))
            broken.append(link);
    }
    if (!broken.isEmpty()) {
        print(QStringLiteral("  broken manual links: ") + quotedList(broken));
        return false;
    }
    return manual.contents.size() > 10;
}

// The real manual as the window lays it out.
bool laidOutManual(const QString& markdown, const Rendered& manual, const Print& print) {
    const std::unique_ptr<QTextDocument> document =
        styled(page(manual.body, 1.0, false), ManualDoc::manual.baseURL());
    const LaidOut shown = inspect(document.get());

    QStringList unreachable;
    for (const QString& title : manual.headings) {
        if (!range(title, shown.plainText))
            unreachable.append(title);
    }
    int clickable = 0;
    QStringList dead;
    for (const QString& link : shown.links) {
        const std::optional<QString> id = sectionID(link);
        if (!id)
            continue;
        ++clickable;
        if (!manual.headings.contains(*id))
            dead.append(*id);
    }
    const qsizetype written = quotedAfter(manual.body, sectionLinkMarker()).size();
    if (clickable != written || !dead.isEmpty()) {
        print(
            QStringLiteral("  section links: %1 written, %2 clickable, dead: ").arg(written).arg(clickable) +
            quotedList(dead));
    }
    qsizetype pictureLines = 0;
    for (const QString& line : markdown.split(u'\n')) {
        if (line.startsWith(QLatin1String("![")))
            ++pictureLines;
    }
    if (!unreachable.isEmpty())
        print(QStringLiteral("  headings that can't be scrolled to: ") + quotedList(unreachable));
    if (shown.picturesShown != pictureLines)
        print(QStringLiteral("  pictures shown: %1 of %2").arg(shown.picturesShown).arg(pictureLines));
    return unreachable.isEmpty() && shown.picturesShown == pictureLines && pictureLines > 0 && written > 10 &&
           clickable == written && dead.isEmpty();
}

QString mark(bool passed) {
    return passed ? QStringLiteral("  ok   ") : QStringLiteral("  FAIL ");
}

} // namespace

bool selfTest(const Print& print) {
    const bool rules = markdownRules();
    bool manual = false;
    bool laidOut = false;
    if (const std::optional<QString> markdown = ManualDoc::manual.text()) {
        const Rendered rendered = render(*markdown);
        manual = realManual(rendered, print);
        laidOut = laidOutManual(*markdown, rendered, print);
    }
    print(mark(laidOut) +
          QStringLiteral(" in the laid-out page every heading can be scrolled to, every picture "
                         "is shown and every section link can be clicked"));
    print(mark(rules) + QStringLiteral(" markdown is turned into headings, tables, lists and links"));
    print(mark(manual) +
          QStringLiteral(" the real manual renders and every link inside it points at a heading"));
    const bool passed = laidOut && rules && manual;
    print(passed ? QStringLiteral("MANUAL CHECKS PASSED") : QStringLiteral("MANUAL CHECKS FAILED"));
    return passed;
}

} // namespace pellimor::MarkdownHTML
