#include "Manual/ManualWindowState.h"

#include "Manual/MarkdownHTML.h"

#include <QStringList>
#include <QtGlobal>
#include <algorithm>

namespace pellimor {

namespace {

// The matched sections the panel offers.
constexpr qsizetype matchLimit = 4;

// How far above a heading the page stops when it jumps there.
constexpr double jumpClearance = 10;

} // namespace

ManualPanel::State ManualPanel::state() const {
    if (asked.isEmpty())
        return State::hidden;
    if (thinking)
        return State::thinking;
    if (!answer.isEmpty())
        return State::answer;
    if (matches.isEmpty())
        return State::noMatch;
    if (aiNote)
        return State::note;
    return State::sectionsOnly;
}

bool ManualPanel::canAsk() const {
    return !trimmed(question).isEmpty() && !thinking && !checking;
}

QString ManualPanel::sourcesLabel() const {
    return (!answer.isEmpty() || thinking) ? QStringLiteral("From:") : QStringLiteral("Read:");
}

bool ManualPanel::showsNote() const {
    return aiNote.has_value() && answer.isEmpty() && !thinking;
}

void ManualPanel::close() {
    asked.clear();
    answer.clear();
    matches.clear();
}

void ManualPanel::jumpTo(const QString& id) {
    jump = id;
    ++jumpTick;
}

QString ManualPanel::trimmed(const QString& question) {
    qsizetype start = 0;
    qsizetype end = question.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (start < end && blank(question.at(start)))
        ++start;
    while (end > start && blank(question.at(end - 1)))
        --end;
    return question.mid(start, end - start);
}

bool ManualPanel::begin(const QString& manualText) {
    const QString question = trimmed(this->question);
    if (question.isEmpty() || !canAsk())
        return false;
    asked = question;
    answer.clear();
    aiNote.reset();
    matches = ManualSearch::best(question, ManualSearch::sections(manualText), matchLimit);
    if (matches.isEmpty())
        return false;
    jumpTo(matches.first().id);
    checking = true;
    return true;
}

bool ManualPanel::reasonKnown(const std::optional<QString>& reason) {
    checking = false;
    if (reason) {
        aiNote = reason;
        return false;
    }
    thinking = true;
    return true;
}

bool ManualPanel::answered(const ManualAI::Answer& reply, bool secondAttempt) {
    if (reply.text) {
        answer = *reply.text;
        thinking = false;
        return false;
    }
    const ManualAI::Error error = reply.error.value_or(ManualAI::Error{});
    if (error.kind == ManualAI::Error::Kind::invented && !secondAttempt)
        return true;
    aiNote = ManualWindowText::failure(error.description);
    thinking = false;
    return false;
}

namespace ManualWindowText {

QString placeholder() {
    return QStringLiteral("Ask a question, e.g. how do I free up space on a backup drive?");
}

QString askTip() {
    return QStringLiteral("Finds the parts of the manual that answer your question. With Apple Intelligence "
                          "on, it also writes a short answer, on this Mac.");
}

QString findTip() {
    return QStringLiteral("Looks for these exact words in the text, one match after the other (Ctrl+G).");
}

QString writing() {
    return QStringLiteral("Writing an answer from the manual\u2026");
}

QString answerNote() {
    return QStringLiteral("Written on this Mac by Apple Intelligence from the first section below. It is a "
                          "quick summary and can be wrong; check it against the section.");
}

QString noMatch() {
    return QStringLiteral("Nothing in the manual seems to match. Try other words, or pick a section from the "
                          "list on the left.");
}

QString sectionTip() {
    return QStringLiteral("Go to this section of the manual.");
}

QString failure(const QString& description) {
    return QStringLiteral("Apple Intelligence did not produce an answer that could be trusted this time (") +
           description + QStringLiteral("). The sections above have the answer.");
}

QString inlineMarkdown(const QString& answer) {
    // Whether `line` (its leading blanks gone) would open a block rather than hold text.
    const auto opensBlock = [](const QString& line) {
        if (line.isEmpty())
            return false;
        const QChar first = line.front();
        if (first == u'#' || first == u'>' || first == u'|')
            return true;
        // A list mark, with its item's text or alone (an empty item).
        if ((first == u'-' || first == u'+' || first == u'*') && (line.size() == 1 || line.at(1).isSpace()))
            return true;
        if (line.startsWith(QStringLiteral("```")) || line.startsWith(QStringLiteral("~~~")))
            return true;
        // A rule, or the underline that turns the line above into a heading (one "-" or "=" is
        // enough for that).
        const QString bare = QString(line).remove(u' ');
        return QStringLiteral("-*_=").contains(first) && bare.count(first) == bare.size();
    };
    // Whether the first line would be read as a link's definition, and vanish: "[label]: …"
    // (later lines continue the paragraph, which a definition cannot interrupt).
    const auto definesLink = [](const QString& line) {
        const qsizetype close = line.indexOf(u']');
        return line.startsWith(u'[') && close > 0 && close + 1 < line.size() && line.at(close + 1) == u':';
    };
    // Whether the line ends in a backslash of its own, which already breaks it (one more would
    // make it a visible backslash and the line break a space).
    const auto breaksItself = [](const QString& line) {
        qsizetype slashes = 0;
        while (slashes < line.size() && line.at(line.size() - 1 - slashes) == u'\\')
            ++slashes;
        return slashes % 2 == 1;
    };
    QStringList lines = QString(answer).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString& line = lines[i];
        // Leading blanks would make indented code, or be dropped: keep them, unbreakable.
        qsizetype blanks = 0;
        while (blanks < line.size() && line.at(blanks) == u' ')
            ++blanks;
        QString rest = line.mid(blanks);
        if (opensBlock(rest) || (i == 0 && definesLink(rest))) {
            rest.prepend(u'\\');
        } else {
            qsizetype digits = 0;
            while (digits < rest.size() && rest.at(digits).isDigit())
                ++digits;
            if (digits > 0 && digits < rest.size() && (rest.at(digits) == u'.' || rest.at(digits) == u')'))
                rest.insert(digits, u'\\');
        }
        line = QString(blanks, QChar(0x00A0)) + rest;
    }
    // A backslash at a line's end is a hard line break.
    QString markdown;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        markdown += lines.at(i);
        if (i + 1 < lines.size())
            markdown += breaksItself(lines.at(i)) ? QStringLiteral("\n") : QStringLiteral("\\\n");
    }
    return markdown;
}

