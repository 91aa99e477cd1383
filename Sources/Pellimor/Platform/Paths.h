#pragma once

#include <QString>

// Where the program keeps its files. Every function reads the environment afresh, so tests
// can point them at temporary folders.
namespace pellimor::Paths {

// The user's Application Support folder: $XDG_DATA_HOME, else ~/.local/share.
QString applicationSupport();

// The program's own folder there: "<Application Support>/Pellimor".
QString programSupportFolder();

// The record that DeRoom is parked: "Parked Audio Units/parked-deroom.json" in the program's
// folder. The parked bundle lies beside it. Never moved by TOVLIN_DATA_DIR: what it records
// belongs to this user's Audio Units, not to a catalogue.
QString deroomRecordFile();

// The data folder: $TOVLIN_DATA_DIR when set and not empty, else programSupportFolder().
QString dataFolder();

// Where the settings store lives: $XDG_CONFIG_HOME/Pellimor, else ~/.config/Pellimor.
QString configFolder();

} // namespace pellimor::Paths
