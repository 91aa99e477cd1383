#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <type_traits>
#include <utility>
#include <vector>

namespace pellimor::fixtures {

// How a property list is serialised.
enum class PlistFormat { Binary, Xml };

// A property-list value as a test describes it. One description serves two writers:
//  - KeyedArchiveWriter::archive() turns it into the objects of a keyed archive: a Dictionary
//    becomes an archived NSDictionary, an Array an NSArray, a Set an NSSet, a Date an NSDate,
//    a Url an NSURL, an Object an instance of any class name, while texts, numbers, flags and
//    data are stored the way the archiver stores them (inline objects);
//  - KeyedArchiveWriter::plist() writes it as a plain property list (a Dictionary is a plain
//    dictionary, a Uid a UID value, a Date a property-list date...).
// Values convert implicitly from the usual C++ types, so a dictionary reads
//   PlistValue::dict({{"name", "Interview"}, {"count", 3}, {"hasAudio", true}})
// The fields are public so that a test can build any shape, including wrong ones.
struct PlistValue {
    enum class Kind {
        Null,       // archived: the "$null" reference (UID 0); plain: the text "$null"
        Bool,       //
        Integer,    //
        Real,       //
        Text,       // mutableForm: an archived NSMutableString ("NS.string")
        Data,       // mutableForm: an archived NSMutableData ("NS.data")
        Date,       // doubleValue: seconds since 2001-01-01 00:00:00 UTC ("NS.time")
        Array,      // items
        Set,        // items ("NS.objects" of an NSSet; plain: an array)
        Dictionary, // entries; keys are values too, so a test can archive a non-text key
        Url,        // textValue: "NS.relative"; items: empty or the one base URL ("NS.base")
        Object,     // className with fields: an archived object of any class ("FFRole"...)
        Uid,        // intValue: a reference placed exactly as given (archives: any index)
        Raw,        // archived: items[0] written as a plain property list into "$objects"
    };

    Kind kind = Kind::Null;
    bool boolValue = false;
    qint64 intValue = 0;
    double doubleValue = 0;
    QString textValue;
    QByteArray dataValue;
    bool mutableForm = false;
    // Archived class of Array, Set, Dictionary, Date, Url, mutable Text/Data and Object. Empty
    // means the usual class (NSArray, NSSet, NSDictionary, ...). superclasses follow the
    // class name in "$classes"; empty means the usual chain ending in "NSObject".
    QString className;
    QStringList superclasses;
    std::vector<PlistValue> items;
    std::vector<std::pair<PlistValue, PlistValue>> entries;
    std::vector<std::pair<QString, PlistValue>> fields;

    PlistValue() = default;
    PlistValue(bool value);
    template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool>) PlistValue(T value)
        : kind(Kind::Integer), intValue(qint64(value)) {}
    PlistValue(double value);
    PlistValue(const char* text);
    PlistValue(const QString& text);
    PlistValue(const QByteArray& data);

    static PlistValue null() { return {}; }
    static PlistValue boolean(bool value) { return PlistValue(value); }
    static PlistValue integer(qint64 value) { return PlistValue(value); }
    static PlistValue real(double value) { return PlistValue(value); }
    static PlistValue text(const QString& value) { return PlistValue(value); }
    static PlistValue data(const QByteArray& value) { return PlistValue(value); }
    static PlistValue mutableText(const QString& value);
    static PlistValue mutableData(const QByteArray& value);
    static PlistValue date(double secondsSince2001);
    static PlistValue date(const QDateTime& when);
    static PlistValue array(std::vector<PlistValue> items);
    static PlistValue strings(const QStringList& texts); // an Array of texts
    static PlistValue set(std::vector<PlistValue> items);
    static PlistValue dict(std::vector<std::pair<PlistValue, PlistValue>> entries);
    static PlistValue url(const QString& relative);
    static PlistValue url(const QString& relative, const PlistValue& base);
    static PlistValue object(const QString& className, std::vector<std::pair<QString, PlistValue>> fields);
    static PlistValue uid(qint64 index);
    static PlistValue raw(const PlistValue& plain);

    // A copy archived under another class name (for instance "NSMutableDictionary").
    PlistValue withClass(const QString& name, const QStringList& superclassChain = {}) const;

    // Dictionary and Object only: a copy with one more entry or field.
    PlistValue with(const QString& key, const PlistValue& value) const;

    // Seconds since 2001-01-01 00:00:00 UTC, the epoch of archived dates.
    static double secondsSince2001(const QDateTime& when);
};

} // namespace pellimor::fixtures
