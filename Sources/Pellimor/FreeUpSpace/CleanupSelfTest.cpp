// The self-test: the safety rules proved on sample libraries built in a temporary folder.

#include "FreeUpSpace/Cleanup.h"
#include "FreeUpSpace/CleanupFiles.h"
#include "Support/PathText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUuid>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace pellimor::Cleanup {

namespace {

// The sample folder, removed with everything in it however the self-test ends.
class SampleFolder {
public:
    SampleFolder() : m_path(inTemporaryFolder()) {}
    ~SampleFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(m_path).constData()), ignored);
    }
    SampleFolder(const SampleFolder&) = delete;
    SampleFolder& operator=(const SampleFolder&) = delete;

    const QString& path() const { return m_path; }

private:
    static QString inTemporaryFolder() {
        const QString name = QStringLiteral("pellimor-selftest-") +
                             QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        // Qt names no temporary folder when TMPDIR names nothing; a relative path would then
        // build the sample wherever the program was started. Below a device nothing can be
        // made, so the checks that need the sample fail and nothing is left anywhere.
        const QString temp = QDir::tempPath();
        return QDir(temp.isEmpty() ? QStringLiteral("/dev/null") : temp).filePath(name);
    }

    const QString m_path;
};

void print(const QByteArray& line) {
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Building the sample ignores every error: a check that needs what could not be made fails.
void write(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

void link(const QString& path, const QString& destination) {
    (void)::symlink(QFile::encodeName(destination).constData(), QFile::encodeName(path).constData());
}

bool exists(const QString& path) {
    return QFile::exists(path);
}

QStringList names(const CleanupPlan& plan) {
    QStringList found;
    for (const CleanupTarget& target : plan.targets)
        found.append(PathText::lastComponent(target.url));
    return found;
}

// Whether any target's path below the sample folder contains `text`. The sample folder's own
// path is left out of it: the system's temporary folder may have any name at all. `sample` is
// resolved, as the plan builds its targets from the resolved library.
bool anyTargetContains(const CleanupPlan& plan, const QString& sample, const QString& text) {
    return std::any_of(plan.targets.begin(), plan.targets.end(), [&](const CleanupTarget& target) {
        const QString below =
            PathText::isAtOrBelow(target.url, sample) ? target.url.mid(sample.size()) : target.url;
        return below.contains(text);
    });
}

bool anyContains(const QStringList& texts, const QString& text) {
    return std::any_of(texts.begin(), texts.end(), [&](const QString& each) { return each.contains(text); });
}

} // namespace

bool selfTest() {
    const SampleFolder sample;
    const QString root = sample.path();
    const auto at = [&root](const char* relative) { return root + u'/' + QString::fromUtf8(relative); };

    write(at("Test.fcpbundle/CurrentVersion.flexolibrary"), "x");
    write(at("Test.fcpbundle/EventA/CurrentVersion.fcpevent"), "x");
    write(at("Test.fcpbundle/EventA/Original Media/clip1.mov"), QByteArray(5000, 'o'));
    write(at("Test.fcpbundle/EventA/Transcoded Media/Proxy Media/clip1.mov"), "p");
    write(at("Test.fcpbundle/EventA/Transcoded Media/High Quality Media/clip1.mov"), "h");
    write(at("Test.fcpbundle/EventA/Render Files/Peaks Data/peak"), "k");
    write(at("Test.fcpbundle/EventA/EventA Project/CurrentVersion.fcpevent"), "x");
    write(at("Test.fcpbundle/EventB/CurrentVersion.fcpevent"), "x");
    write(at("Test.fcpbundle/EventB/Original Media/keep.mov"), "ORIGINAL");
    write(at("Test.fcpbundle/EventB/Original Media/real.mp4"), "ORIGINAL");
    write(at("Test.fcpbundle/EventB/Transcoded Media/Proxy Media/real.mov"), "p");
    link(at("Test.fcpbundle/EventB/Transcoded Media/Proxy Media/sneaky.mov"),
         at("Test.fcpbundle/EventB/Original Media/keep.mov"));
    write(at("Test.fcpbundle/EventC/CurrentVersion.fcpevent"), "x");
    write(at("Test.fcpbundle/EventC/Original Media/real.mov"), "x");
    link(at("Test.fcpbundle/EventC/Original Media/gone.mov"), QStringLiteral("/nonexistent/gone.mov"));
    write(at("Test.fcpbundle/EventC/Transcoded Media/Proxy Media/real.mov"), "x");
    write(at("Test.fcpbundle/EventC/Transcoded Media/Proxy Media/gone.mov"), "ONLY COPY");
    write(at("Test.fcpbundle/EventD/CurrentVersion.fcpevent"), "x");
    write(at("Test.fcpbundle/EventD/Original Media/precious.mov"), "PRECIOUS");
    QDir().mkpath(at("Test.fcpbundle/EventD/Transcoded Media"));
    link(at("Test.fcpbundle/EventD/Transcoded Media/Proxy Media"),
         at("Test.fcpbundle/EventD/Original Media"));
    write(at("Test.fcpbundle/EventE/CurrentVersion.fcpevent"), "x");
    write(at("Test.fcpbundle/EventE/Transcoded Media/Proxy Media/only-copy.mov"), "x");
    write(at("VersionOnly.fcpbundle/CurrentVersion.plist"), "x");
    write(at("VersionOnly.fcpbundle/EventF/CurrentVersion.fcpevent"), "x");
    write(at("VersionOnly.fcpbundle/EventF/Original Media/clip.mov"), "ORIGINAL");
    write(at("VersionOnly.fcpbundle/EventF/Transcoded Media/High Quality Media/clip.mov"), "h");
    write(at("Test.fcpbundle/EventH/CurrentVersion.fcpevent"), "x");
    write(at("Test.fcpbundle/EventH/Original Media/IMG_1.MP4"), "ORIGINAL");
    write(at("Test.fcpbundle/EventH/Original Media/DJI_2 (fcp1).mp4"), "ORIGINAL");
    write(at("Test.fcpbundle/EventH/Transcoded Media/High Quality Media/IMG_1 (fcp2).mov"), "h");
    write(at("Test.fcpbundle/EventH/Transcoded Media/High Quality Media/DJI_2.mov"), "h");
    write(at("Test.fcpbundle/EventH/Transcoded Media/High Quality Media/Music Track.mov"), "ONLY COPY");
    write(at("Test.fcpbundle/EventH/Render Files/High Quality Media/ABCDEF/Frame 1 - 10"), "r");
    write(at("Empty.fcpbundle/EventG/CurrentVersion.fcpevent"), "x");
    write(at("Empty.fcpbundle/EventG/Original Media/clip.mov"), "x");
    write(at("Empty.fcpbundle/EventG/Transcoded Media/Proxy Media/clip.mov"), "x");

    const QString resolvedRoot = CleanupFiles::resolved(root);
    const QString test = at("Test.fcpbundle");
    const QString versionOnly = at("VersionOnly.fcpbundle");
    const QString empty = at("Empty.fcpbundle");
    const QString log = at("log.txt");
    const QString eventA = test + QStringLiteral("/EventA");
    const QString eventB = test + QStringLiteral("/EventB");
    const QString eventC = test + QStringLiteral("/EventC");
    const QString eventD = test + QStringLiteral("/EventD");
    const QString eventF = versionOnly + QStringLiteral("/EventF");
    const QString eventH = test + QStringLiteral("/EventH");
    using Kind = GeneratedKind;

    QStringList failures;
    const auto check = [&failures](bool ok, const QString& name) {
        print((ok ? QByteArrayLiteral("  ok   ") : QByteArrayLiteral("  FAIL ")) + ' ' + name.toUtf8());
        if (!ok)
            failures.append(name);
    };
    // A rule that must refuse: ok when it does, and the FAIL text names what it let through.
    const auto refused = [&failures](bool refusedIt, const QString& okName, const QString& failName) {
        if (refusedIt) {
            print(QByteArrayLiteral("  ok    ") + okName.toUtf8());
        } else {
            print(QByteArrayLiteral("  FAIL  ") + failName.toUtf8());
            failures.append(failName);
        }
    };

    print("Planning");
    const CleanupPlan p1 = plan(test, {QStringLiteral("EventA")}, {Kind::proxy}, false);
    check(p1.targets.size() == 1 && names(p1) == QStringList{QStringLiteral("Proxy Media")},
          QStringLiteral("proxy plan targets only Proxy Media"));
    check(!anyTargetContains(p1, resolvedRoot, QStringLiteral("Original Media")),
          QStringLiteral("Original Media is never in a plan"));
    const CleanupPlan all =
        plan(test, {QStringLiteral("EventA")}, {Kind::proxy, Kind::optimized, Kind::render}, false);
    check(!anyTargetContains(all, resolvedRoot, QStringLiteral("Original Media")) &&
              !anyTargetContains(all, resolvedRoot, QStringLiteral("Project")),
          QStringLiteral("all-kinds plan avoids originals and projects"));
    check(plan(test, {QStringLiteral("EventB")}, {Kind::proxy}, false).targets.isEmpty(),
          QStringLiteral("Proxy Media containing a link is refused"));
    const CleanupPlan p4 = plan(test, {QStringLiteral("EventC")}, {Kind::proxy}, false);
    check(
        names(p4) == QStringList{QStringLiteral("real.mov")},
        QStringLiteral("missing linked original: only the proxy made from it is kept, the rest is offered"));
    check(anyContains(p4.blockers, QStringLiteral("gone.mov")),
          QStringLiteral("the kept proxy and the missing original are reported"));
    const std::optional<QString> report = missingOriginalsReport(test, QStringLiteral("Test"));
    check(report && report->contains(QStringLiteral("gone.mov")) &&
              report->contains(QStringLiteral("/nonexistent/gone.mov")) &&
              report->contains(QStringLiteral("Event: EventC (1)")) &&
              !report->contains(QStringLiteral("real.mov")),
          QStringLiteral("missing-files report lists the broken link and where it pointed"));
    check(plan(test, {QStringLiteral("EventD")}, {Kind::proxy}, false).targets.isEmpty(),
          QStringLiteral("Proxy Media that is a link to originals is refused"));
    check(plan(test, {QStringLiteral("EventE")}, {Kind::proxy}, false).targets.isEmpty(),
          QStringLiteral("event without originals is refused"));
    check(plan(test, {QStringLiteral("../EventA")}, {Kind::proxy}, false).targets.isEmpty(),
          QStringLiteral("path traversal in event name is refused"));
    check(plan(test, {QStringLiteral("EventA/Render Files")}, {Kind::proxy}, false).targets.isEmpty(),
          QStringLiteral("sub-path as event name is refused"));
    check(plan(root, {QStringLiteral("Test.fcpbundle")}, {Kind::proxy}, false).targets.isEmpty(),
          QStringLiteral("non-library folder is refused"));
    const CleanupPlan versionOnlyPlan =
        plan(versionOnly, {QStringLiteral("EventF")}, {Kind::proxy, Kind::optimized}, false);
    check(versionOnlyPlan.blockers.isEmpty() && versionOnlyPlan.targets.size() == 1 &&
              names(versionOnlyPlan) == QStringList{QStringLiteral("High Quality Media")},
          QStringLiteral("library with only CurrentVersion.plist is accepted"));
    check(plan(empty, {QStringLiteral("EventG")}, {Kind::proxy}, false).targets.isEmpty(),
          QStringLiteral("bundle with no library files is refused"));
    const CleanupPlan p12 = plan(test, {QStringLiteral("EventH")}, {Kind::optimized}, false);
    const QStringList optimizedNames = names(p12);
    check(QSet<QString>(optimizedNames.begin(), optimizedNames.end()) ==
              QSet<QString>{QStringLiteral("IMG_1 (fcp2).mov"), QStringLiteral("DJI_2.mov")},
          QStringLiteral("optimized files with an original are offered one by one"));
    check(!optimizedNames.contains(QStringLiteral("Music Track.mov")) &&
              anyContains(p12.blockers, QStringLiteral("Music Track.mov")),
          QStringLiteral("optimized file with no original is kept and reported"));
    const CleanupPlan renders = plan(test, {QStringLiteral("EventH")}, {Kind::render}, false);
    check(renders.targets.size() == 1 &&
              renders.targets.front().url.endsWith(QStringLiteral("Render Files/High Quality Media")),
          QStringLiteral("Render Files/High Quality Media counts as render files"));
    check(baseName(QStringLiteral("IMG_8781 (fcp1).mov")) == QStringLiteral("img_8781") &&
              baseName(QStringLiteral("Clip (final).mov")) == QStringLiteral("clip (final)"),
          QStringLiteral("duplicate marker is ignored when matching names"));

    print("Direct validation");
    const QString eventAName = QStringLiteral("EventA");
    refused(!validate(eventA + QStringLiteral("/Original Media"), test, eventAName),
            QStringLiteral("Original Media is rejected by validate()"),
            QStringLiteral("Original Media validates"));
    refused(!validate(eventA + QStringLiteral("/Render Files"), test, eventAName),
            QStringLiteral("Render Files root itself is rejected"),
            QStringLiteral("Render Files root validates"));
    refused(!validate(eventA, test, eventAName), QStringLiteral("whole event is rejected"),
            QStringLiteral("event validates"));
    refused(!validate(test, test, eventAName), QStringLiteral("whole library is rejected"),
            QStringLiteral("library validates"));

    print("Running");
    QList<std::pair<int, qint64>> progress;
    const Result2 first =
        run(p1, test, true, false, log, [&progress](int index, qint64 bytes, const CleanupTarget&) {
            progress.append({index, bytes});
        });
    bool inOrder = !progress.isEmpty() && progress.size() == p1.targets.size();
    for (qsizetype i = 0; inOrder && i < progress.size(); ++i)
        inOrder = progress.at(i).first == i;
    check(inOrder && progress.front().second == 0 && progress.back().second < p1.totalBytes(),
          QStringLiteral("progress is reported once per item, starting at nothing done"));
    check(first.errors.isEmpty() && first.done.size() == 1, QStringLiteral("proxy folder deleted"));
    check(!exists(eventA + QStringLiteral("/Transcoded Media/Proxy Media")),
          QStringLiteral("Proxy Media is gone"));
    check(exists(eventA + QStringLiteral("/Original Media/clip1.mov")),
          QStringLiteral("original clip still there"));
    check(exists(eventA + QStringLiteral("/Transcoded Media/High Quality Media/clip1.mov")),
          QStringLiteral("optimized media untouched (not selected)"));
    check(exists(eventA + QStringLiteral("/EventA Project/CurrentVersion.fcpevent")),
          QStringLiteral("project untouched"));
    check(exists(eventB + QStringLiteral("/Original Media/keep.mov")),
          QStringLiteral("other events untouched"));
    check(exists(eventD + QStringLiteral("/Original Media/precious.mov")),
          QStringLiteral("precious original survived"));

    const Result2 optimized = run(p12, test, true, false, log);
    check(optimized.errors.isEmpty() && optimized.done.size() == 2,
          QStringLiteral("two optimized files deleted"));
    check(exists(eventH + QStringLiteral("/Transcoded Media/High Quality Media/Music Track.mov")),
          QStringLiteral("optimized file with no original survived"));
    check(exists(eventH + QStringLiteral("/Original Media/IMG_1.MP4")) &&
              exists(eventH + QStringLiteral("/Original Media/DJI_2 (fcp1).mp4")),
          QStringLiteral("originals in that event survived"));

    const CleanupPlan beforeLoss = plan(versionOnly, {QStringLiteral("EventF")}, {Kind::optimized}, false);
    QFile::remove(eventF + QStringLiteral("/Original Media/clip.mov"));
    write(eventF + QStringLiteral("/Original Media/other.mov"), "x");
    const Result2 lost = run(beforeLoss, versionOnly, true, false, log);
    check(lost.done.isEmpty() &&
              exists(eventF + QStringLiteral("/Transcoded Media/High Quality Media/clip.mov")),
          QStringLiteral("original removed after planning: optimized copy is kept"));

    const Result2 missing = run(p4, test, true, false, log);
    check(missing.done.size() == 1 &&
              exists(eventC + QStringLiteral("/Transcoded Media/Proxy Media/gone.mov")),
          QStringLiteral("proxy of a missing original survived the delete"));

    const QString proxyB = eventB + QStringLiteral("/Transcoded Media/Proxy Media");
    QFile::remove(proxyB + QStringLiteral("/sneaky.mov"));
    const CleanupPlan beforeSwap = plan(test, {QStringLiteral("EventB")}, {Kind::proxy}, false);
    QDir(proxyB).removeRecursively();
    link(proxyB, eventB + QStringLiteral("/Original Media"));
    const Result2 swapped = run(beforeSwap, test, true, false, log);
    check(swapped.done.isEmpty() && exists(eventB + QStringLiteral("/Original Media/keep.mov")),
          QStringLiteral("target swapped for a link after planning is skipped"));

    print(failures.isEmpty() ? QByteArrayLiteral("ALL SAFETY CHECKS PASSED")
                             : QByteArrayLiteral("FAILED: ") + QByteArray::number(failures.size()));
    return failures.isEmpty();
}

} // namespace pellimor::Cleanup
