#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace pellimor {

// One searchable part of the manual: the text under a level-2 or level-3 heading, up to the
// next such heading.
struct ManualSection {
    QString id;    // MarkdownHTML::slug() of its heading: the id of that heading in the page
    QString title; // the heading's text; a level-3 one under a level-2 one of another text
                   // reads "Level 2 — Level 3"
    QString text;  // its lines, trimmed at both ends; picture and "---" lines left out
    bool operator==(const ManualSection&) const = default;
};

// Finding the parts of the manual that answer a question in plain words: the manual cut into
// sections, and a keyword score that ranks them. Nothing is indexed or kept between questions.
// Pure functions; safe from any thread.
namespace ManualSearch {

// The sections in document order. Only lines that begin "## " or "### " at their very start
// open one; text before the first, and a heading followed directly by another, make none.
QList<ManualSection> sections(const QString& markdown);

// The question's search keys, in order, repeats kept: lower case, cut at every character
// that is not a letter, mark or digit, words of at least 3 characters that are no filler
// word ("the", "how", "tovlin", ...), each cut to its first 6 characters.
QStringList keys(const QString& question);

// How well `section` matches `keys`: per key 8 for each time it occurs in the title plus its
// occurrences in the text up to 6, summed, times the number of keys that occur at all.
int score(const ManualSection& section, const QStringList& keys);

// The best `limit` sections for the question, best first, equal scores in manual order; only
// sections that score. A question without keys gives the first `limit` sections whose title
// begins "What Tovlin does". A limit of 0 (or less) gives none.
QList<ManualSection> best(const QString& question, const QList<ManualSection>& sections, qsizetype limit);

// Asks the real manual six questions and checks that each finds its section among the first
// three, and that the manual has more than 25 sections. Prints one line per question and a
// verdict ("  FAIL  manual not found" alone when there is no manual). True when all passed.
bool selfTest(const std::function<void(const QString&)>& print);

} // namespace ManualSearch

} // namespace pellimor
