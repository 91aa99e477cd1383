#include "Shell/FinalCutFacts.h"

#include "Platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <mutex>

namespace pellimor::FinalCutFacts {

namespace {

std::mutex g_mutex;
std::function<bool()> g_savedPreferences;

} // namespace

QString deroomRecordFile() {
    return QDir(Paths::programSupportFolder())
        .filePath(QStringLiteral("Parked Audio Units/parked-deroom.json"));
}

bool deroomParked() {
    return QFileInfo::exists(deroomRecordFile());
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
