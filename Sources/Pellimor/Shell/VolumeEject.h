#pragma once

#include "Platform/Ejector.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

// Ejecting a drive the way the desktop does: the volume is unmounted, then the drive ejected,
// neither step forced, through the platform's ejector (platform::services().ejector). Every
// answer becomes one of four outcomes with a sentence that names the drive. It also answers
// the two questions asked before an eject is offered: is this the start-up disk, and is it
// mounted at all.
//
// Main thread only.
namespace pellimor::VolumeEject {

struct Outcome {
    enum class Kind {
        refused, // the program declined, or the system refused; the text says why
        failed,  // the attempt went wrong; the text says what state the drive was left in
        ejected, // the volume is gone
        busy,    // something uses the volume, and it stayed mounted
    };
    Kind kind = Kind::failed;
    QString message; // empty for `ejected` and `busy`

    static Outcome refused(QString message) { return {Kind::refused, std::move(message)}; }
    static Outcome failed(QString message) { return {Kind::failed, std::move(message)}; }
    static Outcome ejected() { return {Kind::ejected, {}}; }
    static Outcome busy() { return {Kind::busy, {}}; }

    // The same case and, for the cases with a text, the same text.
    bool operator==(const Outcome&) const = default;
};

// Whether `path` (made absolute and clean) is the start-up disk: "/" and
// "/System/Volumes/Data" are; a path below the volumes root is a drive and never is; any other
// path is when it lies on the device of "/", and is not when it lies elsewhere or cannot be
// examined.
bool startupMount(const QString& path);

// Whether `path` (made absolute and clean) is "/" or the mount path of a volume mounted now
// (VolumesRoot::mountedVolumes(): with $TOVLIN_VOLUMES_ROOT set, any folder directly under it).
bool isMounted(const QString& path);

// ---- The sentences ------------------------------------------------------------------------
QString startupSentence(const QString& name);       // "NAME is the startup disk, so it was left mounted."
QString notMountedSentence(const QString& name);    // "NAME is not mounted."
QString cannotSentence(const QString& name);        // "NAME can’t be ejected, so it was left mounted."
QString couldNotSentence(const QString& name);      // "Couldn’t eject NAME. It was left mounted."
QString unmountedOnlySentence(const QString& name); // "Unmounted NAME. The disk itself did not eject, …"

// ---- The decisions ------------------------------------------------------------------------
// Each takes whether the volume is still mounted, asked afresh when the answer came, and the
// ejector's answer. Still mounted or not decides before the answer does: a volume that went
// away despite a dissent was ejected, one that stayed despite a success was not.

// After the unmount: nothing when the drive is to be ejected next, else the outcome. An answer
// that the disk service cannot be reached, or knows no such volume, comes before anything was
// tried and decides alone.
std::optional<Outcome> afterUnmount(bool stillMounted, platform::Ejector::Answer answer, const QString& name);

// After the eject.
Outcome afterEject(bool stillMounted, platform::Ejector::Answer answer, const QString& name);

// ---- The eject ----------------------------------------------------------------------------
using Completion = std::function<void(const Outcome& outcome)>;

// Ejects the volume mounted at `mount`, named `name` in the sentences, and returns at once.
// The completion is called exactly once: at once when the eject is refused before the system
// is asked (the start-up disk, a volume that is not mounted), otherwise later on the main
// thread — and then only while `guard` still exists, so an answer that comes after the
// window closed touches nothing. Several ejects may run at once, each on its own.
void eject(const QString& mount, const QString& name, Completion completion, QObject* guard);

// ---- "--selftest-eject" -------------------------------------------------------------------
// startupMount is true for "/" and "/System/Volumes/Data" and false for a path under the
// volumes root naming a drive that is not mounted; then the toolbar's segment rule goes into
// force (ToolbarContrast::install). True when every step answered as it should; prints
// nothing and never touches a drive.
bool selfTest();

} // namespace pellimor::VolumeEject
