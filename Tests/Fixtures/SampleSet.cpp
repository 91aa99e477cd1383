#include "Tests/Fixtures/SampleSet.h"

#include "Tests/Fixtures/ClipWriter.h"
#include "Tests/Fixtures/FixtureFiles.h"
#include "Tests/Fixtures/LibraryBuilder.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <mutex>
#include <stdexcept>

namespace pellimor::fixtures::SampleSet {

namespace {

using Role = CollectionRow::Role;
using Project = LibraryBuilder::Project;

constexpr qint64 KB = 1024;
constexpr qint64 MB = 1024 * 1024;

const QStringList kTopLevel = {"Volumes", "Home", "Applications", QString::fromLatin1(markerName)};

// Identifiers of the effects the sample projects use. None of them names a real product
// except DeRoom 2, whose identifier the program watches for.
const QString kAppleFxPlug = "E4F4A8B2-3C1D-4E5F-9A6B-7C8D9E0F1A2B"; // listed in the sample application
const QString kGrainFxPlug = "8C1A7E52-4B3D-4F6A-9E21-5D7C3B9A0F14";
const QString kUnnamedFxPlug = "5b9e2f10-7c4d-4a8e-b1f3-2e6d8c0a9b47";
const QString kCleanTitle = "~/Titles.localized/Lower Thirds Pack.localized/Clean/Clean.moti";
const QString kBoldTitle = "~/Titles.localized/Lower Thirds Pack.localized/Bold/Bold.moti";
const QString kVignette = "~/Effects.localized/Soft Vignette.moef";
const QString kWhip = "~/Transitions.localized/Swipe Pack.localized/Whip/Whip.motr";
const QString kSky =
    "~/Generators.localized/3F2504E0-4F89-41D3-9A0C-0305E82C3301/Gradient Sky/Gradient Sky.motn";
const QString kBuiltInTitle = ".../Titles.localized/Build In:Out.localized/Basic Title/Basic Title.moti";

// A two-second clip, small but real, so that poster frames can be made from the samples. The
// colours run from `from` to `to` across the picture (down it when `downwards`); `rotation`
// stores the turn a phone records for an upright shot.
struct SampleClip {
    ClipWriter::Colour from;
    ClipWriter::Colour to;
    bool downwards = false;
    int rotation = 0;
};

QByteArray clipBytes(const QString& extension, const SampleClip& sample) {
    // Each clip is made once per process: the libraries that share one are written several times.
    static std::mutex mutex;
    static QHash<QString, QByteArray> made;
    const QString key = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                            .arg(extension)
                            .arg(sample.from.red)
                            .arg(sample.from.green)
                            .arg(sample.from.blue)
                            .arg(sample.to.red)
                            .arg(sample.to.green)
                            .arg(sample.to.blue)
                            .arg(sample.downwards)
                            .arg(sample.rotation);
    std::lock_guard lock(mutex);
    if (const auto found = made.constFind(key); found != made.cend())
        return *found;
    ClipWriter::Clip clip;
    clip.width = 320;
    clip.height = 180;
    clip.rotation = sample.rotation;
    clip.paint = [sample, &clip](int frame, int x, int y) {
        // A slow drift, so the frames are not all alike.
        const int along = sample.downwards ? y : x;
        const int length = sample.downwards ? clip.height : clip.width;
        const double t = std::clamp((along + frame) / double(length + clip.frames), 0.0, 1.0);
        const auto mix = [t](unsigned char a, unsigned char b) { return (unsigned char)(a + (b - a) * t); };
        return ClipWriter::Colour{mix(sample.from.red, sample.to.red),
                                  mix(sample.from.green, sample.to.green),
                                  mix(sample.from.blue, sample.to.blue)};
    };
    return *made.insert(key, ClipWriter::bytes(extension, clip));
}

LibraryBuilder::Event& clipMedia(LibraryBuilder::Event& event, const QString& name,
                                 const SampleClip& sample) {
    return event.item(
        LibraryBuilder::Item::bytes("Original Media/" + name, clipBytes(QFileInfo(name).suffix(), sample)));
}

QDateTime at(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toUTC();
}

std::vector<Role> weddingRoles() {
    return {{"Dialogue", {{"Dialogue-1"}, {"Dialogue-2"}}},
            {"Music", {{"Music-1"}}},
            {"Vows Audio", {{"Lav Mic"}}}};
}

std::vector<Role> documentaryRoles() {
    return {{"Dialogue", {{"Dialogue-1"}}},
            {"Interviews", {{"Interviews-Lav"}, {"Interviews-Boom"}}},
            {"Effects", {}},
            {"Narration", {}}};
}

// A project with its timeline settings, a few clips and the plug-ins every sample project
// shares; `clips` lets two copies of one project differ.
Project& timeline(Project& project, const char* range, const char* frameDuration, const char* format,
                  const QDateTime& created, const QDateTime& saved, int clips) {
    project
        .info({.mediaRange = PlistValue(range),
               .timecodeFrameDuration = PlistValue(frameDuration),
               .videoFormatKey = PlistValue(format),
               .hasAudio = PlistValue(true),
               .audioSampleRate = PlistValue(48000),
               .contentCreated = created})
        .clips(clips)
        .savedAt(saved);
    return project;
}

LibraryBuilder wedding() {
    LibraryBuilder lib("Wedding 2024");
    lib.identifier = "5A3E9C2B-1F47-4D8A-B6E0-93C2D7A41F58";
    lib.catalogVersion = LibraryBuilder::catalogVersionText("10.8.1");
    lib.lockInfo("anna", "Studio-Mac");
    lib.stamp = at("2025-02-20T18:00:00Z");
    lib.database.modified = at("2025-02-28T21:15:00Z");

    auto& ceremony = lib.event("Ceremony");
    clipMedia(ceremony, "A001_C001.mov", {{196, 64, 48}, {240, 200, 96}})
        .media("A001_C002.mov", 1 * MB + 700 * KB)
        .media("B Cam/B001_C004.MOV", 1 * MB + 200 * KB)
        .media(".DS_Store", 6 * KB)
        .media("Vows.wav", 600 * KB)
        .mediaLink("DJI_0001.MP4", "../../../../Footage/Drone/DJI_0001.MP4")
        .proxy("A001_C001.mov", 380 * KB)
        .proxy("A001_C002.mov", 290 * KB)
        .optimized("A001_C001.mov", 1 * MB + 100 * KB)
        .render("Peaks Data/A001_C001.peak", 48 * KB)
        .render("High Quality Media/Render-0001.mov", 640 * KB)
        .analysis("Shot Data/A001_C001.shotdata", 24 * KB);
    ceremony.keyword("Vows").keyword("Rings").keyword("Family");
    ceremony.keywordRange({"Vows"}).keywordRange({"Rings", "Family"}).keywordRange({"vows"});
    ceremony.analysisKeywordRange({"FFOrganizerOnePerson"}).analysisKeywordRange({"WideShot"});
    ceremony.marker("First kiss").marker("Ring exchange");
    ceremony
        .clip({.identifier = "CER-A001-C001",
               .displayName = PlistValue("A001_C001"),
               .notes = PlistValue("Best angle of the vows"),
               .reel = PlistValue("A001"),
               .roles = weddingRoles()})
        .clip("A001_C002")
        .clip("B001_C004")
        .clip("Untitled");
    ceremony
        .camera({.videoCodecName = PlistValue("Apple ProRes 422"),
                 .cameraName = PlistValue("A-Cam"),
                 .make = PlistValue("Orbis"),
                 .model = PlistValue("OC-9"),
                 .lens = PlistValue("35mm f/1.4"),
                 .reel = PlistValue("A001")})
        .camera({.videoCodecName = PlistValue("H.264"), .cameraName = PlistValue("Drone")});
    ceremony.row(CollectionRow::fxPlug(kGrainFxPlug, QString("Orbit Film Grain")));
    auto& ceremonyEdit =
        timeline(ceremony.project("Ceremony Edit"), "0/1s 5405400/30000s", "1001/30000",
                 "FFVideoFormat1080p2997", at("2024-09-14T15:00:00Z"), at("2025-02-28T21:10:00Z"), 24);
    ceremonyEdit
        .sequence({.displayName = PlistValue("Ceremony Edit"),
                   .shareTags = PlistValue("wedding, client review"),
                   .modDate = at("2025-02-28T21:10:00Z"),
                   .roles = weddingRoles()})
        .compoundClips(2)
        .transitions(6)
        .favorites(3)
        .keywordRange({"Vows"})
        .marker("Music starts")
        .marker("First kiss")
        .row(CollectionRow::fxPlug(kGrainFxPlug, QString("Orbit Film Grain")))
        .row(CollectionRow::fxPlug(kGrainFxPlug, QString("Orbit Film Grain")))
        .row(CollectionRow::fxPlug(kAppleFxPlug, QString("Colour Board")))
        .row(CollectionRow::motionTemplate(kCleanTitle))
        .row(CollectionRow::motionTemplate(kCleanTitle))
        .row(CollectionRow::motionTemplate(kBuiltInTitle, QString("Basic Title")))
        .row(CollectionRow::audioUnit("aufx", "Rvb7", "Lmnr", QString("Lumen Room Reverb")))
        .row(CollectionRow::audioUnit("aufx", "dcmp", "appl", QString("Dynamics Processor")));

    auto& reception = lib.event("Reception");
    clipMedia(reception, "C002_0101.mp4", {{88, 40, 140}, {40, 90, 200}})
        .media("C002_0102.mp4", 800 * KB)
        .proxy("C002_0101.mp4", 300 * KB)
        .render("High Quality Media/Render-0007.mov", 420 * KB);
    reception.keyword("Speech").keywordRange({"Speech"}).keywordRange({"Dance", "Family"});
    reception.marker("Toast").clip("C002_0101").clip("C002_0102");
    reception.sequence(
        {.displayName = PlistValue("Highlights"), .shareTags = PlistValue::strings({"wedding", "Social"})});
    timeline(reception.project("Highlights"), "0/1s 1500/25s", "100/2500", "FFVideoFormat3840x2160p25",
             at("2024-09-15T10:00:00Z"), at("2025-01-12T19:45:00Z"), 18)
        .sequence({.displayName = PlistValue("Highlights"),
                   .shareTags = PlistValue::set({"wedding", "social"}),
                   .modDate = at("2025-01-12T19:45:00Z")})
        .transitions(4)
        .row(CollectionRow::motionTemplate(kWhip))
        .row(CollectionRow::motionTemplate(kBoldTitle));
    timeline(reception.project("Speeches"), "0/1s 10810800/30000s", "1001/30000", "FFVideoFormat1080p2997",
             at("2024-09-15T11:00:00Z"), at("2024-11-03T08:20:00Z"), 7)
        .marker("Best man");

    lib.event("__Temp").file("scratch.bin", 12 * KB);
    lib.item(LibraryBuilder::Item::folder(".fcpcache"))
        .item(LibraryBuilder::Item::file(".fcpcache/cache.bin", 64 * KB));
    lib.item(LibraryBuilder::Item::file("Shared Items/Wedding Titles.bin", 30 * KB));
    return lib;
}

// The archive drive's copy: older generated media dropped, one clip file never copied, the
// ceremony re-edited there, and a drone clip linked from the field drive, which is not
// connected (the clip itself lies on the backup drive and in the home folder).
LibraryBuilder weddingArchiveCopy(const QString& volumesRoot) {
    LibraryBuilder lib = wedding();
    lib.lockInfo("anna", "Archive-Mac");
    lib.database.modified = at("2025-03-02T10:05:00Z");
    for (auto& event : lib.events) {
        std::erase_if(event.items, [](const LibraryBuilder::Item& item) {
            return item.path.startsWith("Transcoded Media/") || item.path.startsWith("Render Files/") ||
                   item.path == "Original Media/A001_C002.mov";
        });
    }
    lib.event("Reception")
        .mediaLink("DJI_0007.MP4", volumesRoot + "/Field Drive/Wedding 2024/Drone/DJI_0007.MP4");
    auto& edit = lib.event("Ceremony").project("Ceremony Edit");
    edit.clips(2).savedAt(at("2025-03-02T10:00:00Z"));
    for (auto& row : edit.database.rows) {
        if (row.type == "FFAnchoredSequence")
            row = CollectionRow::anchoredSequence({.displayName = PlistValue("Ceremony Edit"),
                                                   .shareTags = PlistValue("wedding, client review, v2"),
                                                   .modDate = at("2025-03-02T10:00:00Z"),
                                                   .roles = weddingRoles()});
    }
    return lib;
}

// What an automatic backup holds: the databases, no media.
LibraryBuilder weddingBackup() {
    LibraryBuilder lib = wedding();
    lib.name = "20250301_0930_GMT+10";
    lib.stamp = at("2025-02-28T23:30:00Z");
    for (auto& event : lib.events)
        event.items.clear();
    lib.items.clear();
    return lib;
}

LibraryBuilder documentary(const QString& volumesRoot) {
    LibraryBuilder lib("Documentary - Rivers");
    lib.identifier = "C91F2A64-8E3B-47D5-A0C8-1B6E4F9D2A73";
    lib.catalogVersion = LibraryBuilder::catalogVersionText("10.6.5");
    lib.lockInfo("ben", "Edit-Suite-2");
    lib.stamp = at("2024-06-02T12:00:00Z");
    lib.database.modified = at("2024-06-01T17:30:00Z");

    auto& interviews = lib.event("Interviews");
    clipMedia(interviews, "Interview 1.mov", {{30, 110, 110}, {150, 190, 170}})
        .media("Interview 2.mov", 1 * MB + 600 * KB)
        .media("Stills/Portrait.JPG", 300 * KB)
        .mediaLink("River Aerial.mov", volumesRoot + "/Archive/Footage/River Aerial.mov")
        .mediaLink("C0042.MP4", volumesRoot + "/Field Drive/Card 2/C0042.MP4")
        .proxy("Interview 1.mov", 500 * KB)
        .proxy("Interview 2.mov", 400 * KB)
        .analysis("Audio Analysis/Interview 1.aa", 16 * KB);
    interviews.keyword("Interview").keyword("interview").keyword("Landscape");
    interviews.keywordRange({"INTERVIEW"}).keywordRange({"Interview", "Landscape"});
    interviews.marker("Good quote").marker("Plane overhead").marker("Good quote");
    interviews
        .clip({.displayName = PlistValue("Interview 1"),
               .notes = PlistValue("Fisherman, 40 years on the river"),
               .reel = PlistValue("R1"),
               .roles = documentaryRoles()})
        .clip({.displayName = PlistValue("  Interview 2  "), .notes = PlistValue("Needs audio cleanup")})
        .clip("Clip 9")
        .clip("Clip 10");
    interviews.camera({.videoCodecName = PlistValue("Apple ProRes 422 HQ"),
                       .cameraName = PlistValue("Cam B"),
                       .make = PlistValue("Lumix"),
                       .model = PlistValue("S-7"),
                       .lens = PlistValue("24-70mm")});
    interviews.roles(documentaryRoles());
    interviews.row(CollectionRow::audioUnit("aufx", "Ldns", "Lmnr", QString("Lumen Loudness"),
                                            "FFAudioUnitAnalyzingEffect"));
    timeline(interviews.project("Rough Cut"), "0/1s 27027000/30000s", "1001/30000", "FFVideoFormat1080p2997",
             at("2024-04-10T09:00:00Z"), at("2024-06-01T17:25:00Z"), 41)
        .sequence({.displayName = PlistValue("Rough Cut"),
                   .shareTags = PlistValue::strings({"documentary", "rough cut", "Documentary"}),
                   .modDate = at("2024-06-01T17:25:00Z"),
                   .roles = documentaryRoles()})
        .transitions(3)
        .favorites(5)
        .keywordRange({"Interview"})
        .marker("Chapter 1")
        .marker("Chapter 2")
        .row(CollectionRow::fxPlug(kUnnamedFxPlug))
        .row(CollectionRow::motionTemplate(kVignette))
        .row(CollectionRow::motionTemplate(kSky));

    auto& broll = lib.event("B-Roll");
    clipMedia(broll, "Sunrise.mov", {{250, 150, 60}, {70, 120, 200}, true})
        .media("Kayak.mov", 1 * MB)
        .media("README", 2 * KB)
        .proxy("Sunrise.mov", 350 * KB)
        .proxy("Kayak.mov", 260 * KB)
        .optimized("Sunrise.mov", 900 * KB)
        .render("Peaks Data/Sunrise.peak", 32 * KB);
    // A clip that no drive holds any more.
    broll.mediaLink("Heron.mov", volumesRoot + "/Field Drive/Rivers/B-Roll/Heron.mov");
    broll.keyword("Landscape")
        .keywordRange({"Landscape"})
        .analysisKeywordRange({"FFOrganizerGroup", "CloseUp"});
    broll.clip("Sunrise").clip("Kayak");
    timeline(broll.project("Trailer"), "0/1s 1800/25s", "100/2500", "FFVideoFormat720p25",
             at("2024-05-20T09:00:00Z"), at("2024-05-28T16:00:00Z"), 12)
        .transitions(8)
        .row(CollectionRow::motionTemplate(kWhip))
        .row(CollectionRow::motionTemplate(kWhip));

    // Sound only: nothing Final Cut Pro generates, so nothing the free-up-space sheet offers.
    lib.event("Music").media("Score.wav", 400 * KB);
    lib.event("__Old Versions").media("Old.mov", 100 * KB);
    lib.item(LibraryBuilder::Item::file("Old Exports/Rough Cut v1.mov", 700 * KB));
    return lib;
}

LibraryBuilder promo() {
    LibraryBuilder lib("Acme Promo");
    lib.identifier = "7E0D4B19-26A3-4C5F-8D71-E2B9A06C3F85";
    lib.catalogVersion = LibraryBuilder::catalogVersionText("11.0");
    lib.lockHost = PlistValue("Laptop-7");
    lib.stamp = at("2025-04-10T08:00:00Z");

    auto& shoot = lib.event("Shoot Day");
    clipMedia(shoot, "PROMO_001.mxf", {{20, 150, 80}, {235, 235, 235}})
        .media("PROMO_002.mxf", 1 * MB)
        .media("Logo.png", 80 * KB)
        .proxy("PROMO_001.mxf", 300 * KB)
        .render("High Quality Media/Render-0001.mov", 500 * KB);
    shoot.keyword("Product").keywordRange({"Product"}).marker("Logo reveal").clip("PROMO_001");
    shoot.camera(
        {.videoCodecName = PlistValue("XAVC"), .make = PlistValue("Orbis"), .model = PlistValue("OC-12")});
    timeline(shoot.project("Promo 30s"), "0/1s 900900/30000s", "1001/30000", "FFVideoFormat1080p2997",
             at("2025-04-01T09:00:00Z"), at("2025-04-09T18:00:00Z"), 15)
        .sequence({.displayName = PlistValue("Promo 30s"), .shareTags = PlistValue("acme, final")})
        .transitions(2)
        .row(CollectionRow::fxPlug(kGrainFxPlug, QString("Orbit Film Grain")))
        .row(CollectionRow::motionTemplate(kBoldTitle))
        .row(CollectionRow::motionTemplate(kSky));

    auto& podcast = lib.event("Podcast");
    podcast.media("Ep12 Host.wav", 700 * KB).media("Ep12 Guest.wav", 700 * KB);
    podcast.roles({{"Dialogue", {{"Host"}, {"Guest"}}}});
    auto& episode =
        timeline(podcast.project("Podcast Ep 12"), "0/1s 108108000/30000s", "1001/30000",
                 "FFVideoFormat1080p2997", at("2025-04-02T09:00:00Z"), at("2025-04-08T12:00:00Z"), 120);
    for (int i = 0; i < 120; ++i)
        episode.row(CollectionRow::audioUnit("aufx", "ADR2", "Actz", QString("DeRoom2")));
    return lib;
}

LibraryBuilder holidays() {
    LibraryBuilder lib("Family Holidays");
    lib.identifier = "2B8F6D03-94E1-4A7C-B5D2-0F3A9C8E1D46";
    lib.lockInfo("anna", "Home-iMac");
    lib.stamp = at("2025-01-05T20:00:00Z");
    auto& summer = lib.event("Summer 2024");
    // Shot upright on a phone: stored sideways with the turn that shows it upright.
    clipMedia(summer, "IMG_4101.MOV", {{60, 170, 220}, {230, 210, 150}, false, 90})
        .media("IMG_4102.MOV", 700 * KB)
        .media("IMG_4102.mov", 200 * KB);
    summer.keyword("Beach").keywordRange({"Beach"}).clip("IMG_4101");
    timeline(summer.project("Summer Film"), "0/1s 3600/30s", "1/30", "FFVideoFormat1080p30",
             at("2024-08-20T19:00:00Z"), at("2025-01-05T19:30:00Z"), 9);
    return lib;
}

void clearEarlierSet(const QString& folder) {
    QDir dir(folder);
    if (!dir.exists())
        return;
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (entries.isEmpty())
        return;
    const bool ours = entries.contains(QString::fromLatin1(markerName));
    for (const QString& entry : entries) {
        if (!ours || !kTopLevel.contains(entry)) {
            throw std::runtime_error(
                QStringLiteral(
                    "%1 already holds other files (\"%2\"). Nothing was changed; choose an empty folder.")
                    .arg(folder, entry)
                    .toStdString());
        }
    }
    for (const QString& entry : entries) {
        const QString path = dir.filePath(entry);
        const QFileInfo info(path);
        const bool removed =
            info.isDir() && !info.isSymLink() ? QDir(path).removeRecursively() : QFile::remove(path);
        if (!removed)
            throw std::runtime_error(
                QStringLiteral("could not remove the earlier sample %1").arg(path).toStdString());
    }
}

} // namespace

Result write(const QString& folderArgument) {
    const QString folder = QDir(folderArgument).absolutePath();
    clearEarlierSet(folder);
    FixtureFiles::makeFolder(folder);
    FixtureFiles::writeBytes(
        folder + "/" + markerName,
        "Sample libraries written by tovlin-samples. Running the tool again on this folder "
        "replaces everything in it.\n");

    Result result;
    result.folder = folder;
    result.volumesRoot = folder + "/Volumes";
    result.homeFolder = folder + "/Home";
    result.finalCutApp = folder + "/Applications/Final Cut Pro.app";
    const QString studio = result.volumesRoot + "/Studio";
    const QString archive = result.volumesRoot + "/Archive";
    const QString backup = result.volumesRoot + "/Backup";
    result.drives = {studio, archive, backup};

    // Footage that links in the libraries point at, on the drives themselves.
    FixtureFiles::writeRandom(studio + "/Footage/Drone/DJI_0001.MP4", 1 * MB + 500 * KB);
    FixtureFiles::writeRandom(archive + "/Footage/Drone/DJI_0001.MP4", 1 * MB + 500 * KB);
    FixtureFiles::writeRandom(archive + "/Footage/River Aerial.mov", 1 * MB);
    // The files broken links name, found in other places, for the missing-files search: one by
    // its name only, one in the same folders on the backup drive and again in the home folder.
    FixtureFiles::writeRandom(archive + "/Footage/Card 2/C0042.MP4", 800 * KB);
    FixtureFiles::writeRandom(backup + "/Card Backups/Wedding 2024/Drone/DJI_0007.MP4", 900 * KB);
    FixtureFiles::writeRandom(result.homeFolder + "/Downloads/DJI_0007.MP4", 900 * KB);

    result.libraries << wedding().write(studio + "/Libraries");
    result.libraries << documentary(result.volumesRoot).write(studio + "/Libraries");
    result.libraries << promo().write(studio + "/Clients/Acme");
    result.libraries << weddingArchiveCopy(result.volumesRoot).write(archive + "/Libraries");
    result.libraries << weddingBackup().write(backup + "/Final Cut Backups.localized/Wedding 2024");
    result.libraries << holidays().write(result.homeFolder + "/Movies");

    // One of the templates the projects use is installed; the others are missing.
    FixtureFiles::writeBytes(result.homeFolder + "/Movies/Motion Templates.localized/" + kCleanTitle.mid(2),
                             "<template/>\n");
    FixtureFiles::writeFinalCutApp(result.finalCutApp, "10.8.1", {kAppleFxPlug});
    return result;
}

} // namespace pellimor::fixtures::SampleSet
