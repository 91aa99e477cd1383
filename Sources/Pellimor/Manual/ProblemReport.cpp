#include "Manual/ProblemReport.h"

#include "Catalogue/Logs/ErrorLog.h"
#include "Catalogue/Store/Catalog.h"
#include "Platform/MachineFacts.h"
#include "Platform/Services.h"
#include "Platform/VolumeFacts.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace pellimor::ProblemReport {

namespace {

// A path's last component as the file manager names it: "/" for the root folder.
QString lastComponent(const QString& path) {
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(u'/'))
        trimmed.chop(1);
    if (trimmed == u"/")
        return trimmed;
    return trimmed.mid(trimmed.lastIndexOf(u'/') + 1);
}

QString excerpt(const QStringList& lines) {
    return lines.isEmpty() ? QStringLiteral("(empty)") : lines.join(u'\n');
}

} // namespace

std::optional<QString> packagedVersion() {
    const QVariantMap info = platform::services().bundle->infoDictionary();
    const QVariant shortVersion = info.value(QStringLiteral("CFBundleShortVersionString"));
    if (shortVersion.typeId() != QMetaType::QString)
        return std::nullopt;
    const QVariant build = info.value(QStringLiteral("CFBundleVersion"));
    const QString buildText = build.typeId() == QMetaType::QString ? build.toString() : QString();
    return QStringLiteral("Tovlin ") + shortVersion.toString() + QStringLiteral(" (") + buildText +
           QStringLiteral(")");
}

QString appVersion() {
    return packagedVersion().value_or(QStringLiteral("Tovlin (not packaged)"));
}

QString macModel() {
    const std::shared_ptr<platform::MachineFacts> machine = platform::services().machine;
    return machine ? machine->model() : QString();
}

QString noteSection(const QString& note) {
    const QString trimmed = note.trimmed();
    return QStringLiteral("What happened\n-------------\n") +
           (trimmed.isEmpty() ? QStringLiteral("(nothing written)") : trimmed) + QStringLiteral("\n\n");
}

QList<Fact> facts(const Catalog& catalog) {
    const std::shared_ptr<platform::MachineFacts> machine = platform::services().machine;
    const std::optional<QString>& finalCut = catalog.installedFCP();
    return {
        {QStringLiteral("App"), appVersion()},
        {QStringLiteral("macOS"), machine ? machine->systemVersion() : QString()},
        {QStringLiteral("Mac"), macModel()},
        {QStringLiteral("Final Cut Pro"), finalCut ? *finalCut : QStringLiteral("not installed")},
        {QStringLiteral("Libraries in the catalogue"), QString::number(catalog.libraries().size())},
    };
}

QList<NameHider::Name> privateNames(const Catalog& catalog) {
    const platform::Services services = platform::services();
    QList<NameHider::Name> names;
    const auto add = [&names](const char* kind, const QString& value) {
        names.append({QString::fromLatin1(kind), value});
    };
    if (services.machine) {
        add("user", services.machine->loginName());
        add("user", services.machine->fullName());
        if (const std::optional<QString> computer = services.machine->computerName())
            add("mac", *computer);
        if (const std::optional<QString> host = services.machine->hostName())
            add("mac", *host);
    }
    if (services.volumes) {
        const QStringList mounted = QStringList{QStringLiteral("/")} + services.volumes->mountedVolumes();
        for (const QString& volume : mounted) {
            const QString name = lastComponent(volume);
            if (name.startsWith(u'.'))
                continue; // hidden from the user, so never shown anywhere either
            add("drive", name);
        }
    }
    for (const LibraryInfo& library : catalog.libraries()) {
        add("drive", library.volumeName);
        add("library", library.name);
    }
    for (const ScanRoot& root : catalog.roots())
        add("folder", lastComponent(root.path));
    return names;
}

QString details(const QList<Fact>& facts, const QStringList& lines, NameHider* hider) {
    QString text = QStringLiteral("About this Mac and Tovlin\n-------------------------\n");
    for (const Fact& fact : facts)
        text += fact.label + QStringLiteral(": ") + fact.value + u'\n';
    text += hider ? QStringLiteral("Names hidden: yes\n") : QStringLiteral("Names hidden: no\n");
    text += QStringLiteral("\nTovlin's error log (newest last)\n--------------------------------\n");
    const QString log = excerpt(lines);
    text += hider ? hider->hide(log) : log;
    text += u'\n';
    return text;
}

