#include "Catalogue/Logs/ErrorLog.h"

#include "Platform/Paths.h"
#include "Platform/Services.h"
#include "Support/IsoTime.h"
#include "Support/LogFile.h"
#include "Support/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <exception>
#include <memory>
#include <mutex>
#include <typeinfo>

namespace pellimor::ErrorLog {

namespace {

// Timed, so the crash handler can give up instead of hanging a dying process on a lock.
std::timed_mutex& fileLock() {
    static std::timed_mutex lock;
    return lock;
}

std::atomic<bool> g_headless{false};
std::once_flag g_startOnce;
std::atomic<std::terminate_handler> g_previousTerminate{nullptr};

bool isLineBreak(QChar c) {
    switch (c.unicode()) {
    case 0x000A: // line feed
    case 0x000B: // vertical tab
    case 0x000C: // form feed
    case 0x000D: // carriage return (a CR LF pair only leaves an empty piece between them)
    case 0x0085: // next line
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
        return true;
    default:
        return false;
    }
}

// The non-empty pieces of `text` between line breaks, untrimmed.
QStringList splitLines(const QString& text) {
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || isLineBreak(text.at(i))) {
            if (i > start)
                pieces.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    return pieces;
}

bool isSpaceOrTab(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString trimSpacesAndTabs(const QString& piece) {
    qsizetype begin = 0;
    qsizetype end = piece.size();
    while (begin < end && isSpaceOrTab(piece.at(begin)))
        ++begin;
    while (end > begin && isSpaceOrTab(piece.at(end - 1)))
        --end;
    return piece.mid(begin, end - begin);
}

// One entry is one line, whatever the message looked like.
QString fold(const QString& text) {
    QStringList kept;
    for (const QString& piece : splitLines(text)) {
        const QString trimmed = trimSpacesAndTabs(piece);
        if (!trimmed.isEmpty())
            kept.append(trimmed);
    }
    return kept.join(QStringLiteral(" | "));
}

QByteArray entryBytes(Level level, const QString& area, const QString& message,
                      const std::optional<QString>& path, const QDateTime& now) {
    QString text = message;
    if (path)
        text += QStringLiteral("  path: ") + *path;
    const QString line = IsoTime::utc(now) + QLatin1Char(' ') + word(level) + QLatin1Char(' ') + area +
                         QStringLiteral(": ") + fold(text) + QLatin1Char('\n');
    return line.toUtf8();
}

// The caller holds fileLock().
void writeLocked(const QString& file, const QByteArray& bytes, qint64 maxBytes) {
    QDir().mkpath(QFileInfo(file).absolutePath());
    const QFileInfo info(file);
    // Only a regular file is rotated; anything else standing at the log's name is left alone.
    if (info.isFile() && info.size() + bytes.size() > maxBytes) {
        const QString older = file + QStringLiteral(".1");
        QFile::remove(older);
        // When the move fails the entry goes into the full file, which then passes the cap.
        QFile::rename(file, older);
    }
    // An entry that cannot be written is lost; the error log never stops its caller.
    (void)LogFile::append(file, bytes);
}

QString demangled(const char* name) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> readable(abi::__cxa_demangle(name, nullptr, nullptr, &status),
                                                    std::free);
    return QString::fromUtf8(status == 0 && readable ? readable.get() : name);
}

// "<type>: <reason>" for the exception being handled; empty when terminate() was called
// without one.
QString crashMessage() {
    const std::exception_ptr current = std::current_exception();
    if (!current)
        return {};
    const QString noReason = QStringLiteral("no reason given");
    try {
        std::rethrow_exception(current);
    } catch (const std::exception& e) {
        const char* reason = e.what();
        const bool hasReason = reason != nullptr && std::strlen(reason) > 0;
        return demangled(typeid(e).name()) + QStringLiteral(": ") +
               (hasReason ? QString::fromUtf8(reason) : noReason);
    } catch (...) {
        const std::type_info* type = abi::__cxa_current_exception_type();
        const QString name = type ? demangled(type->name()) : QStringLiteral("unknown exception");
        return name + QStringLiteral(": ") + noReason;
    }
}

[[noreturn]] void onTerminate() {
    try {
        if (!g_headless.load()) {
            const QString message = crashMessage();
            if (!message.isEmpty()) {
                const QByteArray bytes = entryBytes(Level::error, QStringLiteral("crash"), message,
                                                    std::nullopt, QDateTime::currentDateTimeUtc());
                std::unique_lock lock(fileLock(), std::defer_lock);
                // The dying thread may itself hold the lock; better to lose the entry than hang.
                if (lock.try_lock_for(std::chrono::seconds(2)))
                    writeLocked(url(), bytes, capBytes);
            }
        }
    } catch (...) {
    }
    if (const std::terminate_handler previous = g_previousTerminate.load())
        previous();
    std::abort();
}

} // namespace

QString word(Level level) {
    switch (level) {
    case Level::info:
        return QStringLiteral("INFO");
    case Level::warn:
        return QStringLiteral("WARN");
    case Level::error:
        return QStringLiteral("ERROR");
    }
    return QStringLiteral("ERROR");
}

QString url() {
    return QDir(Paths::dataFolder()).filePath(QStringLiteral("error-log.txt"));
}

void write(Level level, const QString& area, const QString& message, const std::optional<QString>& path,
           const QString& file, qint64 maxBytes, const QDateTime& now) {
    try {
        const QByteArray bytes = entryBytes(level, area, message, path, now);
        std::lock_guard lock(fileLock());
        writeLocked(file, bytes, maxBytes);
    } catch (...) {
        // Logging must never take its caller down.
    }
}

void log(Level level, const QString& area, const QString& message, const std::optional<QString>& path) {
    if (g_headless.load())
        return;
    write(level, area, message, path, url(), capBytes, QDateTime::currentDateTimeUtc());
}

void logProblem(const platform::ProblemReporter::Problem& problem) {
    using platform::ProblemReporter::Level;
    log(problem.level == Level::warn ? ErrorLog::Level::warn : ErrorLog::Level::error, problem.area,
        problem.message, problem.path);
}

QStringList recent(int count, const QString& file) {
    QStringList lines;
    if (count <= 0)
        return lines;
    try {
        std::lock_guard lock(fileLock());
        for (const QString& name : {file + QStringLiteral(".1"), file}) {
            // Only a regular file: a pipe at the name would hold this lock, and every thread
            // that logs, for good.
            const RegularFile::Contents in = RegularFile::read(name);
            if (in.status != RegularFile::Status::ok)
                continue;
            lines.append(splitLines(QString::fromUtf8(in.bytes)));
        }
    } catch (...) {
    }
    if (lines.size() > count)
        lines = lines.mid(lines.size() - count);
    return lines;
}

void reveal() {
    try {
        const QString path = url();
        {
            std::lock_guard lock(fileLock());
            if (!QFileInfo::exists(path)) {
                QDir().mkpath(QFileInfo(path).absolutePath());
                (void)LogFile::append(path, QByteArray());
            }
        }
        if (const auto shell = platform::services().shell)
            shell->reveal(path);
    } catch (...) {
    }
}

bool headless() {
    return g_headless.load();
}

void setHeadless(bool headless) {
    g_headless.store(headless);
}

bool decideHeadless(int argc, const char* const* argv) {
    bool decided = false;
    for (int i = 1; i < argc && argv != nullptr; ++i) {
        if (argv[i] != nullptr && std::strncmp(argv[i], "--", 2) == 0)
            decided = true;
    }
    setHeadless(decided);
    return decided;
}

void started(const QString& appVersion) {
    std::call_once(g_startOnce, [&] {
        log(Level::info, QStringLiteral("start"), appVersion);
        g_previousTerminate.store(std::set_terminate(onTerminate));
    });
}

} // namespace pellimor::ErrorLog
