#include "Manual/ManualAI.h"

#include "Manual/ManualDoc.h"
#include "Platform/LanguageModel.h"
#include "Platform/Services.h"
#include "Support/Graphemes.h"
#include "Support/WorkPool.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

namespace pellimor::ManualAI {

namespace {

using Availability = platform::LanguageModel::Availability;

// How much of each section the model reads: the best section nearly whole, and a second one
// only when the first is short.
constexpr qsizetype firstLength = 5200;
constexpr qsizetype secondLength = 2500;
constexpr qsizetype shortFirst = 899;

QString excerpt(const ManualSection& section, qsizetype length) {
    return QStringLiteral("### ") + section.title + u'\n' + Graphemes::prefix(section.text, length) +
           QStringLiteral("\n\n");
}

Answer failed(Error::Kind kind, QString description) {
    Answer result;
    result.error = Error{kind, std::move(description), std::nullopt};
    return result;
}

QString trimmedTerm(const QString& piece) {
    const auto trimmable = [](QChar c) { return c == u' ' || c == u'.' || c == u'\u2026' || c == u':'; };
    qsizetype start = 0;
    qsizetype end = piece.size();
    while (start < end && trimmable(piece.at(start)))
        ++start;
    while (end > start && trimmable(piece.at(end - 1)))
        --end;
    return piece.mid(start, end - start);
}

} // namespace

const QString instructions = QStringLiteral(
    "You are the help assistant inside Tovlin, a Mac app that manages Final Cut Pro libraries. Answer the "
    "question using only the manual excerpts you are given. Rules: 1. Every step, button and menu you "
    "mention "
    "must appear in the excerpts, word for word. Never make up a step, a place to click or a name. 2. Say "
    "where "
    "the feature is started exactly as the excerpts say it. 3. Write for someone who is not technical: one "
    "short sentence that answers the question, then at most five short numbered steps if steps are needed. "
    "4. "
    "If the excerpts do not answer the question, say only: The manual does not cover this.");

std::optional<QString> unavailableReason() {
    const std::shared_ptr<platform::LanguageModel> model = platform::services().languageModel;
    switch (model ? model->availability() : Availability::unsupported) {
    case Availability::available:
        return std::nullopt;
    case Availability::unsupported:
        return QStringLiteral("Written answers need Apple Intelligence, on macOS 26 or later.");
    case Availability::deviceNotEligible:
        return QStringLiteral("This Mac does not support Apple Intelligence.");
    case Availability::switchedOff:
        return QStringLiteral(
            "Apple Intelligence is switched off. Turn it on in System Settings \u25B8 Apple "
            "Intelligence & Siri to get written answers.");
    case Availability::notAnswering: {
        // The user set the address up; naming it tells them which server to look at.
        const QString address = model->serverAddress();
        if (address.isEmpty())
            return QStringLiteral("The model server did not answer.");
        return QStringLiteral("The model server at ") + address + QStringLiteral(" did not answer.");
    }
    case Availability::notReady:
        break;
    }
    return QStringLiteral(
        "Apple Intelligence is not ready yet (it may still be downloading). Try again later.");
}

QString Invented::description() const {
    return QStringLiteral("its answer named \u201C") + name +
           QStringLiteral("\u201D, which is not in the manual");
}

QString excerpts(const QList<ManualSection>& sections) {
    if (sections.isEmpty())
        return QString();
    QString text = excerpt(sections.first(), firstLength);
    if (sections.size() >= 2 && Graphemes::count(sections.first().text) <= shortFirst)
        text += excerpt(sections.at(1), secondLength);
    return text;
}

QString prompt(const QString& question, const QString& excerpts) {
    return QStringLiteral("Manual excerpts:\n\n") + excerpts + QStringLiteral("\nQuestion: ") + question;
}

std::optional<Invented> inventedTerm(const QString& reply, const QString& reference) {
    const QString known = reference.toLower();
    const QStringList pieces = reply.split(QStringLiteral("**"));
    for (qsizetype i = 1; i < pieces.size(); i += 2) {
        const QString term = trimmedTerm(pieces.at(i).toLower());
        if (Graphemes::count(term) >= 3 && !known.contains(term))
            return Invented{term};
    }
    return std::nullopt;
}

Answer answer(const QString& question, const QList<ManualSection>& sections) {
    if (sections.isEmpty()) {
        return failed(
            Error::Kind::featureUnsupported,
            QStringLiteral("The feature is not supported: no part of the manual matches the question."));
    }
    // Whether the model answers was asked once for the question (unavailableReason()); each
    // attempt only needs to know that there is a model of this kind at all.
    const std::shared_ptr<platform::LanguageModel> model = platform::services().languageModel;
    if (!model || !model->configured()) {
        return failed(
            Error::Kind::featureUnsupported,
            QStringLiteral("The feature is not supported: no language model on this computer writes "
                           "answers."));
    }
    const QString given = excerpts(sections);
    const Result<QString> reply = model->respond(instructions, prompt(question, given), temperature);
    if (!reply.ok())
        return failed(Error::Kind::model, reply.error());
    if (const std::optional<Invented> invented =
            inventedTerm(*reply, ManualDoc::manual.text().value_or(given))) {
        Answer result;
        result.error = Error{Error::Kind::invented, invented->description(), invented};
        return result;
    }
    Answer result;
    result.text = *reply;
    return result;
}

namespace {

// Runs `work` on the work pool and hands its result to `done` on the main thread, unless
// `context` is gone by then.
template <typename Value>
void deliverLater(QObject* context, std::function<Value()> work, std::function<void(const Value&)> done) {
    const QPointer<QObject> receiver(context);
    workPool()->start([work = std::move(work), receiver, done = std::move(done)]() mutable {
        Value value = work();
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return;
        QMetaObject::invokeMethod(
            app,
            [receiver, done = std::move(done), value = std::move(value)] {
                if (receiver)
                    done(value);
            },
            Qt::QueuedConnection);
    });
}

} // namespace

void answerLater(const QString& question, const QList<ManualSection>& sections, QObject* context,
                 std::function<void(const Answer&)> done) {
    deliverLater<Answer>(
        context, [question, sections] { return answer(question, sections); }, std::move(done));
}

void unavailableReasonLater(QObject* context, std::function<void(const std::optional<QString>&)> done) {
    deliverLater<std::optional<QString>>(
        context, [] { return unavailableReason(); }, std::move(done));
}

} // namespace pellimor::ManualAI
