#pragma once

#include "Support/Result.h"

#include <QString>

namespace pellimor::platform {

// A language model on this computer that writes short texts from instructions and a prompt.
// What the model is told and what it answers never leave the computer: the system
// implementation talks only to a model server on a loopback address (SystemLanguageModel.h).
//
// availability() and respond() may block their thread for as long as their time limits allow;
// call them from a worker, never from a window's main thread (a command-line switch, which has
// no window, may).
// Safe from any thread; each call stands alone and keeps nothing of an earlier one.
class LanguageModel {
public:
    // Whether the model can answer now, or why not.
    enum class Availability {
        available,
        unsupported,       // no model of this kind on this system
        deviceNotEligible, // the computer cannot run one
        switchedOff,       // the user has switched it off
        notReady,          // not ready yet (still downloading, starting, or any other reason)
        notAnswering,      // the server that runs it did not answer (serverAddress() names it)
    };

    virtual ~LanguageModel() = default;

    // Asks the model (a server: over the network). Asked once per question; the attempts at
    // an answer that follow rely on what it said.
    virtual Availability availability() = 0;

    // Whether a model of this kind is set up here at all, told without asking it, so it never
    // blocks: one that is not can only be `unsupported`.
    virtual bool configured() { return true; }

    // The address of the server that runs the model, as it was set up; empty where none does.
    virtual QString serverAddress() { return QString(); }

    // One new conversation: the instructions, then the prompt, sampled at `temperature`; the
    // reply's text, or the model's own error. Nothing of earlier calls is sent along.
    virtual Result<QString> respond(const QString& instructions, const QString& prompt,
                                    double temperature) = 0;
};

} // namespace pellimor::platform
