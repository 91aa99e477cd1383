#include "ScanRules/VolumeScanRules.h"

#include "Tests/ScanRules/Printers.h"

#include <gtest/gtest.h>

using namespace pellimor;
using namespace pellimor::VolumeScanRules;

namespace {

struct SkipCase {
    const char* name;
    bool outside; // skipped outside a library bundle (SafetyNet rule off)
    bool inside;  // skipped inside a library bundle (SafetyNet rule off)
};

} // namespace

TEST(VolumeScanRules, SkipsFoldersOutsideAndInsideALibrary) {
    const SkipCase cases[] = {
        // The dot rule applies outside a library only, and spares the cache folder there.
        {".hidden", true, false},
        {".git", true, false},
        {".fcpcache", false, true},
        {".", true, false},
        // Folders Final Cut Pro rebuilds are left alone inside a library only.
        {"Render Files", false, true},
        {"Transcoded Media", false, true},
        {"Analysis Files", false, true},
        {"Optimized Media", false, true},
        {"Proxy Media", false, true},
        {"render files", false, false},
        {"Original Media", false, false},
        // System, backup and trash folders, everywhere, by exact name.
        {"Backups.backupdb", true, true},
        {".MobileBackups", true, true},
        {".Trashes", true, true},
        {".Trash", true, true},
        {".Spotlight-V100", true, true},
        {".fseventsd", true, true},
        {".TemporaryItems", true, true},
        {"node_modules", true, true},
        {"$RECYCLE.BIN", true, true},
        {"System Volume Information", true, true},
        {"Node_Modules", false, false},
        {"system volume information", false, false},
        // Package extensions in any letter case, everywhere.
        {"Photos Library.photoslibrary", true, true},
        {"Tools.APP", true, true},
        {"Final Cut Pro.app", true, true},
        {"iMovie Library.imovielibrary", true, true},
        {"Sparkle.framework", true, true},
        {"Plugin.Bundle", true, true},
        {"Old Mac.backupdb", true, true},
        {"Disk Image.sparsebundle", true, true},
        {"Catalog Previews.lrdata", true, true},
        {"Deck.key.KEYFLOW", true, true},
        {"my.app.folder", false, false},
        {"app", false, false},
        // A hidden name has no extension, so inside a library ".app" is entered.
        {".app", true, false},
        {"Clips.", false, false},
        // Ordinary folders.
        {"Wedding 2024", false, false},
        {"Wedding.fcpbundle", false, false},
        {"My SafetyNet copies", false, false},
        {"", false, false},
    };
    for (const SkipCase& c : cases) {
        EXPECT_EQ(shouldSkipDirectory(c.name, false, false), c.outside) << "outside: " << c.name;
        EXPECT_EQ(shouldSkipDirectory(c.name, true, false), c.inside) << "inside: " << c.name;
    }
}

TEST(VolumeScanRules, SafetyNetFoldersSkippedOnlyWhenAsked) {
    const char* const safetyNet[] = {"My SafetyNet copies", "mysafetynet", "SAFETYNET", "Old safetyNet 2023"};
    for (const char* name : safetyNet) {
        for (const bool inside : {false, true}) {
            EXPECT_TRUE(shouldSkipDirectory(name, inside, true)) << name << " inside=" << inside;
            EXPECT_FALSE(shouldSkipDirectory(name, inside, false)) << name << " inside=" << inside;
        }
    }
    // Near misses are entered even with the rule on.
    for (const char* name : {"Safety Net", "Safety-Net", "Net Safety"})
        EXPECT_FALSE(shouldSkipDirectory(name, false, true)) << name;
    // The rule adds skips; it never un-skips what another rule left out.
    EXPECT_TRUE(shouldSkipDirectory(".SafetyNet", false, false));
    EXPECT_TRUE(shouldSkipDirectory("SafetyNet.app", false, false));
}

TEST(VolumeScanRules, RecognisesLibrariesAndOriginalMedia) {
    const std::pair<const char*, bool> bundles[] = {
        {"Wedding.fcpbundle", true},
        {"Wedding.FCPBundle", true},
        {"A.b.fcpbundle", true},
        {"/Volumes/Footage/Wedding.fcpbundle", true},
        {"/Volumes/Footage/Wedding.fcpbundle/", true},
        // A hidden name's only dot starts it, so there is no extension.
        {".fcpbundle", false},
        {"Wedding.fcpbundle.zip", false},
        {"Wedding fcpbundle", false},
        {"Wedding.fcpbundle.", false},
        {"fcpbundle", false},
        {"Wedding.fcpbundle/Clips", false},
    };
    for (const auto& [name, expected] : bundles)
        EXPECT_EQ(isFinalCutBundle(name), expected) << name;

    EXPECT_EQ(finalCutBundleExtension(), "fcpbundle");
    EXPECT_TRUE(isOriginalMediaFolder("Original Media"));
    for (const char* name : {"original media", "Original Media ", "Original", "OriginalMedia", ""})
        EXPECT_FALSE(isOriginalMediaFolder(name)) << name;
}

