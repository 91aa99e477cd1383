#pragma once

#include "Platform/Services.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>

namespace pellimor::test {

// A file manager that shows nothing and remembers every path it was asked to reveal or open,
// and every link it was asked to open, in order. Main thread only.
//
//   auto files = std::make_shared<test::RecordingFileManager>();
//   platform::ScopedServices scope(test::RecordingFileManager::services(files));
//   ErrorLog::reveal();
//   EXPECT_EQ(files->revealed, QStringList{ErrorLog::url()});
class RecordingFileManager final : public platform::FileManagerShell {
public:
    void reveal(const QString& path) override { revealed.append(path); }
    void open(const QString& path) override { opened.append(path); }
    void openUrl(const QUrl& url) override { openedUrls.append(url); }

    QStringList revealed;
    QStringList opened;
    QList<QUrl> openedUrls;

    // Services with only this file manager set, for platform::ScopedServices.
    static platform::Services services(std::shared_ptr<platform::FileManagerShell> files) {
        platform::Services s;
        s.shell = std::move(files);
        return s;
    }
};

} // namespace pellimor::test
