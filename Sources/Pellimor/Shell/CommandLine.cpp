#include "Shell/CommandLine.h"

#include "Browser/SizeBar.h"
#include "Manual/ProblemReport.h"
#include "Platform/Accessibility.h"
#include "Platform/Services.h"
#include "Shell/VolumeEject.h"

#include <QDir>
#include <QFile>
#include <cstdio>

namespace pellimor::CommandLine {

namespace {

// "--axcheck": whether the program may press Final Cut Pro's prompts, and where it runs from
// (the permission belongs to one bundle and executable, so a user granting it needs both).
// Asks without the permission prompt: a diagnostic must not put a dialog in front of the
// user. Always 0, also when not trusted.
int axCheck(const QStringList& /*args*/, const Print& print) {
    const platform::Services services = platform::services();
    const bool trusted = services.accessibility && services.accessibility->isProcessTrusted(false);
    print(QStringLiteral("AXIsProcessTrusted: ") + flag(trusted));
    const QString bundle = services.bundle ? services.bundle->bundlePath() : QString();
    print(QStringLiteral("bundle: ") + bundle);
    const QString executable = services.bundle ? services.bundle->executablePath() : QString();
    print(QStringLiteral("executable: ") + (executable.isEmpty() ? QStringLiteral("?") : executable));
    return 0;
}

// "--selftest-eject": the start-up disk rule of the drive eject, then the toolbar's segment rule.
// Prints nothing; it never touches a drive.
int selfTestEject(const QStringList& /*args*/, const Print& /*print*/) {
    return VolumeEject::selfTest() ? 0 : 1;
}

// "--selftest-bar": the size bar's width rule and tooltip over a table of cases. The self-test
// prints its own line.
int selfTestBar(const QStringList& /*args*/, const Print& print) {
    return SizeBar::selfTest(print) ? 0 : 1;
}

// "--selftest-report": name hiding over a sample error log in a folder of its own. The
// self-test prints its own line.
int selfTestReport(const QStringList& /*args*/, const Print& print) {
    return ProblemReport::selfTest(print) ? 0 : 1;
}

} // namespace

Print standardOutput() {
    return [](const QString& line) {
        const QByteArray bytes = line.toUtf8() + '\n';
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        std::fflush(stdout);
    };
}

QStringList arguments(int argc, const char* const* argv) {
    QStringList args;
    args.reserve(argc);
    for (int i = 0; i < argc; ++i)
        args.append(QFile::decodeName(argv[i]));
    return args;
}

const QList<Switch>& switches() {
    // Tried in this order. The numbers are each switch's place in the full list.
    // 9 "--selftest-manual" lays the manual out with Qt Gui, which this library does not link:
    // main() hands dispatch() that row beside these (no two rows share a name, so its place in
    // the order changes nothing).
    // "--resume" and "--scan" are never rows here: they go through to the windowed start.
    static const QList<Switch> table = {
        {QStringLiteral("--safetycopy"), 4, safetyCopy},            //  1
        {QStringLiteral("--axcheck"), 2, axCheck},                  //  2
        {QStringLiteral("--check"), 3, check},                      //  3
        {QStringLiteral("--cleanup-plan"), 3, cleanupPlan},         //  4
        {QStringLiteral("--missing-search"), 4, missingSearch},     //  5
        {QStringLiteral("--missing-files"), 3, missingFiles},       //  6
        {QStringLiteral("--plugins"), 3, plugins},                  //  7
        {QStringLiteral("--selftest-cleanup"), 2, selfTestCleanup}, //  8
        {QStringLiteral("--ask-manual"), 3, askManual},             // 10
        {QStringLiteral("--selftest-prefs"), 2, selfTestPrefs},     // 11
        {QStringLiteral("--selftest-search"), 2, selfTestSearch},   // 12
        {QStringLiteral("--selftest-eject"), 2, selfTestEject},     // 13
        {QStringLiteral("--selftest-bar"), 2, selfTestBar},         // 14
        {QStringLiteral("--selftest-deroom"), 2, selfTestDeRoom},   // 15
        {QStringLiteral("--selftest-report"), 2, selfTestReport},   // 16
        {QStringLiteral("--discover"), 3, discover},                // 17
        {QStringLiteral("--dump"), 3, dump},                        // 18
    };
    return table;
}

std::optional<int> dispatch(const QStringList& args, const QList<Switch>& table, const Print& print) {
    if (args.size() < 2)
        return std::nullopt;
    const QString& candidate = args.at(1);
    for (const Switch& row : table) {
        if (args.size() < row.minimumCount || candidate != row.name)
            continue;
        return row.run(args, print);
    }
    return std::nullopt;
}

std::optional<int> dispatch(const QStringList& args, const Print& print) {
    return dispatch(args, switches(), print);
}

QString pathArgument(const QString& argument) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(argument));
}

QString flag(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

std::optional<qint64> wholeNumber(const QString& text) {
    qsizetype start = 0;
    if (!text.isEmpty() && (text.front() == QLatin1Char('+') || text.front() == QLatin1Char('-')))
        start = 1;
    if (start == text.size())
        return std::nullopt;
    for (qsizetype i = start; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    // The form is checked above (Qt alone would also take blanks around the digits); what
    // can still fail here is a number beyond 64 bits.
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace pellimor::CommandLine
