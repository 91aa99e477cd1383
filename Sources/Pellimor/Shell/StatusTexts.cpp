#include "Shell/StatusTexts.h"

#include "Browser/SearchQuery.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Support/ByteCount.h"
#include "Support/ByteSum.h"

#include <algorithm>

namespace pellimor::StatusTexts {

namespace {

// Text only: a number or a list under the key is a damaged information list, not a version.
std::optional<QString> textAt(const QVariantMap& info, const QString& key) {
    const auto found = info.constFind(key);
    if (found == info.constEnd() || found->typeId() != QMetaType::QString)
        return std::nullopt;
    return found->toString();
}

} // namespace

QString versionLabel(const QVariantMap& info) {
    const std::optional<QString> shortVersion = textAt(info, QStringLiteral("CFBundleShortVersionString"));
    const std::optional<QString> build = textAt(info, QStringLiteral("CFBundleVersion"));
    if (!shortVersion || !build)
        return {};
    return u'v' + *shortVersion + QStringLiteral(" (") + *build + u')';
}

QString versionLabel() {
    const std::shared_ptr<platform::MainBundle> bundle = platform::services().bundle;
    return bundle ? versionLabel(bundle->infoDictionary()) : QString();
}

QString versionTip() {
    return QStringLiteral("Version and build of this copy of Tovlin");
}

QString progressText(std::optional<qint64> done, std::optional<qint64> total) {
    if (!done || !total || *total <= 0)
        return {};
    return QString::number(*done) + u'/' + QString::number(*total) + QStringLiteral(" libraries");
}

bool showsPausedControls(bool hasPausedJob, bool scanning) {
    return hasPausedJob && !scanning;
}

QString resumeTip(const ScanJob& job) {
    if (job.roots.isEmpty())
        return QStringLiteral("Carry on the interrupted scan");
    const qint64 index = std::clamp<qint64>(job.rootIndex, 0, job.roots.size() - 1);
    return QStringLiteral("Carry on the interrupted scan of ") + job.roots.at(index);
}

QString discardTip() {
    return QStringLiteral("Forget the interrupted scan (libraries already found stay in the catalog)");
}

QString summary(const QList<LibraryInfo>& visible, const Catalog& catalog, bool hideBackups) {
    qint64 projects = 0;
    qint64 bytes = 0;
    for (const LibraryInfo& library : visible) {
        projects = ByteSum::saturatingAdd(projects, library.projectCount());
        bytes = ByteSum::saturatingAdd(bytes, library.totalSize());
    }
    QString text = QString::number(visible.size()) + QStringLiteral(" libraries · ") +
                   QString::number(projects) + QStringLiteral(" projects · ") + ByteCount::file(bytes);
    if (hideBackups) {
        const QList<LibraryInfo> comparable = catalog.comparableLibraries();
        const auto hidden =
            std::count_if(comparable.cbegin(), comparable.cend(),
                          [&](const LibraryInfo& library) { return catalog.isBackupDrive(library); });
        if (hidden > 0)
            text +=
                QStringLiteral(" · ") + QString::number(hidden) + QStringLiteral(" on backup drives hidden");
    }
    return text;
}

QString emptyExplanation() {
    return QStringLiteral(
        "Pick the folder(s) where your libraries live and I'll find them, and re-check them "
        "automatically.\nThe results stay searchable after you unplug the drive.");
}

QString filteredExplanation(bool searching) {
    return searching ? QStringLiteral("Try fewer words, or open the magnifying glass and turn on All fields.")
                     : QStringLiteral("The sidebar filter hides everything. Show Everything to clear it.");
}

QString filteredSymbol(bool searching) {
    return searching ? QStringLiteral("magnifyingglass")
                     : QStringLiteral("line.3.horizontal.decrease.circle");
}

bool searching(const QString& appliedSearch) {
    return SearchQuery(appliedSearch).isActive();
}

} // namespace pellimor::StatusTexts