QString quoted(const QString& asked) {
    return QStringLiteral("\u201C") + asked + QStringLiteral("\u201D");
}

QString versionLine(const std::optional<QString>& packagedVersion) {
    return QStringLiteral("For ") + packagedVersion.value_or(QStringLiteral("this version of Tovlin")) +
           QStringLiteral(". The manual is part of the app, so it always matches this version.");
}

QString missingTitle() {
    return QStringLiteral("Manual not found");
}

QString missingText(const ManualDoc& doc) {
    return doc.resourceName() + QStringLiteral(".md is missing from the app.");
}

} // namespace ManualWindowText

ManualShown ManualShown::of(const QString& stored) {
    const std::optional<ManualDoc> doc = ManualDoc::fromRawValue(stored);
    if (!doc)
        return {ManualDoc::manual, -1};
    return {*doc, int(ManualDoc::all().indexOf(*doc))};
}

ManualPageState::Steps ManualPageState::update(const Inputs& inputs) {
    Steps steps;
    headings = inputs.headings;
    steps.reload = inputs.html != html;
    steps.jump = inputs.jumpTick != jumpTick;
    steps.find = inputs.findTick != findTick;
    html = inputs.html;
    jumpTick = inputs.jumpTick;
    findTick = inputs.findTick;
    return steps;
}

namespace ManualPage {

std::optional<TextSpan> findNext(const QString& text, const QString& needle, qsizetype from) {
    if (needle.isEmpty())
        return std::nullopt;
    qsizetype found = text.indexOf(needle, std::clamp<qsizetype>(from, 0, text.size()), Qt::CaseInsensitive);
    if (found < 0)
        found = text.indexOf(needle, 0, Qt::CaseInsensitive);
    if (found < 0)
        return std::nullopt;
    return TextSpan{found, needle.size()};
}

double jumpOffset(double titleTop) {
    return std::max(0.0, titleTop - jumpClearance);
}

LinkAction linkAction(const QString& href) {
    if (const std::optional<QString> id = MarkdownHTML::sectionID(QVariant(href)))
        return Jump{*id};
    const QUrl url(href, QUrl::StrictMode);
    if (!url.isValid())
        return {};
    // The scheme as written: QUrl lower-cases it, so "HTTPS://" would pass a check of url.scheme().
    const qsizetype colon = href.indexOf(u':');
    const QString scheme = colon > 0 ? href.left(colon) : QString();
    if (scheme == u"http" || scheme == u"https" || scheme == u"mailto")
        return Open{url};
    return {};
}

} // namespace ManualPage

} // namespace pellimor
