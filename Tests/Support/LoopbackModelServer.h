#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace pellimor::test {

// A language-model server on 127.0.0.1 for tests, speaking just enough HTTP/1.1 and of the
// OpenAI-compatible chat protocol: "GET .../models" lists one model (unless `listsModels` is
// off: then it is an unknown route, as on servers that only chat), "POST .../chat/completions"
// answers with `answer`, unless `respond` decides otherwise. It runs on a
// thread of its own with blocking sockets, so it answers while the test's thread waits in a
// call, and it can hold a request unanswered until it stops (a model that takes too long).
//
//   test::LoopbackModelServer server;
//   server.answer = "Use **Free Up Space…**.";
//   server.start();
//   ... TOVLIN_MODEL_URL = server.address() ...
class LoopbackModelServer {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QByteArray body;
    };
    struct Reply {
        int status = 200;
        QByteArray body;
        QByteArray headers; // further header lines, each ending in "\r\n"
        bool hold = false;  // never answer
    };

    // The reply text of every chat request `respond` leaves to the default.
    QString answer = QStringLiteral("An answer.");
    // Whether "GET .../models" is a route of the server; set before start().
    bool listsModels = true;
    // Decides a reply; nothing for the default one. Runs on the server's thread.
    std::function<std::optional<Reply>(const Request&)> respond;

    ~LoopbackModelServer() { stop(); }

    // Listens on a free port of 127.0.0.1; false when it cannot.
    bool start() {
        std::atomic<int> port{-1};
        m_thread = std::thread([this, &port] {
            QTcpServer server;
            if (!server.listen(QHostAddress::LocalHost, 0)) {
                port = 0;
                return;
            }
            port = server.serverPort();
            std::vector<std::unique_ptr<QTcpSocket>> held;
            while (!m_stop) {
                if (!server.waitForNewConnection(20))
                    continue;
                while (QTcpSocket* socket = server.nextPendingConnection()) {
                    std::unique_ptr<QTcpSocket> connection(socket);
                    if (serve(*connection))
                        held.push_back(std::move(connection));
                }
            }
        });
        while (port < 0)
            std::this_thread::yield();
        m_port = port;
        return m_port > 0;
    }

    void stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

    QString address() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    int port() const { return m_port; }

    QList<Request> requests() const {
        QMutexLocker lock(&m_mutex);
        return m_requests;
    }

    static Reply json(const QJsonObject& object, int status = 200) {
        return {status, QJsonDocument(object).toJson(QJsonDocument::Compact), {}, false};
    }

private:
    // Reads one request and answers it; true when it is to be held unanswered.
    bool serve(QTcpSocket& socket) {
        QByteArray data;
        qsizetype headerEnd = -1;
        qsizetype length = 0;
        while (true) {
            if (headerEnd < 0 && (headerEnd = data.indexOf("\r\n\r\n")) >= 0) {
                for (const QByteArray& line : data.left(headerEnd).split('\n')) {
                    if (line.toLower().startsWith("content-length:"))
                        length = line.mid(15).trimmed().toLongLong();
                }
            }
            if (headerEnd >= 0 && data.size() >= headerEnd + 4 + length)
                break;
            if (!socket.waitForReadyRead(5000))
                return false;
            data += socket.readAll();
        }
        const QList<QByteArray> start = data.left(data.indexOf("\r\n")).split(' ');
        Request request{start.value(0), start.value(1), data.mid(headerEnd + 4, length)};
        {
            QMutexLocker lock(&m_mutex);
            m_requests.append(request);
        }
        std::optional<Reply> reply = respond ? respond(request) : std::nullopt;
        if (!reply)
            reply = standard(request);
        if (reply->hold)
            return true;
        const QByteArray head = "HTTP/1.1 " + QByteArray::number(reply->status) +
                                " Reply\r\nContent-Type: application/json\r\n" +
                                "Content-Length: " + QByteArray::number(reply->body.size()) + "\r\n" +
                                reply->headers + "Connection: close\r\n\r\n";
        socket.write(head + reply->body);
        socket.waitForBytesWritten(5000);
        socket.disconnectFromHost();
        if (socket.state() != QAbstractSocket::UnconnectedState)
            socket.waitForDisconnected(1000);
        return false;
    }

    Reply standard(const Request& request) const {
        if (listsModels && request.method == "GET" && request.path.endsWith("/models"))
            return json({{"object", "list"}, {"data", QJsonArray{QJsonObject{{"id", "test-model"}}}}});
        if (request.method == "POST" && request.path.endsWith("/chat/completions")) {
            return json(
                {{"choices",
                  QJsonArray{QJsonObject{
                      {"index", 0}, {"message", QJsonObject{{"role", "assistant"}, {"content", answer}}}}}}});
        }
        return json({{"error", QJsonObject{{"message", "no such route"}}}}, 404);
    }

    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    int m_port = 0;
    mutable QMutex m_mutex;
    QList<Request> m_requests;
};

} // namespace pellimor::test
