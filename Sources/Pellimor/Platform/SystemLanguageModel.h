#pragma once

#include "Platform/LanguageModel.h"

#include <QMutex>
#include <QSet>
#include <chrono>
#include <optional>

namespace pellimor::platform {

// The language model of this system: a model server on this computer that speaks the
// OpenAI-compatible chat-completions protocol (llama.cpp's server and Ollama do), named by
// the environment variable TOVLIN_MODEL_URL, e.g. "http://127.0.0.1:8080" (its routes then
// sit under "/v1"; an address with a path of its own, "http://localhost:11434/v1", keeps it).
//
// Only a loopback address is ever contacted (the host 127.0.0.1, ::1 or localhost), without
// a proxy and without following redirects, so a question and the manual's excerpts never leave
// the computer. Any other address is refused, and said so once per address through the
// problem reporter. Unset or refused, the model is `unsupported`; a server that gives no answer
// within the probe's limit is `notAnswering`. Any answer of the server counts as there: not
// every server lists its models.
//
// Each call runs its own requests and event loop on the calling thread, which it blocks for at
// most its limit. It needs a Q(Core)Application. Safe from any thread.
class SystemLanguageModel final : public LanguageModel {
public:
    struct Setup {
        // The server's address; nothing reads TOVLIN_MODEL_URL at each call.
        std::optional<QString> address;
        // How long the short probe of availability() may take.
        std::chrono::milliseconds probeLimit{2000};
        // How long the model may take to write its whole reply.
        std::chrono::milliseconds answerLimit{120000};
    };

    SystemLanguageModel();
    explicit SystemLanguageModel(Setup setup);

    Availability availability() override;
    bool configured() override;
    QString serverAddress() override;
    Result<QString> respond(const QString& instructions, const QString& prompt, double temperature) override;

    // The address's API root (".../v1") when it names a loopback host over http or https;
    // nothing otherwise. A plain rule of the address, for tests.
    static std::optional<QString> apiRoot(const QString& address);

private:
    // The address as it is set up, trimmed; empty when unset.
    QString address() const;
    // The API root in force, or nothing (unset, or refused and reported).
    std::optional<QString> root();

    Setup m_setup;
    QMutex m_mutex;
    QSet<QString> m_refused; // addresses already reported
    QString m_model;         // the model the last probe named; empty when none was named
};

} // namespace pellimor::platform
