#pragma once

#include "Manual/NameHider.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>

namespace pellimor {
class Catalog;
}

// The problem report: what the user wrote, facts about this computer and the catalogue, and
// the latest lines of the error log, with private names hidden from the log when chosen. The
// text is built here; the window shows it and sends it. Nothing leaves the computer until the
// user sends the e-mail.
//
// Main thread only (the catalogue's lists belong to it), except appVersion(), macModel() and
// selfTest(), which any thread may call.
namespace pellimor::ProblemReport {

// "Tovlin <short version> (<build>)"; the build may be empty ("Tovlin 1.2 ()").
// "Tovlin (not packaged)" when the program's information list has no short version text.
QString appVersion();

// "Tovlin <short version> (<build>)", or nothing when the program is not packaged: the manual
// window then says "this version of Tovlin".
std::optional<QString> packagedVersion();

// The hardware model; empty when the system does not say.
QString macModel();

// Where every report goes; the README names it too.
inline constexpr char16_t supportAddress[] = u"support@tovlin.app";

// How many of the newest error-log lines a report carries.
inline constexpr int logLines = 150;

// The first section: the heading, the note trimmed of white space and line breaks at both ends
// (inner line breaks stay) or "(nothing written)", and an empty line. Never hidden.
QString noteSection(const QString& note);

// One line of the facts section: label, ": ", value.
struct Fact {
    QString label;
    QString value;
    bool operator==(const Fact&) const = default;
};

// The five facts, read now: the program's version, the system's, the model, the installed
// Final Cut Pro version ("not installed") and the number of catalogued libraries.
QList<Fact> facts(const Catalog& catalog);

// The names a report hides, in this order: the user's login and full names, the computer's
// name and host name (when the system gives them), the last component of each mounted
// volume (hidden ones skipped), each library's drive and name in catalogue order, and the last
// component of each watched folder. Values come as they are; the hider cleans them.
QList<NameHider::Name> privateNames(const Catalog& catalog);

// Everything after the note: the facts, "Names hidden: yes|no", the error log's heading and
// `lines` joined with line feeds (or "(empty)"), passed through `hider` when there is one,
// and a final line feed. The facts are never hidden.
QString details(const QList<Fact>& facts, const QStringList& lines, NameHider* hider);

// The details as the window shows them: the facts now, the newest logLines lines of the
// error log and, when `hideNames`, a fresh hider over privateNames(catalog), so stand-ins
// number from 1 on every call.
QString details(const Catalog& catalog, bool hideNames);

// "Tovlin problem report (<version without "Tovlin ">)".
QString emailSubject();

// The one line the e-mail's body holds when the report waits on the clipboard.
QString clipboardNote();

// A "mailto:" link to the support address with the subject and clipboardNote() as its body;
// nothing when no valid link can be made of them.
std::optional<QUrl> mailLink(const QString& subject);

// Builds a hidden report from a sample error log written into a temporary folder (removed
// again; the user's error log is never touched) and checks that every private fragment is gone
// and every readable one stays; checks the log's size limit and order too. Prints
// "report test passed", or "report test failed:" with one indented line per failure. True when
// every check passed.
bool selfTest(const std::function<void(const QString&)>& print);

} // namespace pellimor::ProblemReport
