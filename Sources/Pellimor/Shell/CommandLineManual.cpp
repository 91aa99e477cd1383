// "--ask-manual": the manual's answer to a question, as the manual window gives it, without a
// window.

#include "Manual/ManualAI.h"
#include "Manual/ManualDoc.h"
#include "Manual/ManualSearch.h"
#include "Shell/CommandLine.h"

#include <QCoreApplication>
#include <memory>
#include <thread>

namespace pellimor::CommandLine {

int askManual(const QStringList& args, const Print& print) {
    // The local language model is asked over the network, which needs an application object.
    std::unique_ptr<QCoreApplication> application;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "tovlin";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QCoreApplication>(argc, argv);
    }

    const QString question = args.mid(2).join(u' ');
    const QList<ManualSection> found =
        ManualSearch::best(question, ManualSearch::sections(ManualDoc::manual.text().value_or(QString())), 4);
    QStringList titles;
    for (const ManualSection& section : found)
        titles.append(section.title);
    print(QStringLiteral("Sections: ") + titles.join(QStringLiteral(" | ")));

    if (const std::optional<QString> reason = ManualAI::unavailableReason()) {
        print(QStringLiteral("No written answer: ") + *reason);
        return 0;
    }
    // The model writes on a worker, as it does for the window; with no window to keep
    // answering, this thread simply waits for it.
    ManualAI::Answer written;
    std::thread writer([&] { written = ManualAI::answer(question, found); });
    writer.join();
    if (written.ok()) {
        print(QString());
        print(QStringLiteral("Answer:"));
        print(*written.text);
    } else {
        print(QStringLiteral("AI error: ") + written.error->description);
    }
    return 0;
}

} // namespace pellimor::CommandLine
