#pragma once

#include "Catalogue/Store/Catalog.h"
#include "Shell/Views/PellimorApp.h"
#include "Tests/Fixtures/SampleSet.h"
#include "Tests/Support/EventLoop.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>
#include <optional>

// What every picture program (the *_shot tools) does before its first picture: the sample
// libraries and the settings in a temporary folder of its own, so the user's home is never
// touched, and the scan of the samples waited for.
namespace pellimor::test::shot {

enum class Home {
    own,     // HOME is a folder of its own under the temporary folder
    samples, // HOME is the sample set's Home (its installed templates count)
};

// Writes the sample set into `root`/samples and points the program there, before the
// application is made: XDG data, config and cache folders and HOME, the volumes root, the
// Final Cut Pro application and the data folder.
inline fixtures::SampleSet::Result prepare(const QString& root, Home home = Home::own) {
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
        if (home == Home::samples && QByteArray(name) == "HOME")
            continue;
        const QString dir = root + "/" + QString::fromLatin1(name).toLower();
        QDir().mkpath(dir);
        qputenv(name, dir.toUtf8());
    }
    const fixtures::SampleSet::Result samples = fixtures::SampleSet::write(root + "/samples");
    if (home == Home::samples)
        qputenv("HOME", samples.homeFolder.toUtf8());
    qputenv("TOVLIN_VOLUMES_ROOT", samples.volumesRoot.toUtf8());
    qputenv("TOVLIN_FCP_APP", samples.finalCutApp.toUtf8());
    qputenv("TOVLIN_DATA_DIR", (root + "/data").toUtf8());
    return samples;
}

// The folder for the pictures, the first argument, made when missing. None, after the usage
// line on stderr, when the arguments are not one folder (and at most `optional` more, named by
// `rest`) or the scratch folder could not be made.
inline std::optional<QString> pictureFolder(int argc, char** argv, const QTemporaryDir& scratch,
                                            const char* program, int optional = 0, const char* rest = "") {
    if (argc < 2 || argc > 2 + optional || !scratch.isValid()) {
        std::fprintf(stderr, "usage: %s <folder for the pictures>%s\n", program, rest);
        return std::nullopt;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    return out;
}

// What a picture program starts from: the folder for its pictures, its scratch folder, and the
// sample set prepared there.
struct Start {
    QString out;
    QString root;
    fixtures::SampleSet::Result samples;
};

// pictureFolder() and prepare() in one; none, after the usage line, as pictureFolder().
inline std::optional<Start> start(int argc, char** argv, const QTemporaryDir& scratch, const char* program,
                                  Home home = Home::own, int optional = 0, const char* rest = "") {
    const std::optional<QString> pictures = pictureFolder(argc, argv, scratch, program, optional, rest);
    if (!pictures)
        return std::nullopt;
    return Start{*pictures, scratch.path(), prepare(scratch.path(), home)};
}

// The program's arguments for a scan of the sample drives and the sample home's Movies.
inline QStringList scanningSamples(const fixtures::SampleSet::Result& samples) {
    return {"tovlin", "--scan", samples.volumesRoot, samples.homeFolder + "/Movies"};
}

// Waits for the scan the program asked for to start (20 s at most) and to end (4 min at
// most); false, having said so on stderr under `program`'s name, when it did not.
inline bool waitForScan(const Catalog& catalog, const char* program) {
    if (waitUntil([&] { return catalog.isScanning(); }, 20000) &&
        waitUntil([&] { return !catalog.isScanning(); }, 240000))
        return true;
    std::fprintf(stderr, "%s: the scan did not finish\n", program);
    return false;
}

// Shows the main window, waits for its scan as waitForScan() does, then lets it settle for
// `settleMs`.
inline bool showScanned(PellimorApp& app, const char* program, int settleMs = 500) {
    app.showMainWindow();
    if (!waitForScan(app.catalog(), program))
        return false;
    spin(settleMs);
    return true;
}

// The first catalogued library of that name.
inline std::optional<LibraryInfo> libraryNamed(const Catalog& catalog, const QString& name) {
    for (const LibraryInfo& library : catalog.libraries())
        if (library.name == name)
            return library;
    return std::nullopt;
}

// The sheet of type `Sheet` now shown over `window`, or null.
template <typename Sheet> Sheet* shownSheet(QWidget* window) {
    for (Sheet* sheet : window->findChildren<Sheet*>())
        if (sheet->isVisible())
            return sheet;
    return nullptr;
}

} // namespace pellimor::test::shot
