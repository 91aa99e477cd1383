#include "Browser/SearchQuery.h"

#include "Support/TextFold.h"

#include <QSet>

namespace pellimor {

SearchQuery::SearchQuery(const QString& text) {
    QSet<QString> seen;
    qsizetype start = -1;
    const auto take = [&](qsizetype end) {
        const QString piece = text.mid(start, end - start);
        const QString lowered = piece.toLower();
        if (!seen.contains(lowered)) {
            seen.insert(lowered);
            tokens.append(piece);
        }
    };
    // Every white-space character of Unicode lies in the basic plane, so looking at UTF-16
    // units one by one never cuts a character that matters here.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isSpace()) {
            if (start >= 0)
                take(i);
            start = -1;
        } else if (start < 0) {
            start = i;
        }
    }
    if (start >= 0)
        take(text.size());

    folded.reserve(tokens.size());
    for (const QString& token : std::as_const(tokens))
        folded.append(TextFold::fold(token));
}

bool SearchQuery::allIn(const QString& text) const {
    for (const QString& token : tokens) {
        if (!TextFold::contains(text, token))
            return false;
    }
    return true;
}

bool SearchQuery::anyIn(const QString& text) const {
    for (const QString& token : tokens) {
        if (TextFold::contains(text, token))
            return true;
    }
    return false;
}

QList<TextSpan> SearchQuery::highlight(const QString& text) const {
    QList<TextSpan> spans;
    for (const QString& token : tokens)
        spans.append(TextFold::occurrences(text, token));
    return spans;
}

QString SearchQuery::key() const {
    return tokens.join(QChar(0x1E));
}

} // namespace pellimor
