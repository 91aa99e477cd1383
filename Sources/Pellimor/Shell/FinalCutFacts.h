#pragma once

#include <QString>
#include <functional>

// What the Final Cut menu needs to know about files that Final Cut Pro control keeps, asked
// each time the menus are rebuilt.
namespace pellimor::FinalCutFacts {

// "parked-deroom.json" in "Parked Audio Units" of the program's Application Support folder
// "Pellimor" (Paths::deroomRecordFile, not moved by TOVLIN_DATA_DIR). The file exists only
// while the DeRoom Audio Unit is parked.
QString deroomRecordFile();

// Whether DeRoom is parked: the record file exists (DeRoomPark::isParked).
bool deroomParked();

// Whether saved Final Cut Pro preference files are there to put back (the folder "Final Cut
// preferences" in the safety-copy root holds at least one). The preferences backup installs
// the check that knows those files; until it does, none are known and this answers false.
bool savedPreferencesExist();

// Replaces the check behind savedPreferencesExist(); an empty function restores "none".
// Safe from any thread.
void setSavedPreferencesCheck(std::function<bool()> check);

} // namespace pellimor::FinalCutFacts
