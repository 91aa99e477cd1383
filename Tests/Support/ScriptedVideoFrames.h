#pragma once

#include "Platform/Services.h"
#include "Platform/VideoFrames.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <vector>

namespace pellimor::test {

// Video frames as a test scripts them. Records every file asked for, in order; `answer`
// decides what each gives (nothing by default, as for a file without video) and may block its
// worker. Set `answer` before the frames are used. Any thread.
//
//   auto frames = std::make_shared<ScriptedVideoFrames>();
//   platform::ScopedServices scope(ScriptedVideoFrames::services(frames));
class ScriptedVideoFrames final : public platform::VideoFrames {
public:
    std::function<std::optional<platform::VideoFrame>(const QString& path, std::stop_token stop)> answer;

    std::optional<platform::VideoFrame> frameAt(const QString& path, const Request& request,
                                                std::stop_token stop) const override {
        {
            std::lock_guard lock(m_mutex);
            m_asked.append(path);
            m_requests.push_back(request);
        }
        return answer ? answer(path, stop) : std::nullopt;
    }

    std::optional<QByteArray> jpeg(const platform::VideoFrame& frame, int quality) const override {
        std::lock_guard lock(m_mutex);
        m_qualities.push_back(quality);
        return QByteArray("\xFF\xD8 scripted ") + QByteArray::number(frame.width) + "x" +
               QByteArray::number(frame.height) + " \xFF\xD9";
    }

    QStringList asked() const {
        std::lock_guard lock(m_mutex);
        return m_asked;
    }
    std::vector<Request> requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    std::vector<int> qualities() const {
        std::lock_guard lock(m_mutex);
        return m_qualities;
    }

    static platform::VideoFrame smallFrame() { return platform::VideoFrame{2, 2, QByteArray(12, '\x80')}; }

    // Services with only these frames set, for platform::ScopedServices.
    static platform::Services services(std::shared_ptr<platform::VideoFrames> frames) {
        platform::Services s;
        s.videoFrames = std::move(frames);
        return s;
    }

private:
    mutable std::mutex m_mutex;
    mutable QStringList m_asked;
    mutable std::vector<Request> m_requests;
    mutable std::vector<int> m_qualities;
};

} // namespace pellimor::test
