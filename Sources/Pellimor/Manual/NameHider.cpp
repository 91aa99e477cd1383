#include "Manual/NameHider.h"

#include "Support/Graphemes.h"

#include <QRegularExpression>
#include <QSet>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <functional>
#include <vector>

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

// A path's first name may begin with anything a folder's name begins with ("2024-05-12 …",
// "Übergabe", "_Archive", "#recycle", "(Backup)"), but not with what follows a lone slash in a
// sentence: a blank, a slash, a closing bracket or quote, or a comma, a colon and the like, so
// "the start-up disk (/)" and "at /, the start-up disk" stay readable.
const QRegularExpression& pathPattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"((?<![\w<.:/~])~?/[^\s\p{Z}\p{Cc}\p{Pe}\p{Pf}/,;:?"'<>][^\n]*$)"), kOptions);
    return pattern;
}

// A stand-in already in the text, which no name may cut into.
const QRegularExpression& standInPattern() {
    static const QRegularExpression pattern(QStringLiteral(R"(<[a-z]+-\d+>)"));
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

// Names are compared one user-perceived character at a time: each in its composed form (so a
// name given composed matches a file name the system handed over decomposed, and the
// reverse), case-folded, and with the typographic apostrophe read as the typed one (so
// "Jane’s MacBook Pro" matches "Jane's MacBook Pro"). Accents still count: "Müller" is not
// "Muller". `at[i]` is the position in the original text of the character that folded unit `i`
// begins, or -1 when unit `i` lies inside a character's folding; `at[text.size()]` is the
// original's length. A match may only start and end where `at` is not -1, so it always covers
// whole characters of the original, and the original's own spelling is what gets replaced.
struct Folded {
    QString text;
    std::vector<qsizetype> at;
};

void appendFolded(char32_t c, QString& out) {
    c = QChar::toCaseFolded(c);
    if (c == U'\u2019')
        c = U'\'';
    if (QChar::requiresSurrogates(c)) {
        out.append(QChar(QChar::highSurrogate(c)));
        out.append(QChar(QChar::lowSurrogate(c)));
    } else {
        out.append(QChar(char16_t(c)));
    }
}

Folded fold(QStringView text) {
    Folded folded;
    folded.text.reserve(text.size());
    folded.at.reserve(size_t(text.size()) + 1);
    // Most logs are plain ASCII, where every unit is a character of its own but for CR LF.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text.at(i).unicode();
            folded.text.append(QChar(c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c));
            folded.at.push_back(c == u'\n' && i > 0 && text.at(i - 1) == u'\r' ? -1 : i);
        }
        folded.at.push_back(text.size());
        return folded;
    }
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = characters.toNextBoundary(); end != -1; end = characters.toNextBoundary()) {
        const qsizetype before = folded.text.size();
        const QStringView character = text.mid(start, end - start);
        // Below U+0300 a lone code unit is its own composed form: most texts never leave this.
        if (character.size() == 1 && character.front().unicode() < 0x300) {
            appendFolded(character.front().unicode(), folded.text);
        } else {
            for (const char32_t c : character.toString().normalized(QString::NormalizationForm_C).toUcs4())
                appendFolded(c, folded.text);
        }
        folded.at.resize(size_t(folded.text.size()), -1);
        if (folded.text.size() > before)
            folded.at[size_t(before)] = start;
        start = end;
    }
    folded.at.push_back(text.size());
    return folded;
}

// The compared form of a value: what decides that two values are one, and their stand-in.
QString key(QStringView value) {
    return fold(value).text;
}

