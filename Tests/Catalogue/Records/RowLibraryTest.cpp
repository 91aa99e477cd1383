// Which library a row identifier belongs to, when paths and names hold "|" themselves.

#include "Catalogue/Records/RowLibrary.h"

#include <gtest/gtest.h>

using namespace pellimor;
using RowLibrary::Remainder;

namespace {

// A library at `path` whose events hold the projects given: {event, {projects...}}.
LibraryInfo library(const QString& path, const QList<std::pair<QString, QStringList>>& events) {
    LibraryInfo info;
    info.path = path;
    for (const auto& [name, projects] : events) {
        EventInfo event;
        event.name = name;
        for (const QString& project : projects) {
            ProjectInfo p;
            p.name = project;
            event.projects.append(p);
        }
        info.events.append(event);
    }
    return info;
}

const char* formName(Remainder form) {
    switch (form) {
    case Remainder::anything:
        return "anything";
    case Remainder::eventName:
        return "event";
    case Remainder::eventAndProject:
        return "event|project";
    }
    return "?";
}

} // namespace

TEST(RowLibrary, aRowLeadsBackToItsOwnLibraryEvenWithBarsInNames) {
    const QString P = QStringLiteral("/Volumes/V/Plain.fcpbundle");
    // A path holding "|", with an event and a project whose names hold one too.
    const QString B = QStringLiteral("/Volumes/V/Ours|Theirs.fcpbundle");
    // "/Volumes/V/Odd" with an event "x|Ev" (and its project "Cut") against a library at
    // "/Volumes/V/Odd|x" with the events "Other" and "Ev|Cut": the row "/Volumes/V/Odd|x|Ev"
    // names the first library's event, though the second path is the longer fit.
    const QString odd = QStringLiteral("/Volumes/V/Odd");
    const QString oddX = QStringLiteral("/Volumes/V/Odd|x");
    const QList<LibraryInfo> libraries = {
        library(P, {{"Day 1", {"Cut"}}}),
        library(B, {{"Day|2", {"Cut|A"}}}),
        library(odd, {{"x|Ev", {"Cut"}}}),
        library(oddX, {{"Other", {}}, {"Ev|Cut", {}}}),
    };

    struct Case {
        QString id;
        Remainder form;
        std::optional<QString> library;
    };
    const QList<Case> cases = {
        {P + "|Day 1", Remainder::eventName, P},
        {P + "|Day 1|Cut", Remainder::eventAndProject, P},
        {P + "|Day 1|Cut", Remainder::anything, P},
        {P + "|gone event", Remainder::eventName, P}, // left over from an older catalogue
        {B + "|Day|2", Remainder::eventName, B},
        {B + "|Day|2|Cut|A", Remainder::eventAndProject, B},
        {B + "|Day|2", Remainder::anything, B},
        {B, Remainder::anything, B},
        {P, Remainder::eventName, P}, // the library's own row
        {"/Volumes/V/Ours", Remainder::eventName, std::nullopt},
        {"/Volumes/V/Plain", Remainder::anything,
         std::nullopt}, // a path must end where the id does or at "|"
        {"/Volumes/V/Odd|x|Ev", Remainder::eventName, odd},
        {"/Volumes/V/Odd|x|Other", Remainder::eventName, oddX},
        {"/Volumes/V/Odd|x", Remainder::anything, oddX},
        {"/Volumes/V/Odd|x|Ev", Remainder::anything, oddX},
        // One identifier, three answers: what the rest must name decides.
        {"/Volumes/V/Odd|x|Ev|Cut", Remainder::eventAndProject, odd},
        {"/Volumes/V/Odd|x|Ev|Cut", Remainder::eventName, oddX},
        {"/Volumes/V/Odd|x|Ev|Cut", Remainder::anything, oddX},
        {"/Volumes/V/Nothing.fcpbundle|Day", Remainder::eventName, std::nullopt},
        {"", Remainder::anything, std::nullopt},
    };
    for (const Case& c : cases) {
        const LibraryInfo* found = RowLibrary::find(libraries, c.id, c.form);
        EXPECT_EQ(found ? std::optional<QString>(found->path) : std::nullopt, c.library)
            << c.id.toStdString() << " as " << formName(c.form);
    }
    EXPECT_EQ(RowLibrary::find({}, P, Remainder::anything), nullptr);
}
