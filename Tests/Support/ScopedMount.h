#pragma once

// A mount made for the length of one test: a folder bound at another place (the same file
// system, so the same device: only the mount tells them apart) or a small tmpfs (another
// device). Mounting needs root and a kernel that lets this process mount; where it cannot, the
// test skips with the reason, so the suite still runs elsewhere. Unmounted (detached) when the
// scope ends, also when the test failed.
//
//   test::ScopedMount mount = test::ScopedMount::bind(originals, inside);
//   if (!mount) GTEST_SKIP() << mount.reason();

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <utility>

namespace pellimor::test {

class ScopedMount {
public:
    // `source` bound at `target` (a folder that exists).
    static ScopedMount bind(const QString& source, const QString& target) {
        return make(target, [&](const QByteArray& at) {
            return ::mount(QFile::encodeName(source).constData(), at.constData(), nullptr, MS_BIND, nullptr);
        });
    }
    // A fresh tmpfs of `megabytes` at `target`, with `inodes` inodes when given (a full file
    // system is then a few files away).
    static ScopedMount tmpfs(const QString& target, int megabytes = 4, int inodes = 0) {
        QByteArray options = "size=" + QByteArray::number(megabytes) + "m";
        if (inodes > 0)
            options += ",nr_inodes=" + QByteArray::number(inodes);
        return make(target, [&](const QByteArray& at) {
            return ::mount("tovlin-test", at.constData(), "tmpfs", 0, options.constData());
        });
    }

    ScopedMount(ScopedMount&& other) noexcept
        : m_target(std::exchange(other.m_target, {})), m_reason(std::move(other.m_reason)) {}
    ScopedMount& operator=(ScopedMount&&) = delete;
    ~ScopedMount() {
        if (!m_target.isEmpty())
            ::umount2(m_target.constData(), MNT_DETACH);
    }

    explicit operator bool() const { return !m_target.isEmpty(); }
    // Why nothing was mounted, for GTEST_SKIP.
    const QString& reason() const { return m_reason; }

private:
    ScopedMount() = default;

    template <typename Mount> static ScopedMount make(const QString& target, Mount mount) {
        ScopedMount scope;
        QDir().mkpath(target);
        const QByteArray at = QFile::encodeName(target);
        if (mount(at) != 0) {
            scope.m_reason = QStringLiteral("cannot mount here (") +
                             QString::fromLocal8Bit(std::strerror(errno)) +
                             QStringLiteral("): mounting needs root and a kernel that allows it");
            return scope;
        }
        scope.m_target = at;
        return scope;
    }

    QByteArray m_target;
    QString m_reason;
};

} // namespace pellimor::test
