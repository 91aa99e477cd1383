#pragma once

// A computer of the test's own for the plug-in checks: a system-wide root and a home folder
// (HOME) in fresh temporary folders, an Audio Unit registry and an FxPlug registry that count
// their questions, and a catalogue with the plug-in counter installed. It starts with the
// catalogue's recheck, so nothing an earlier test left in the shared checker counts.

#include "Catalogue/Store/Catalog.h"
#include "Platform/Services.h"
#include "Plugins/PackStats.h"
#include "Tests/Support/CatalogTestEnv.h"
#include "Tests/Support/FakeAudioUnitRegistry.h"
#include "Tests/Support/FakeFxPlugRegistry.h"
#include "Tests/Support/FakeRootFolder.h"
#include "Tests/Support/Scopes.h"
#include "Tests/Support/TempFiles.h"
#include "Tests/Support/TestEnv.h"

#include <QDir>
#include <QString>
#include <memory>

namespace pellimor::test {

class PluginMachine {
public:
    explicit PluginMachine(const QString& hint = QStringLiteral("plugins"))
        : root(TestEnv::freshDir(hint + QStringLiteral("-root"))),
          home(TestEnv::freshDir(hint + QStringLiteral("-home"))), catalogEnv(hint),
          homeVariable("HOME", home), scope(services(rootFolder, audioUnits, fxplugs)),
          catalog(catalogEnv.makeCatalog()) {
        catalog->setPluginCounter(PackStats::counter());
        catalog->recheckPlugins();
    }
    ~PluginMachine() { catalog.reset(); }
    PluginMachine(const PluginMachine&) = delete;
    PluginMachine& operator=(const PluginMachine&) = delete;

    // Where Final Cut Pro looks for templates, and FxPlug plug-ins, on this computer.
    QString systemTemplates() const {
        return QDir(root).filePath(
            QStringLiteral("Library/Application Support/Final Cut Pro/Templates.localized"));
    }
    QString userTemplates() const {
        return QDir(home).filePath(QStringLiteral("Movies/Motion Templates.localized"));
    }
    QString systemFxPlug() const { return QDir(root).filePath(QStringLiteral("Library/Plug-Ins/FxPlug")); }
    QString userFxPlug() const { return QDir(home).filePath(QStringLiteral("Library/Plug-Ins/FxPlug")); }

    // A template file at `rest` below one of the template folders.
    static void installTemplate(const QString& folder, const QString& rest) {
        writeFile(folder + QLatin1Char('/') + rest, "<template/>\n");
    }
    // A plug-in bundle whose information list holds `info`.
    static void writeBundle(const QString& bundle, const QByteArray& info) {
        writeFile(QDir(bundle).filePath(QStringLiteral("Contents/Info.plist")), info);
    }
    // An XML information list naming the plug-in `uuid`, as plug-ins write it.
    static QByteArray infoList(const QString& uuid) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>\n"
               "<key>ProPlugPlugInList</key><array><dict><key>uuid</key><string>" +
               uuid.toUtf8() + "</string></dict></array>\n</dict></plist>\n";
    }

    const QString root;
    const QString home;
    const std::shared_ptr<FakeRootFolder> rootFolder = std::make_shared<FakeRootFolder>(root);
    const std::shared_ptr<FakeAudioUnitRegistry> audioUnits = std::make_shared<FakeAudioUnitRegistry>();
    const std::shared_ptr<FakeFxPlugRegistry> fxplugs = std::make_shared<FakeFxPlugRegistry>();
    CatalogTestEnv catalogEnv;

private:
    static platform::Services services(std::shared_ptr<FakeRootFolder> root,
                                       std::shared_ptr<FakeAudioUnitRegistry> units,
                                       std::shared_ptr<FakeFxPlugRegistry> fxplugs) {
        platform::Services s;
        s.rootFolder = std::move(root);
        s.audioUnits = std::move(units);
        s.fxplugs = std::move(fxplugs);
        return s;
    }

    ScopedEnvironment homeVariable;
    platform::ScopedServices scope;

public:
    std::unique_ptr<Catalog> catalog;
};

} // namespace pellimor::test
