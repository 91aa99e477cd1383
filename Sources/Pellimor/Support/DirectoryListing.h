#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace pellimor {

// One folder, opened once and listed once. Whatever is looked up inside it afterwards is
// resolved from the open folder, so a lookup walks only the components below it instead of
// the whole path from the root, and the listing itself looks at no entry. Names are the file
// system's own bytes, so an entry whose name is not UTF-8 is still reached.
//
// Entries whose names begin with "." (hidden items, "." and "..") are not listed. Every
// failure reads as absence: a folder that cannot be opened has no entries, and an item that
// cannot be looked up has no facts. A folder that may be passed through but not read still
// answers lookups. One listing is used by one thread at a time; any thread may make its own.
class DirectoryListing {
public:
    // What the listing itself says an entry is. A file system that does not say gives
    // `unknown`, and only a lookup (item()) tells.
    enum class Kind { folder, link, other, unknown };

    struct Entry {
        QByteArray name; // as the file system gives it
        QString text;    // the name as text; bytes that are not UTF-8 read as U+FFFD
        // False only when the listing says the entry is neither a folder nor a link, so it
        // holds nothing; a file system that does not say leaves it true.
        bool mayBeFolder = true;
        Kind kind = Kind::unknown;
    };

    // What a lookup learns about an item itself (a link is not followed).
    struct Item {
        bool isLink = false;   // also true when the file system did not give the kind
        bool isFolder = false; // a folder itself, not a link to one
        std::optional<double> modifiedSeconds;
    };

    // While one exists, every listing made (on any thread) reads its entries' kinds as
    // `unknown`, as a file system that does not give them would: tests walk the lookup road
    // with it and compare. Not for the program itself.
    class IgnoreEntryKinds {
    public:
        IgnoreEntryKinds();
        ~IgnoreEntryKinds();
        IgnoreEntryKinds(const IgnoreEntryKinds&) = delete;
        IgnoreEntryKinds& operator=(const IgnoreEntryKinds&) = delete;
    };

    // The folder at `path` (a link to a folder is followed, as by any listing).
    explicit DirectoryListing(const QByteArray& path);
    // Whether opening a folder by name goes through a link there.
    enum class Links { followed, notFollowed };

    // The folder `name` inside `parent`. With `Links::notFollowed` a link at `name` is not
    // opened (the listing has no entries and answers no lookups), so a walk never loops.
    DirectoryListing(const DirectoryListing& parent, const QByteArray& name, Links links = Links::followed);
    ~DirectoryListing();
    DirectoryListing(const DirectoryListing&) = delete;
    DirectoryListing& operator=(const DirectoryListing&) = delete;

    // In the order the file system gave them; a listing that broke off keeps what it read.
    const std::vector<Entry>& entries() const { return m_entries; }
    // The folder was opened and read to its end: no entry is missing from entries().
    bool complete() const { return m_complete; }

    // Something is at `relativePath` below the folder, links followed all the way.
    bool exists(const QByteArray& relativePath) const;
    // The item at `relativePath` itself; nothing when it cannot be looked up.
    std::optional<Item> item(const QByteArray& relativePath) const;
    // Its modification time as seconds since 1970, exactly as FileTimes::modifiedSeconds
    // gives it for the full path.
    std::optional<double> modifiedSeconds(const QByteArray& relativePath) const;

    // The file manager's order of the entries' texts (TextCompare::localizedStandard), a
    // strict weak order for std::sort. Texts that order cannot tell apart (names that differ
    // only in bytes that are not UTF-8) go by their bytes, so a sorted listing never depends
    // on the order the file system gave.
    static bool finderLess(const Entry& a, const Entry& b);

private:
    void open(int folder, const char* path, int extraFlags);
    void readEntries();

    int m_fd = -1;
    std::vector<Entry> m_entries;
    bool m_complete = false;
};

} // namespace pellimor
