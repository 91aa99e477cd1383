#include "Manual/NameHider.h"

#include "Support/Graphemes.h"

#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <functional>

namespace pellimor {

namespace {

constexpr auto kOptions = QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption |
                          QRegularExpression::UseUnicodePropertiesOption;

// Every match of `pattern` in `text` replaced, left to right; the text unchanged when the
// pattern does not compile.
QString replaceAll(const QString& text, const QRegularExpression& pattern,
                   const std::function<QString(const QRegularExpressionMatch&)>& replacement) {
    if (!pattern.isValid())
        return text;
    QString out;
    qsizetype copied = 0;
    QRegularExpressionMatchIterator it = pattern.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        out += QStringView(text).mid(copied, match.capturedStart() - copied);
        out += replacement(match);
        copied = match.capturedEnd();
    }
    if (copied == 0)
        return text;
    out += QStringView(text).mid(copied);
    return out;
}

// Spaces and tabs only: a line break is part of the value.
QString trimBlanks(const QString& value) {
    qsizetype start = 0;
    qsizetype end = value.size();
    while (start < end && (value.at(start) == u' ' || value.at(start) == u'\t'))
        ++start;
    while (end > start && (value.at(end - 1) == u' ' || value.at(end - 1) == u'\t'))
        --end;
    return value.mid(start, end - start);
}

// The extension of a path's last component, lower-cased, when it is 1 to 10 letters or
// digits; empty otherwise.
QString pathExtension(QStringView path) {
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    const QStringView last = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = last.lastIndexOf(u'.');
    if (dot <= 0)
        return {};
    const QStringView extension = last.mid(dot + 1);
    if (extension.isEmpty() || extension.size() > 10)
        return {};
    for (const QChar c : extension) {
        if (!c.isLetterOrNumber())
            return {};
    }
    return extension.toString().toLower();
}

const QRegularExpression& pathPattern() {
    static const QRegularExpression pattern(QStringLiteral(R"((?<![\w<.:/~])~?/[A-Z.][^\n]*$)"), kOptions);
    return pattern;
}

const QRegularExpression& quotedPattern() {
    static const QRegularExpression pattern(QStringLiteral("\u201C[^\u201D\\n]+\u201D"), kOptions);
    return pattern;
}

const QRegularExpression& tokenPattern() {
    static const QRegularExpression pattern(QStringLiteral(R"(^<[a-z]+-\d+>$)"));
    return pattern;
}

} // namespace

const QList<QString>& NameHider::keepList() {
    static const QList<QString> words = {QStringLiteral("tovlin"), QStringLiteral("final cut"),
                                         QStringLiteral("final cut pro")};
    return words;
}

NameHider::NameHider(const QList<Name>& names) {
    // Lengths in characters as the user sees them, so an accented letter counts once.
    struct Kept {
        Name name;
        qsizetype length;
    };
    QList<Kept> kept;
    QSet<QString> seen;
    for (const Name& name : names) {
        const QString value = trimBlanks(name.value);
        const qsizetype length = Graphemes::count(value);
        if (length < 3)
            continue;
        const QString lower = value.toLower();
        if (keepList().contains(lower) || seen.contains(lower))
            continue;
        seen.insert(lower);
        kept.append({{name.kind, value}, length});
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const Kept& a, const Kept& b) { return a.length > b.length; });
    m_names.reserve(kept.size());
    for (Kept& entry : kept)
        m_names.append(std::move(entry.name));
}

QString NameHider::standIn(const QString& kind, const QString& value) {
    const QString key = kind + u':' + value.toLower();
    if (const auto found = m_tokens.constFind(key); found != m_tokens.cend())
        return *found;
    const int number = m_counters.value(kind, 0) + 1;
    m_counters.insert(kind, number);
    const QString token = u'<' + kind + u'-' + QString::number(number) + u'>';
    m_tokens.insert(key, token);
    return token;
}

QString NameHider::hidePaths(const QString& text) {
    return replaceAll(text, pathPattern(), [this](const QRegularExpressionMatch& match) {
        const QString path = match.captured();
        const QString extension = pathExtension(path);
        const QString token = standIn(QStringLiteral("path"), path);
        return extension.isEmpty() ? token : token + u'.' + extension;
    });
}

QString NameHider::hideName(const QString& text, const Name& name) {
    // Most names of a large catalogue do not occur in a given text; finding that out costs one
    // plain search, while compiling a pattern for each would cost far more.
    if (!text.contains(name.value, Qt::CaseInsensitive))
        return text;
    const QRegularExpression pattern(QStringLiteral(R"((?<![\w<-]))") +
                                         QRegularExpression::escape(name.value) +
                                         QStringLiteral(R"((?![\w>-]))"),
                                     kOptions);
    return replaceAll(text, pattern, [this, &name](const QRegularExpressionMatch& match) {
        return standIn(name.kind, match.captured());
    });
}

QString NameHider::hideQuoted(const QString& text) {
    return replaceAll(text, quotedPattern(), [this](const QRegularExpressionMatch& match) {
        const QString whole = match.captured();
        const QString inner = whole.mid(1, whole.size() - 2);
        if (tokenPattern().match(inner).hasMatch())
            return whole;
        return QStringLiteral("\u201C") + standIn(QStringLiteral("name"), inner) + QStringLiteral("\u201D");
    });
}

QString NameHider::hide(const QString& text) {
    QString hidden = hidePaths(text);
    for (const Name& name : m_names)
        hidden = hideName(hidden, name);
    return hideQuoted(hidden);
}

} // namespace pellimor
