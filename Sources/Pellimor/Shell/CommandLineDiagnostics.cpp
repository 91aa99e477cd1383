// The diagnostics behind the command-line switches. They print what they find and exit 0
// even when what they report is bad; only the self-tests report failure through the status.

#include "Catalogue/Reader/LibraryReader.h"
#include "Catalogue/Records/LibraryInfo.h"
#include "Catalogue/Records/MediaEntry.h"
#include "Catalogue/Records/PendingDir.h"
#include "Catalogue/Records/PluginUse.h"
#include "Catalogue/Records/RecordJson.h"
#include "FreeUpSpace/Cleanup.h"
#include "Shell/CommandLine.h"
#include "Support/ByteCount.h"
#include "Support/PathText.h"
#include "Support/ShortestDouble.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellimor::CommandLine {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Every error these diagnostics print is the system's own description of errno.
QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Reads the whole file into memory, mapped when the system allows it, and says why not when
// it cannot. Nothing of the bytes is kept: only whether they could be had matters here.
std::optional<QString> readWhole(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return systemError(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return systemError(error);
    }
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        const size_t length = static_cast<size_t>(st.st_size);
        void* mapped = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapped != MAP_FAILED) {
            ::munmap(mapped, length);
            ::close(fd);
            return std::nullopt;
        }
    }
    // Not mappable (empty, a pipe, a file system without mapping): read it through.
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            return systemError(error);
        }
    }
    ::close(fd);
    return std::nullopt;
}

QString pluginNames(const std::optional<QList<PluginUse>>& uses) {
    QStringList names;
    for (const PluginUse& use : uses.value_or(QList<PluginUse>{}))
        names.append(use.name);
    return names.join(QStringLiteral(", "));
}

} // namespace

std::optional<QString> unreadableLibrary(const QString& library) {
    // As a scan tells a library from what is none. A library whose files are there but do not
    // open is read around them.
    if (LibraryReader::libraryEvidence(library) != LibraryReader::LibraryEvidence::none)
        return std::nullopt;
    return QStringLiteral("Can't read the library at ") + library + u'.';
}

int check(const QStringList& args, const Print& print) {
    const QString library = pathArgument(args.at(2));
    const QString database = QDir(library).filePath(QStringLiteral("CurrentVersion.flexolibrary"));

    print(QStringLiteral("isReadableFile: ") + flag(QFileInfo(database).isReadable()));

    // The item itself, as a file manager reads attributes: a link is not followed.
    struct stat st {};
    if (::lstat(QFile::encodeName(database).constData(), &st) == 0)
        print(QStringLiteral("attributesOfItem: ok"));
    else
        print(QStringLiteral("attributesOfItem error: ") + systemError(errno));

    if (const std::optional<QString> error = readWhole(database))
        print(QStringLiteral("read error: ") + *error);
    else
        print(QStringLiteral("read: ok"));

    print(QStringLiteral("isReadable: ") + flag(LibraryReader::isReadable(library)));
    return 0;
}

int cleanupPlan(const QStringList& args, const Print& print) {
    const QString library = pathArgument(args.at(2));
    QStringList events;
    for (const QString& event : LibraryReader::eventFolders(library))
        events.append(PathText::lastComponent(event));
    const CleanupPlan plan = Cleanup::plan(
        library, events, {GeneratedKind::proxy, GeneratedKind::optimized, GeneratedKind::render},
        /*checkFCP=*/false);
    for (const CleanupTarget& target : plan.targets) {
        // The target's place below its event, or the whole path when the event is not in it.
        const QString marker = u'/' + target.event + u'/';
        const qsizetype at = target.url.lastIndexOf(marker);
        const QString rest = at < 0 ? target.url : target.url.mid(at + marker.size());
        print(QStringLiteral("would remove  ") + rawValue(target.kind) + QStringLiteral("  ") +
              ByteCount::file(target.bytes) + QStringLiteral("  ") + target.event + u'/' + rest);
    }
    for (const QString& blocker : plan.blockers)
        print(QStringLiteral("kept: ") + blocker);
    print(QString::number(plan.targets.size()) + QStringLiteral(" items, ") +
          ByteCount::file(plan.totalBytes()));
    return 0;
}

