#include "Platform/ProblemReporter.h"

#include <QDebug>
#include <memory>
#include <mutex>
#include <utility>

namespace pellimor::platform::ProblemReporter {

namespace {

std::mutex g_mutex;
std::shared_ptr<const Sink> g_sink; // null: qWarning

void warn(const Problem& problem) {
    QString text = (problem.level == Level::warn ? QStringLiteral("WARN ") : QStringLiteral("ERROR ")) +
                   problem.area + QStringLiteral(": ") + problem.message;
    if (problem.path)
        text += QStringLiteral("  path: ") + *problem.path;
    qWarning().noquote() << text;
}

} // namespace

void report(const Problem& problem) {
    std::shared_ptr<const Sink> sink;
    {
        std::lock_guard lock(g_mutex);
        sink = g_sink;
    }
    if (sink)
        (*sink)(problem);
    else
        warn(problem);
}

Sink install(Sink sink) {
    std::shared_ptr<const Sink> replacement = sink ? std::make_shared<const Sink>(std::move(sink)) : nullptr;
    std::shared_ptr<const Sink> previous;
    {
        std::lock_guard lock(g_mutex);
        previous = std::exchange(g_sink, std::move(replacement));
    }
    return previous ? *previous : Sink();
}

} // namespace pellimor::platform::ProblemReporter
