#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace pellimor {

// One of the two documents the program carries: its manual and its "What's New" notes,
// Markdown compiled into the program under ":/manual" with their pictures beside them. A
// development build whose resources lack a document reads it from the source tree's Resources
// folder instead (its path recorded by the build).
//
//   ManualDoc::manual.text()        the manual's Markdown, or nothing
//
// A plain value; safe from any thread.
class ManualDoc {
public:
    static const ManualDoc manual;   // "Manual": MANUAL.md
    static const ManualDoc whatsNew; // "What's New": CHANGELOG.md

    // Both, in the order the window offers them.
    static QList<ManualDoc> all();

    // The document of exactly "Manual" or "What's New" (letter case counts); nothing otherwise.
    static std::optional<ManualDoc> fromRawValue(const QString& raw);

    // "Manual" or "What's New": what the setting "manualDoc" stores; also the document's id.
    QString rawValue() const;
    QString id() const { return rawValue(); }

    // "MANUAL" or "CHANGELOG": the file's name without ".md".
    QString resourceName() const;

    // The Markdown: the resource when it is there and valid UTF-8, else the source tree's file
    // under the same condition, else nothing. A file that is not UTF-8 counts as missing.
    // Nothing is reported; the caller says the document is missing.
    std::optional<QString> text() const;

    // The folder the document's picture names are resolved against: "qrc:/manual/" when the
    // resources hold the document, else the source folder as a file address; nothing when
    // neither holds it.
    std::optional<QUrl> baseURL() const;

    constexpr bool operator==(const ManualDoc&) const = default;

    // Where the documents are looked for, in this order. An empty place is not looked in.
    struct Places {
        QString resources; // ":/manual"
        QString sources;   // the source tree's Resources folder
    };

    // The program's own places.
    static Places standardPlaces();

    // Puts other places in force for its own lifetime, process-wide (tests: a missing or
    // damaged manual). Scopes nest and end in reverse order.
    class ScopedPlaces {
    public:
        explicit ScopedPlaces(Places places);
        ~ScopedPlaces();
        ScopedPlaces(const ScopedPlaces&) = delete;
        ScopedPlaces& operator=(const ScopedPlaces&) = delete;

    private:
        std::optional<Places> m_previous;
    };

private:
    constexpr explicit ManualDoc(int index) : m_index(index) {}

    int m_index;
};

inline constexpr ManualDoc ManualDoc::manual{0};
inline constexpr ManualDoc ManualDoc::whatsNew{1};

} // namespace pellimor
