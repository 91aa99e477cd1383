#pragma once

#include "Manual/ManualAI.h"
#include "Manual/ManualDoc.h"
#include "Manual/ManualSearch.h"
#include "Support/TextSpan.h"

#include <QMap>
#include <QString>
#include <QUrl>
#include <optional>
#include <variant>

// What the manual window shows, decided without a window: the answer panel under the top bar,
// the enabled buttons, the version line, and when the page reloads, jumps and finds. The
// window's widgets (Manual/Views/) draw these values and do nothing of their own.
// Plain values and pure functions; safe from any thread.
namespace pellimor {

// The window's view state while it is open: the question field, the two counters that make the
// page jump and find, and the answer panel.
struct ManualPanel {
    enum class State {
        hidden,       // no question asked, or the panel closed
        noMatch,      // header and the no-match text
        sectionsOnly, // header, "Read:" and the section buttons
        thinking,     // header, the progress row, "From:" and the section buttons
        answer,       // header, the answer and its note, "From:" and the section buttons
        note,         // header, "Read:" and the section buttons, then the note
    };

    QString question;              // the field as typed; also what Find looks for, untrimmed
    int findTick = 0;              // raised once per Find
    QString jump;                  // the heading id to scroll to
    int jumpTick = 0;              // raised once per jump, so the same section scrolls twice
    QList<ManualSection> matches;  // best first, at most 4
    QString asked;                 // the last question asked, trimmed; the panel shows while set
    QString answer;                // the model's written answer
    bool thinking = false;         // an answer is being written
    bool checking = false;         // asking whether a model can answer (it may take a moment)
    std::optional<QString> aiNote; // why there is no written answer

    State state() const;

    // "Ask" and Return: a question of more than blanks, and no answer being written (or model
    // being asked about) already.
    bool canAsk() const;
    // "Find": anything typed at all, blanks included.
    bool canFind() const { return !question.isEmpty(); }

    // The label before the section buttons: "From:" beside a written answer, else "Read:".
    QString sourcesLabel() const;
    // The note line: shown only when there is a note and no answer or progress row.
    bool showsNote() const;

    // "Close": hides the panel. A running answer still finishes, out of sight, and "Ask" stays
    // disabled until it has.
    void close();
    void jumpTo(const QString& id);
    void find() { ++findTick; }

    // Steps of asking, in order. begin() takes the question as typed and the manual's text; it
    // answers whether a model should now be asked for (the window then asks modelReason() on a
    // worker and hands its answer to reasonKnown()).
    bool begin(const QString& manualText);
    // The model's reason for not answering, or nothing when it can: true when an answer is to be
    // written now (thinking is then on).
    bool reasonKnown(const std::optional<QString>& reason);
    // An answer arrived. True when it should be tried once more (the first was refused as
    // invented); thinking stays on until then.
    bool answered(const ManualAI::Answer& reply, bool secondAttempt);

    // What the panel's "Ask" needs from the question: trimmed of spaces and tabs only.
    static QString trimmed(const QString& question);
};

namespace ManualWindowText {

// The question field's placeholder and the two buttons' tips.
QString placeholder();
QString askTip();
QString findTip();

// "Writing an answer from the manual…", the note under a written answer, the no-match text, the
// section buttons' tip.
QString writing();
QString answerNote();
QString noMatch();
QString sectionTip();

// "Apple Intelligence did not produce an answer that could be trusted this time (DESCRIPTION).
// The sections above have the answer."
QString failure(const QString& description);

// The model's answer as Markdown of inline elements only, its line breaks kept: every line
// break a hard one, and whatever would open a block at a line's start (a heading, a list, a
// quote, a rule, indented code) escaped so it reads as written. Given to a Markdown reader with
// HTML off.
QString inlineMarkdown(const QString& answer);

// The panel's header: the question in typographic quotes.
QString quoted(const QString& asked);

// "For VERSION. The manual is part of the app, so it always matches this version.": the
// program's packaged version text, or "this version of Tovlin" when it is not packaged.
QString versionLine(const std::optional<QString>& packagedVersion);

// The page area's empty state when `doc`'s text is missing: "Manual not found" and
// "MANUAL.md is missing from the app." (or CHANGELOG.md).
QString missingTitle();
QString missingText(const ManualDoc& doc);

} // namespace ManualWindowText

// The window's document choice from the stored "manualDoc": the document shown (any value
// other than the two names shows the manual) and the switch's selected segment (-1, none, for
// such a value).
struct ManualShown {
    ManualDoc doc = ManualDoc::manual;
    int segment = 0;
    static ManualShown of(const QString& stored);
};

// What the page has last done, so it acts only on what changed: a new page is loaded only when
// its HTML differs, a jump or a find happens only when its counter moved. Both counters start
// at 0, as the window's do, so a window first shown neither jumps nor finds.
struct ManualPageState {
    QString html;
    int jumpTick = 0;
    int findTick = 0;
    QMap<QString, QString> headings;

    struct Inputs {
        QString html;
        QMap<QString, QString> headings;
        int jumpTick = 0;
        int findTick = 0;
    };
    struct Steps {
        bool reload = false; // load `html` and scroll to the top
        bool jump = false;   // then scroll to the jump's heading
        bool find = false;   // then find the next occurrence
    };
    // The steps for the inputs, in the order reload, jump, find (so a jump that comes with a new
    // page lands in it); records them as done.
    Steps update(const Inputs& inputs);
};

namespace ManualPage {

// The next occurrence of `needle` in `text` at or after `from`, letter case ignored; from the
// start when there is none after (so a single occurrence is found again). Nothing for an empty
// needle or one that does not occur.
std::optional<TextSpan> findNext(const QString& text, const QString& needle, qsizetype from);

// Where to scroll so that a heading whose top lies at `titleTop` in the page (the page's own top
// margin included) stands just below the top edge: 10 points above it, never above the page.
double jumpOffset(double titleTop);

// What a click on a link does, from the link as the page carries it (its letter case intact):
// a link into the manual jumps to that heading; exactly "http", "https" and "mailto" open
// outside the program; anything else does nothing.
struct Jump {
    QString id;
};
struct Open {
    QUrl url;
};
using LinkAction = std::variant<std::monostate, Jump, Open>;
LinkAction linkAction(const QString& href);

} // namespace ManualPage

} // namespace pellimor
