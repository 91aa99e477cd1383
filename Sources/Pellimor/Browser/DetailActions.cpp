#include "Browser/DetailActions.h"

#include "Browser/DetailFacts.h"
#include "Support/ByteCount.h"

namespace pellimor {

namespace {

const QString kOpenFolderTip = QStringLiteral("Open the folder that contains this library");

} // namespace

DetailActions DetailActions::of(const LibraryInfo& library, bool online) {
    DetailActions actions;
    actions.reveal = {QStringLiteral("Reveal in Finder"), QStringLiteral("folder"),
                      QStringLiteral("Show the library in Finder, highlighted inside its folder"), online};
    actions.openFolder = {QStringLiteral("Open Enclosing Folder"), QStringLiteral("folder.badge.gearshape"),
                          kOpenFolderTip, online};
    actions.openInFinalCut = {QStringLiteral("Open in Final Cut Pro"), QStringLiteral("play.rectangle"),
                              QStringLiteral("Open this library in Final Cut Pro"), online};
    actions.copyPath = {QStringLiteral("Copy Path"), QStringLiteral("doc.on.doc"),
                        QStringLiteral("Copy the library path to the clipboard"), true};
    actions.forget = {QStringLiteral("Forget from Catalog…"), QStringLiteral("trash"),
                      QStringLiteral("Forget from Catalog… — removes this row from the catalog only; the "
                                     "library on disk is not touched"),
                      true};
    const qint64 clearable = library.clearableSize();
    actions.cleanup = {QStringLiteral("Free Up Space… (") + ByteCount::file(clearable) + u')',
                       QStringLiteral("arrow.3.trianglepath"),
                       QStringLiteral("Remove proxy, optimized or render files that Final Cut can rebuild. "
                                      "Originals are never touched."),
                       online && clearable != 0};
    actions.folderLink = {DetailFacts::folder(library), QString(), kOpenFolderTip, online};
    const qint64 broken = library.brokenLinks();
    if (broken >= 1) {
        actions.missing = Control{
            QStringLiteral("Find Missing Files… (") + QString::number(broken) + u')',
            QStringLiteral("exclamationmark.triangle.fill"),
            QStringLiteral("This library links to ") + QString::number(broken) + QStringLiteral(" file") +
                (broken == 1 ? QString() : QStringLiteral("s")) +
                QStringLiteral(" that can't be found. Name them, look for them on your drives, and put "
                               "them back."),
            online};
    }
    return actions;
}

QString DetailActions::forgetQuestion(const QString& name) {
    return QStringLiteral("Forget “") + name + QStringLiteral("” from the catalog?");
}

QString DetailActions::forgetMessage() {
    return QStringLiteral(
        "The library file on disk is not changed or deleted. Only this app’s catalog entry is removed.");
}

QString DetailActions::forgetAnswer() {
    return QStringLiteral("Forget from Catalog");
}

} // namespace pellimor