int missingFiles(const QStringList& args, const Print& print) {
    const QString library = pathArgument(args.at(2));
    // "Nothing missing." would pass a library that is not there for one without a fault.
    if (const std::optional<QString> unreadable = unreadableLibrary(library)) {
        print(*unreadable);
        return 0;
    }
    const QString name = PathText::withoutExtension(PathText::lastComponent(library));
    // The report ends with its own line break; the printed line adds one more.
    const std::optional<QString> report = Cleanup::missingOriginalsReport(library, name);
    print(report.value_or(QStringLiteral("Nothing missing.")));
    return 0;
}

int plugins(const QStringList& args, const Print& print) {
    const QString library = pathArgument(args.at(2));
    if (const std::optional<QString> unreadable = unreadableLibrary(library)) {
        print(*unreadable);
        return 0;
    }
    QList<MediaEntry> media;
    const LibraryInfo info = LibraryReader::read(library, QString(LibraryInfo::invalidatedSignature), media);
    for (const EventInfo& event : info.events) {
        print(event.name + QStringLiteral(" / clips in the event: ") + pluginNames(event.plugins));
        for (const ProjectInfo& project : event.projects)
            print(event.name + QStringLiteral(" / ") + project.name + QStringLiteral(": ") +
                  pluginNames(project.plugins));
    }
    return 0;
}

int selfTestSearch(const QStringList&, const Print&) {
    // The self-test prints its own check lines.
    return LibraryReader::selfTestShareTags() ? 0 : 1;
}

int discover(const QStringList& args, const Print& print) {
    const Clock::time_point start = Clock::now();
    std::optional<qint64> maxDepth;
    if (args.size() > 3)
        maxDepth = wholeNumber(args.at(3));

    QList<PendingDir> pending{PendingDir{pathArgument(args.at(2)), 0}};
    QStringList found;

    const LibraryReader::DiscoveryCheckpoint checkpoint = [&](const QList<PendingDir>& stack,
                                                              const QStringList& libraries) {
        print(QString::asprintf("%.0fs checkpoint pending=%d found=%d", secondsSince(start),
                                static_cast<int>(stack.size()), static_cast<int>(libraries.size())));
    };
    // A walk over a large drive lists thousands of folders a second; one line every few
    // seconds shows where it is without flooding the terminal.
    Clock::time_point lastShown = start;
    const LibraryReader::DiscoveryProgress progress = [&](const QString& folder) {
        const Clock::time_point now = Clock::now();
        if (now - lastShown <= std::chrono::seconds(3))
            return;
        lastShown = now;
        print(QStringLiteral("  in: ") + folder);
    };

    const bool finished = LibraryReader::discover(pending, found, maxDepth, /*skipSafetyNet=*/false,
                                                  /*skipFCPBackups=*/true, checkpoint, progress);
    print(QStringLiteral("finished ") + flag(finished));
    print(QStringLiteral("found ") + QString::number(found.size()));
    print(QStringLiteral("seconds ") + shortestDouble(secondsSince(start)));
    return 0;
}

int dump(const QStringList& args, const Print& print) {
    const Clock::time_point start = Clock::now();
    const QString library = pathArgument(args.at(2));
    QList<MediaEntry> media;
    // The record of an empty library would pass for what a read found; the lines after it keep
    // their place either way.
    if (const std::optional<QString> unreadable = unreadableLibrary(library)) {
        print(*unreadable);
    } else {
        const QString signature = LibraryReader::signature(library);
        const LibraryInfo info = LibraryReader::read(library, signature, media);
        // QJsonObject keeps its keys sorted at every level, so the document comes out sorted.
        const Result<QJsonObject> json = info.toJson(RecordJson::DateForm::Since2001);
        if (json.ok()) {
            QByteArray text = QJsonDocument(json.value()).toJson(QJsonDocument::Indented);
            if (text.endsWith('\n'))
                text.chop(1);
            print(QString::fromUtf8(text));
        }
    }
    print(QStringLiteral("media entries: ") + QString::number(media.size()));
    print(QStringLiteral("seconds: ") + shortestDouble(secondsSince(start)));
    return 0;
}

} // namespace pellimor::CommandLine
