#pragma once

#include "Manual/ManualSearch.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QObject;

// A short written answer to a question about the program, by the language model on this
// computer (platform::LanguageModel), from excerpts of at most the two best sections the manual
// search found, under fixed instructions that forbid inventing steps, buttons or names. Every
// term the model sets in bold must occur in the manual, or the answer is refused as invented.
//
// No state: each answer is one new conversation with the model, which never sees an earlier
// question or answer.
namespace pellimor::ManualAI {

// The instructions every conversation starts with.
extern const QString instructions;

// How freely the model samples: little, so the answer keeps to the excerpts' words.
inline constexpr double temperature = 0.1;

// Why no answer can be had on this computer, in one sentence; nothing when the model can
// answer. Asks the model service, which may take up to its probe's limit: call it from a
// worker in a window, once per question (answer() does not ask again). Safe from any thread.
std::optional<QString> unavailableReason();

// The answer named something the manual does not contain.
struct Invented {
    QString name; // the bold term, in lower case and trimmed
    // "its answer named “NAME”, which is not in the manual"
    QString description() const;
    bool operator==(const Invented&) const = default;
};

// Why an answer failed.
struct Error {
    enum class Kind {
        featureUnsupported, // no sections to answer from, or no model of this kind here
        model,              // the model's own failure, passed on
        invented,           // the answer named something not in the manual (`invented`)
    };
    Kind kind = Kind::model;
    QString description; // what the error says, as a user reads it
    std::optional<Invented> invented;
};

// The model's answer text as it wrote it, or why there is none.
struct Answer {
    std::optional<QString> text;
    std::optional<Error> error; // set exactly when `text` is not
    bool ok() const { return text.has_value(); }
};

// The excerpts the model is given: "### ", the first section's title, a line break, its first
// 5200 characters and two line breaks; when its whole text has at most 899 characters and a
// second section exists, that one the same way with at most 2500 characters. Characters are
// user-perceived characters. Empty for no sections.
QString excerpts(const QList<ManualSection>& sections);

// "Manual excerpts:\n\n", the excerpts, "\nQuestion: " and the question as it is.
QString prompt(const QString& question, const QString& excerpts);

// The bold terms of a reply that do not occur in `reference` (compared in lower case): the
// pieces between "**" marks (the second, fourth, ... when the reply is cut at every "**", so
// an odd number of marks makes the text after the last a term), lower-cased and trimmed of
// blanks, full stops, "…" and colons. Terms under 3 characters are never tested. The first
// such term in the reply's order, or nothing when every term occurs.
std::optional<Invented> inventedTerm(const QString& reply, const QString& reference);

// Asks the model, without asking again whether it answers (unavailableReason() did, for the
// question): no sections, or no model of this kind set up here, fails with `featureUnsupported`
// without sending anything; the model's own failures come back as `model`; an answer whose
// bold terms are not all in the manual (the excerpts when the manual cannot be read) as
// `invented`. Blocks for as long as the model writes: a worker's call, never the main thread's.
Answer answer(const QString& question, const QList<ManualSection>& sections);

// answer() on the program's work pool; `done` then runs with it on `context`'s thread, unless
// `context` is gone by then. Returns at once. Main thread only.
void answerLater(const QString& question, const QList<ManualSection>& sections, QObject* context,
                 std::function<void(const Answer&)> done);

// unavailableReason() on the program's work pool; `done` then runs with it on `context`'s thread,
// unless `context` is gone by then. Returns at once. Main thread only.
void unavailableReasonLater(QObject* context, std::function<void(const std::optional<QString>&)> done);

} // namespace pellimor::ManualAI
