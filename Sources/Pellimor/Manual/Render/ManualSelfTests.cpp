#include "Manual/Render/ManualSelfTests.h"

#include "Manual/ManualSearch.h"
#include "Manual/Render/MarkdownLayout.h"

#include <QGuiApplication>
#include <memory>

namespace pellimor::ManualSelfTests {

int run(const std::function<void(const QString&)>& print) {
    std::unique_ptr<QGuiApplication> application;
    if (!QCoreApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tovlin";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
    if (!MarkdownHTML::selfTest(print))
        return 1;
    return ManualSearch::selfTest(print) ? 0 : 1;
}

} // namespace pellimor::ManualSelfTests