// Letters, digits and marks make up words; an underscore, like a space, divides them.
bool isWordCharacter(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

char32_t codePointBefore(QStringView text, qsizetype position) {
    const char16_t low = text.at(position - 1).unicode();
    if (QChar::isLowSurrogate(low) && position >= 2 &&
        QChar::isHighSurrogate(text.at(position - 2).unicode()))
        return QChar::surrogateToUcs4(text.at(position - 2).unicode(), low);
    return low;
}

char32_t codePointAt(QStringView text, qsizetype position) {
    const char16_t high = text.at(position).unicode();
    if (QChar::isHighSurrogate(high) && position + 1 < text.size() &&
        QChar::isLowSurrogate(text.at(position + 1).unicode()))
        return QChar::surrogateToUcs4(high, text.at(position + 1).unicode());
    return high;
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
        QString key;
        qsizetype length;
    };
    QList<Kept> kept;
    QSet<QString> seen;
    for (const Name& name : names) {
        const QString value = trimBlanks(name.value);
        const qsizetype length = Graphemes::count(value);
        if (length < 3)
            continue;
        QString compared = key(value);
        if (keepList().contains(compared) || seen.contains(compared))
            continue;
        seen.insert(compared);
        kept.append({{name.kind, value}, std::move(compared), length});
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const Kept& a, const Kept& b) { return a.length > b.length; });
    m_names.reserve(kept.size());
    m_keys.reserve(kept.size());
    for (Kept& entry : kept) {
        m_names.append(std::move(entry.name));
        m_keys.append(std::move(entry.key));
    }
}

QString NameHider::standIn(const QString& kind, const QString& value) {
    // Every spelling of one value (letter case, normal form, apostrophe) gets one stand-in.
    const QString tokenKey = kind + u':' + key(value);
    if (const auto found = m_tokens.constFind(tokenKey); found != m_tokens.cend())
        return *found;
    const int number = m_counters.value(kind, 0) + 1;
    m_counters.insert(kind, number);
    const QString token = u'<' + kind + u'-' + QString::number(number) + u'>';
    m_tokens.insert(tokenKey, token);
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

QString NameHider::hideNames(const QString& text) {
    if (m_names.isEmpty() || text.isEmpty())
        return text;
    // The text is folded once, and every name is looked for in that folding: as if each name,
    // longest first, replaced its matches before the next one looked, with `taken` marking
    // what earlier names (and stand-ins already in the text) hold. A character next to a
    // taken span reads as the stand-in's "<" or ">" that will stand there.
    const Folded folded = fold(text);
    std::vector<bool> taken(size_t(text.size()), false);
    for (QRegularExpressionMatchIterator it = standInPattern().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        std::fill(taken.begin() + match.capturedStart(), taken.begin() + match.capturedEnd(), true);
    }
    struct Given {
        qsizetype start;
        qsizetype end;
        QString token;
    };
    QList<Given> given;

    const auto untaken = [&](qsizetype start, qsizetype end) {
        return std::none_of(taken.begin() + start, taken.begin() + end, [](bool t) { return t; });
    };
    // Not part of a longer word, and never touching a stand-in from within.
    const auto standsAlone = [&](qsizetype start, qsizetype end) {
        if (start > 0 && !taken[size_t(start - 1)]) {
            const char32_t before = codePointBefore(text, start);
            if (isWordCharacter(before) || before == U'<' || before == U'-')
                return false;
        }
        if (end < text.size() && !taken[size_t(end)]) {
            const char32_t after = codePointAt(text, end);
            if (isWordCharacter(after) || after == U'>' || after == U'-')
                return false;
        }
        return true;
    };

    for (qsizetype n = 0; n < m_names.size(); ++n) {
        const QString& wanted = m_keys.at(n);
        qsizetype from = 0;
        while (true) {
            const qsizetype at = folded.text.indexOf(wanted, from);
            if (at < 0)
                break;
            const qsizetype end = at + wanted.size();
            const qsizetype start = folded.at[size_t(at)];
            const qsizetype stop = folded.at[size_t(end)];
            if (start < 0 || stop < 0 || !untaken(start, stop) || !standsAlone(start, stop)) {
                from = at + 1;
                continue;
            }
            std::fill(taken.begin() + start, taken.begin() + stop, true);
            given.append({start, stop, standIn(m_names.at(n).kind, text.mid(start, stop - start))});
            from = end;
        }
    }
    if (given.isEmpty())
        return text;

    std::sort(given.begin(), given.end(), [](const Given& a, const Given& b) { return a.start < b.start; });
    QString out;
    out.reserve(text.size());
    qsizetype copied = 0;
    for (const Given& g : given) {
        out += QStringView(text).mid(copied, g.start - copied);
        out += g.token;
        copied = g.end;
    }
    out += QStringView(text).mid(copied);
    return out;
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
    return hideQuoted(hideNames(hidePaths(text)));
}

} // namespace pellimor
