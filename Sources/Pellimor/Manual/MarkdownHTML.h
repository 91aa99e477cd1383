#pragma once

#include "Support/TextSpan.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>
#include <optional>

// The small Markdown the manual is written in, turned into one HTML page: headings of four
// levels, paragraphs, bold, inline code, links, pictures with captions, bullet and numbered
// lists, tables and rules, nothing more (no block quotes, nested lists, code blocks or italics;
// such lines are ordinary text). Written by hand so that every character of the page is ours
// to decide: the window, the self-test and the tests all see the same HTML.
//
// A link to "#id" becomes an in-manual link, "tovlin-manual://section/" and the id, which the
// manual window follows itself; a heading's id is slug() of its text.
//
// Laying the page out needs Qt Gui and lives beside this engine (Manual/Render/).
// Pure functions; safe from any thread.
namespace pellimor::MarkdownHTML {

// Where in-manual links point: this text and a heading's id.
inline constexpr char16_t sectionScheme[] = u"tovlin-manual://section/";

struct ContentsEntry {
    QString id;
    QString title;
    bool operator==(const ContentsEntry&) const = default;
};

struct Rendered {
    QString body;                    // the page's body: the output lines joined with "\n"
    QList<ContentsEntry> contents;   // every level-2 heading in document order, repeats kept
    QMap<QString, QString> headings; // every heading's id → its plain title (a later one wins)
};

// A letter, mark or digit of any script (a code point of Unicode's L, M or N categories): what
// a heading's id keeps, and what the manual search cuts questions between.
bool isAlphanumeric(char32_t c);

// A heading's id: "**" and "`" removed, lower case, then only letters, marks, digits, "-" and
// blanks kept (of every script), each blank a "-". Nothing is collapsed or trimmed, so a
// leading blank gives a leading "-". "What's New" gives "whats-new".
QString slug(const QString& heading);

// A heading's text without its "**" and "`" marks: what the reader sees of it.
QString plainTitle(const QString& heading);

// One line or several joined lines: "&", "<" and ">" escaped, then `code`, **bold** and
// [text](target) turned into HTML in that order, and links to "#id" made in-manual links.
// Quotes are not escaped; a single "*" stays as it is.
QString inlineHTML(const QString& text);

// The whole document: its body, contents and headings.
Rendered render(const QString& markdown);

// The complete page: the style sheet, at `scale` times the base font sizes and in the light or
// dark colours, around `body`.
QString page(const QString& body, double scale, bool dark);

// The heading id a link in laid-out text points at: for a text (or address) beginning with
// "tovlin-manual://section/", the rest with its percent escapes decoded; nothing for any other
// link, for a value that is neither text nor address, and for escapes that do not decode to
// UTF-8.
std::optional<QString> sectionID(const QVariant& link);

// Where a heading stands in the laid-out plain text (UTF-16 offsets, which are also a text
// document's positions): the title alone on the first line, or the first line that is exactly
// the title. Nothing when it stands on no line of its own.
std::optional<TextSpan> range(const QString& title, const QString& plainText);

} // namespace pellimor::MarkdownHTML