QString details(const Catalog& catalog, bool hideNames) {
    const QList<Fact> now = facts(catalog);
    const QStringList lines = ErrorLog::recent(logLines, ErrorLog::url());
    if (!hideNames)
        return details(now, lines, nullptr);
    NameHider hider(privateNames(catalog));
    return details(now, lines, &hider);
}

QString emailSubject() {
    QString version = appVersion();
    version.remove(QStringLiteral("Tovlin "));
    return QStringLiteral("Tovlin problem report (") + version + u')';
}

QString clipboardNote() {
    return QStringLiteral("(The report is on the clipboard: paste it here with Command-V.)");
}

std::optional<QUrl> mailLink(const QString& subject) {
    QUrl link;
    link.setScheme(QStringLiteral("mailto"));
    link.setPath(QString::fromUtf16(supportAddress));
    // Encoded in full, so a "+", "&" or "=" in either text cannot change what the mail program
    // reads.
    link.setQuery(QStringLiteral("subject=") + QString::fromLatin1(QUrl::toPercentEncoding(subject)) +
                      QStringLiteral("&body=") +
                      QString::fromLatin1(QUrl::toPercentEncoding(clipboardNote())),
                  QUrl::StrictMode);
    if (!link.isValid())
        return std::nullopt;
    return link;
}

namespace {

// The sample a self-test hides: a user, a computer, a drive, a library that each turn up in
// log lines the way the program writes them.
struct Sample {
    QString login = QStringLiteral("jsmith");
    QString fullName = QStringLiteral("Jane Smith");
    QString computer = QStringLiteral("Jane's MacBook Pro");
    QString drive = QStringLiteral("Archive SSD");
    QString wedding = QStringLiteral("Smith Wedding");
    QString holiday = QStringLiteral("Holiday 2026");

    QString weddingBundle() const {
        return QStringLiteral("/Volumes/") + drive + QStringLiteral("/Jobs/") + wedding +
               QStringLiteral(".fcpbundle");
    }
    QString movedClip() const {
        return QStringLiteral("/Users/") + login + QStringLiteral("/Movies/") + holiday +
               QStringLiteral(".fcpbundle/Day 1/Transcoded Media/Beach Day 0042.mov");
    }
    QList<NameHider::Name> names() const {
        return {{QStringLiteral("user"), login},
                {QStringLiteral("user"), fullName},
                {QStringLiteral("mac"), computer},
                {QStringLiteral("drive"), drive},
                {QStringLiteral("drive"), QStringLiteral("Tovlin")},
                {QStringLiteral("library"), wedding},
                {QStringLiteral("library"), holiday}};
    }
};

qint64 fileSize(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.size() : 0;
}

} // namespace