TEST(VolumeScanRules, SkipsSystemAndStartupVolumes) {
    EXPECT_TRUE(shouldSkipVolume("/", false));
    EXPECT_TRUE(shouldSkipVolume("/System/Volumes/Data", false));
    EXPECT_TRUE(shouldSkipVolume("/Volumes/Footage", true));
    EXPECT_FALSE(shouldSkipVolume("/Volumes/Footage", false));
    EXPECT_FALSE(shouldSkipVolume("/System/Volumes/Data/", false));
    EXPECT_FALSE(shouldSkipVolume("/System/Volumes/Preboot", false));
}

TEST(VolumeScanRules, TellsSystemVolumes) {
    struct Case {
        const char* mountPath;
        std::optional<QString> type;
        std::optional<QString> name;
        bool expected;
    };
    const Case cases[] = {
        // The start-up volume's paths, whatever else is said.
        {"/", std::nullopt, std::nullopt, true},
        {"/System/Volumes/Data", QString("apfs"), QString("Data"), true},
        // The type: "system" without "external", in any letter case.
        {"/Volumes/X", QString("APFS System"), QString("Macintosh HD"), true},
        {"/Volumes/X", QString("SYSTEM"), std::nullopt, true},
        {"/Volumes/X", QString("External System Drive"), QString("Footage"), false},
        {"/Volumes/X", QString("external system"), std::nullopt, false},
        {"/Volumes/X", QString("apfs"), QString("Footage"), false},
        // An external or unknown type still counts by the system's volume names.
        {"/Volumes/X", QString("External System Drive"), QString("Recovery"), true},
        {"/Volumes/X", QString("External System Drive"), QString("Preboot"), true},
        {"/Volumes/X", QString("External System Drive"), QString("VM"), true},
        {"/System/Volumes/VM", std::nullopt, QString("VM"), true},
        {"/System/Volumes/Preboot", QString("apfs"), QString("Preboot"), true},
        {"/Volumes/X", std::nullopt, QString("Recovery"), true},
        // Names are exact.
        {"/Volumes/X", std::nullopt, QString("recovery"), false},
        {"/Volumes/X", std::nullopt, QString("VM "), false},
        {"/Volumes/X", std::nullopt, QString(""), false},
        {"/Volumes/X", std::nullopt, std::nullopt, false},
        {"/Volumes/X", QString(""), std::nullopt, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isSystemVolume(c.mountPath, c.type, c.name), c.expected)
            << c.mountPath << " type=" << c.type.value_or("<none>").toStdString()
            << " name=" << c.name.value_or("<none>").toStdString();
    }
}

TEST(VolumeScanRules, MediaKindByExtension) {
    const char* const videos[] = {"mov", "mp4",  "m4v", "mxf",  "avi",  "mkv", "braw", "r3d",
                                  "mts", "m2ts", "mpg", "mpeg", "insv", "lrv", "dv",   "vob"};
    const char* const photos[] = {"jpg", "jpeg", "png", "heic", "heif", "tif", "tiff", "dng", "raw",
                                  "cr2", "cr3",  "nef", "arw",  "raf",  "orf", "rw2",  "gif", "webp"};
    for (const char* ext : videos) {
        EXPECT_EQ(mediaKindForExtension(ext), MediaKind::video) << ext;
        EXPECT_EQ(mediaKindForExtension(QString(ext).toUpper()), MediaKind::video) << ext;
    }
    for (const char* ext : photos) {
        EXPECT_EQ(mediaKindForExtension(ext), MediaKind::photo) << ext;
        EXPECT_EQ(mediaKindForExtension(QString(ext).toUpper()), MediaKind::photo) << ext;
    }
    for (const char* ext : {"txt", "wav", "", ".mov", "mov ", "fcpbundle"})
        EXPECT_EQ(mediaKindForExtension(ext), std::nullopt) << ext;
}

TEST(VolumeScanRules, MediaKindByFileName) {
    const std::pair<const char*, std::optional<MediaKind>> cases[] = {
        {"CLIP.MOV", MediaKind::video},
        {"frame.DNG", MediaKind::photo},
        {"notes.txt", std::nullopt},
        {"A001_C002.braw", MediaKind::video},
        {"holiday.tar.Mp4", MediaKind::video},
        {"/Volumes/Footage/Day 1/IMG_0001.HEIC", MediaKind::photo},
        // Only the last path component counts.
        {"/Volumes/shots.mov/readme", std::nullopt},
        // A hidden name or a trailing dot leaves no extension.
        {".mov", std::nullopt},
        {"clip.", std::nullopt},
        {"mov", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(mediaKindForFileName(name), expected) << name;
}
