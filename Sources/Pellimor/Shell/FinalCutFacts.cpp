#include "Shell/FinalCutFacts.h"

#include "FinalCut/DeRoomPark.h"
#include "Platform/Paths.h"

#include <mutex>

namespace pellimor::FinalCutFacts {

namespace {

std::mutex g_mutex;
std::function<bool()> g_savedPreferences;

} // namespace

QString deroomRecordFile() {
    return Paths::deroomRecordFile();
}

bool deroomParked() {
    return DeRoomPark::isParked();
}

bool savedPreferencesExist() {
    std::function<bool()> check;
    {
        std::lock_guard lock(g_mutex);
        check = g_savedPreferences;
    }
    return check ? check() : false;
}

void setSavedPreferencesCheck(std::function<bool()> check) {
    std::lock_guard lock(g_mutex);
    g_savedPreferences = std::move(check);
}

} // namespace pellimor::FinalCutFacts