bool selfTest(const std::function<void(const QString&)>& print) {
    using ErrorLog::Level;
    QStringList failures;
    const auto check = [&failures](bool passed, const QString& failure) {
        if (!passed)
            failures.append(failure);
    };

    const QString folder = QDir(QDir::tempPath())
                               .filePath(QStringLiteral("tovlin-report-selftest-") +
                                         QUuid::createUuid().toString(QUuid::WithoutBraces));
    QDir().mkpath(folder);
    const QString log = QDir(folder).filePath(QStringLiteral("error-log.txt"));
    const Sample sample;
    const QDateTime now = QDateTime::currentDateTimeUtc();

    ErrorLog::write(Level::error, QStringLiteral("scan"),
                    QStringLiteral("A library could not be read. Is the drive ready?"),
                    sample.weddingBundle(), log, ErrorLog::capBytes, now);
    ErrorLog::write(
        Level::error, QStringLiteral("free-up-space"),
        QStringLiteral("\u201CBeach Day 0042.mov\u201D couldn\u2019t be removed because you don\u2019t "
                       "have permission."),
        sample.movedClip(), log, ErrorLog::capBytes, now);
    ErrorLog::write(Level::error, QStringLiteral("eject"),
                    sample.drive + QStringLiteral(" could not be ejected. ") + sample.wedding +
                        QStringLiteral(" is open on ") + sample.computer + u'.',
                    std::nullopt, log, ErrorLog::capBytes, now);
    ErrorLog::write(Level::error, QStringLiteral("export"),
                    QStringLiteral("The export stopped.\nThe disk is full."), std::nullopt, log,
                    ErrorLog::capBytes, now);
    ErrorLog::write(Level::error, QStringLiteral("scan"), QStringLiteral("Read again."),
                    sample.weddingBundle(), log, ErrorLog::capBytes, now);
    ErrorLog::write(Level::info, QStringLiteral("start"), QStringLiteral("Tovlin 1.17.0 (61)"), std::nullopt,
                    log, ErrorLog::capBytes, now);

    QStringList written;
    if (QFile in(log); in.open(QIODevice::ReadOnly))
        written = QString::fromUtf8(in.readAll()).split(u'\n', Qt::SkipEmptyParts);
    check(written.size() == 6, QStringLiteral("six lines, one per call"));

    const QList<Fact> sampleFacts = {{QStringLiteral("App"), QStringLiteral("Tovlin 1.17.0 (61)")},
                                     {QStringLiteral("macOS"), QStringLiteral("Version 26.1")},
                                     {QStringLiteral("Mac"), QStringLiteral("Mac15,6")}};
    const QStringList lines = ErrorLog::recent(logLines, log);
    NameHider hider(sample.names());
    const QString hidden = details(sampleFacts, lines, &hider);

    const QStringList gone = {sample.login,
                              QStringLiteral("Jane"),
                              QStringLiteral("SSD"),
                              QStringLiteral("Smith"),
                              QStringLiteral("Wedding"),
                              QStringLiteral("Holiday"),
                              QStringLiteral("Beach"),
                              QStringLiteral("0042"),
                              QStringLiteral("Jobs"),
                              QStringLiteral("Movies"),
                              QStringLiteral("Day 1"),
                              QStringLiteral("MacBook"),
                              QStringLiteral("/Volumes"),
                              QStringLiteral("/Users")};
    for (const QString& fragment : gone)
        check(!hidden.contains(fragment), QStringLiteral("hidden report still shows ") + fragment);
    const QStringList kept = {QStringLiteral("Tovlin 1.17.0 (61)"),
                              QStringLiteral("Mac15,6"),
                              QStringLiteral("Names hidden: yes"),
                              QStringLiteral("A library could not be read"),
                              QStringLiteral("<path-1>.fcpbundle"),
                              QStringLiteral("<path-2>.mov"),
                              QStringLiteral("\u201C<name-1>\u201D couldn\u2019t be removed"),
                              QStringLiteral("<drive-1> could not be ejected"),
                              QStringLiteral("<library-1> is open on <mac-1>"),
                              QStringLiteral("start: Tovlin 1.17.0 (61)")};
    for (const QString& fragment : kept)
        check(hidden.contains(fragment), QStringLiteral("hidden report lost ") + fragment);
    check(hidden.count(QStringLiteral("<path-1>.fcpbundle")) == 2,
          QStringLiteral("the same path gets the same stand-in"));

    const QString plain = details(sampleFacts, lines, nullptr);
    check(plain.contains(sample.wedding + QStringLiteral(".fcpbundle")),
          QStringLiteral("names stay when hiding is off"));

    const QString sentence = QStringLiteral(
        "Tovlin-1.17.0.dmg and Tovlin-update: proxy/optimized media, 29/11, https://example.com/tovlin/");
    NameHider nothing;
    check(nothing.hide(sentence) == sentence, QStringLiteral("plain text was changed"));

    const QString small = QDir(folder).filePath(QStringLiteral("small.txt"));
    for (int i = 0; i < 40; ++i)
        ErrorLog::write(Level::error, QStringLiteral("test"),
                        QStringLiteral("line ") + QString::number(i) + u' ' + QString(80, u'x'), std::nullopt,
                        small, 1000, now);
    check(fileSize(small) <= 1000 && fileSize(small + QStringLiteral(".1")) <= 1000,
          QStringLiteral("the log grew past its limit"));
    const QStringList newest = ErrorLog::recent(3, small);
    check(!newest.isEmpty() && newest.last().contains(QStringLiteral("line 39 ")),
          QStringLiteral("the newest line is last"));

    if (failures.isEmpty())
        print(QStringLiteral("report test passed"));
    else
        print(QStringLiteral("report test failed:\n  ") + failures.join(QStringLiteral("\n  ")));
    QDir(folder).removeRecursively();
    return failures.isEmpty();
}

} // namespace pellimor::ProblemReport
