#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace pellimor {

// Turns texts into texts that can leave this computer: the names it is given (of the user,
// the computer, drives, libraries, folders), every absolute path and every name in
// typographic quotes are replaced by numbered stand-ins such as "<drive-1>", "<path-2>.mov" or
// "“<name-1>”", while the wording around them stays readable.
//
// A plain value: one hider serves one piece of work, and every hide() on it shares its
// stand-ins, so a value hidden twice, in one text or in two, gets the same one. Numbers count
// from 1 per kind, in the order new values are met. Not shared between threads.
class NameHider {
public:
    struct Name {
        QString kind;  // a short lower-case word, part of the stand-in: "user", "mac", "drive", ...
        QString value; // the text to hide
        bool operator==(const Name&) const = default;
    };

    // Values are trimmed of spaces and tabs. A name is kept only when its value has at least
    // 3 characters, is not one of the program's own words (keepList) and is not a value kept
    // before it, spelled another way: in another letter case, composed where the other is
    // decomposed, or with "'" where the other has "’". The first entry of a value wins, with
    // its kind. Longer values are hidden first, so a short name never breaks up a longer one.
    explicit NameHider(const QList<Name>& names = {});

    // The hidden text. Three passes, each over the result of the one before: absolute paths
    // (to the end of their line; a path ending in a short extension keeps it visible), the
    // names, then quoted names that are not a stand-in already. A name is found however the
    // text spells it (letter case, normal form, either apostrophe) and replaced as it stands
    // there; only as a whole word, where "_" divides words as a space does and "-" joins
    // them; never inside a stand-in, nor inside a character with its combining marks.
    QString hide(const QString& text);

    // The kept names, longest value first.
    const QList<Name>& names() const { return m_names; }

    // Lower-case values never hidden, so the log keeps saying what ran and with what.
    static const QList<QString>& keepList();

private:
    QString standIn(const QString& kind, const QString& value);
    QString hidePaths(const QString& text);
    QString hideNames(const QString& text);
    QString hideQuoted(const QString& text);

    QHash<QString, QString> m_tokens; // kind + ":" + compared value → stand-in
    QHash<QString, int> m_counters;   // kind → the last number handed out
    QList<Name> m_names;
    QList<QString> m_keys; // the compared form of each name's value, in m_names' order
};

} // namespace pellimor
