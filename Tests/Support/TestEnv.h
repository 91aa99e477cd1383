#pragma once

#include "Tests/Support/QtPrinters.h"

#include <QString>

namespace pellimor::test {

// The temporary folders the test main set up for this process. Every test process gets
// its own: HOME, XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME, TOVLIN_DATA_DIR and
// TOVLIN_VOLUMES_ROOT all point below root().
struct TestEnv {
    static QString root();
    static QString home();
    static QString dataHome();    // XDG_DATA_HOME
    static QString configHome();  // XDG_CONFIG_HOME
    static QString dataDir();     // TOVLIN_DATA_DIR
    static QString volumesRoot(); // TOVLIN_VOLUMES_ROOT

    // A fresh, empty folder below root() for one test (named after `hint`).
    static QString freshDir(const QString& hint);

    // Called once by the test main.
    static void setUp();
    static void tearDown();
};

} // namespace pellimor::test
