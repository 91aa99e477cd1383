#pragma once

#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Platform/SettingsStore.h"
#include "Tests/Support/EventLoop.h"
#include "Tests/Support/FakeFinalCutApp.h"
#include "Tests/Support/FakeVolumeFacts.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <functional>
#include <memory>

namespace pellimor::test {

// Everything a Catalog needs in a test, fresh for each test: its own data folder
// (TOVLIN_DATA_DIR), an in-memory settings store, fake volumes and a Final Cut Pro that is not
// installed — all installed for the object's lifetime. Create the Catalog after this object
// and destroy it before.
//
//   CatalogTestEnv env;
//   env.settings->setInteger("scanThreads", 4);
//   auto catalog = env.makeCatalog();
//   ASSERT_TRUE(CatalogTestEnv::waitUntil([&] { return !catalog->isScanning(); }));
class CatalogTestEnv {
public:
    explicit CatalogTestEnv(const QString& hint = QStringLiteral("catalog"))
        : dataDir(QDir(TestEnv::freshDir(hint)).filePath(QStringLiteral("data"))),
          settings(std::make_shared<platform::SettingsStore>(QString())),
          volumes(std::make_shared<FakeVolumeFacts>()), finalCut(FakeFinalCutApp::notInstalled()),
          m_previousDataDir(qgetenv("TOVLIN_DATA_DIR")), m_scope(services(settings, volumes, finalCut)) {
        qputenv("TOVLIN_DATA_DIR", dataDir.toUtf8());
    }
    ~CatalogTestEnv() { qputenv("TOVLIN_DATA_DIR", m_previousDataDir); }
    CatalogTestEnv(const CatalogTestEnv&) = delete;
    CatalogTestEnv& operator=(const CatalogTestEnv&) = delete;

    std::unique_ptr<Catalog> makeCatalog() const { return std::make_unique<Catalog>(); }

    // See EventLoop.h.
    static bool waitUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
        return test::waitUntil(done, timeoutMs);
    }
    static void spin(int ms) { test::spin(ms); }

    const QString dataDir;
    const std::shared_ptr<platform::SettingsStore> settings;
    const std::shared_ptr<FakeVolumeFacts> volumes;
    const std::shared_ptr<FakeFinalCutApp> finalCut;

private:
    static platform::Services services(std::shared_ptr<platform::SettingsStore> settings,
                                       std::shared_ptr<FakeVolumeFacts> volumes,
                                       std::shared_ptr<FakeFinalCutApp> finalCut) {
        platform::Services s;
        s.settings = std::move(settings);
        s.volumes = std::move(volumes);
        s.finalCut = std::move(finalCut);
        return s;
    }

    QByteArray m_previousDataDir;
    platform::ScopedServices m_scope;
};

} // namespace pellimor::test
