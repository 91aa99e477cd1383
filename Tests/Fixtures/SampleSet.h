#pragma once

#include <QString>
#include <QStringList>

// The sample libraries that the run command opens when it is given no folder, and that
// tests and benchmarks can write wherever they like. Everything is fixed: the same folder
// content (names, bytes, identifiers, times) on every run, apart from absolute link targets,
// which name the folder written into.
//
// Layout inside the folder:
//   Volumes/Studio    the working drive: three libraries (current, older and newer than the
//                     sample application's version) and the footage some media links point to
//   Volumes/Archive   a second copy of "Wedding 2024" (same library identifier, one project
//                     re-edited, one media file missing, no generated media) and more footage
//   Volumes/Backup    a backup drive holding an automatic backup of "Wedding 2024" in
//                     "Final Cut Backups.localized"
//   Home/Movies       a library on the start-up volume and one installed Motion template
//   Applications/Final Cut Pro.app   a stand-in application (version 10.8.1)
// Together they hold events, projects, keywords, markers, notes, camera data, roles,
// FxPlug, Motion-template and Audio Unit plug-ins (DeRoom 2 on 120 clips of one project),
// proxy, optimized, render and analysis files, an event of sound only (nothing generated),
// relative and absolute links, broken links to a drive that is not connected (on two drives;
// the files of two of them lie elsewhere, one on the backup drive and in the home folder),
// "__" folders and folders without an event database.
// Media files are random bytes, except one short real clip in every event whose original
// media include video files (a phone clip recorded upright among them), so poster frames can
// be made; in "Interviews" and "B-Roll" the first video file tried is not the clip.
namespace pellimor::fixtures::SampleSet {

// The file that marks a folder as written by this tool, so that writing again may replace it.
inline constexpr const char* markerName = ".tovlin-samples";

struct Result {
    QString folder;
    QString volumesRoot;   // folder + "/Volumes"
    QString homeFolder;    // folder + "/Home"
    QString finalCutApp;   // folder + "/Applications/Final Cut Pro.app"
    QStringList drives;    // the drive folders, in the order above
    QStringList libraries; // every bundle written, in writing order
};

// Writes the sample set into `folder` (created when missing). A folder that already holds a
// sample set has it replaced; a folder holding anything else is refused and left untouched.
// Throws std::runtime_error with a message a user can act on.
Result write(const QString& folder);

} // namespace pellimor::fixtures::SampleSet
