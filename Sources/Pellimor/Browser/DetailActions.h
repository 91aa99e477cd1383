#pragma once

#include "Catalogue/Records/LibraryInfo.h"

#include <QString>
#include <optional>

namespace pellimor {

// The controls of a library's details that act on it: what each says, which icon it shows,
// its hover tip and whether it can be used now. Everything that needs the library's files on
// disk waits for its drive (`online`); copying the path and forgetting the library need nothing
// on disk and are always there. Thread-safe.
struct DetailActions {
    struct Control {
        QString title;  // shown beside the icon where the row has room; the accessible name always
        QString symbol; // Icons name
        QString tip;
        bool enabled = false;
        bool operator==(const Control&) const = default;
    };

    Control reveal;
    Control openFolder;
    Control openInFinalCut;
    Control copyPath;   // an icon alone in both forms of the row
    Control forget;     // an icon alone in both forms of the row; asks first (forgetQuestion)
    Control cleanup;    // "Free Up Space… (size)": also needs something to clear
    Control folderLink; // the facts' "Folder" row: its title is the folder's path
    // "Find Missing Files… (n)": only for a library with broken links.
    std::optional<Control> missing;

    static DetailActions of(const LibraryInfo& library, bool online);

    // The question before forgetting: "Forget “NAME” from the catalog?", its message, and the
    // title of the answer that forgets.
    static QString forgetQuestion(const QString& name);
    static QString forgetMessage();
    static QString forgetAnswer();

    bool operator==(const DetailActions&) const = default;
};

} // namespace pellimor
