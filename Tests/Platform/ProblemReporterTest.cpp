#include "Platform/ProblemReporter.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

using namespace pellimor;
namespace ProblemReporter = platform::ProblemReporter;
using ProblemReporter::Level;
using ProblemReporter::Problem;

namespace {

QStringList g_warnings;

void recordWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg)
        g_warnings.append(text);
}

// Qt's warnings while it lives, instead of standard error.
class WarningRecorder {
public:
    WarningRecorder() : m_previous(qInstallMessageHandler(recordWarning)) { g_warnings.clear(); }
    ~WarningRecorder() { qInstallMessageHandler(m_previous); }
    WarningRecorder(const WarningRecorder&) = delete;
    WarningRecorder& operator=(const WarningRecorder&) = delete;

private:
    QtMessageHandler m_previous;
};

} // namespace

TEST(ProblemReporter, WithoutASinkAProblemIsAQtWarning) {
    struct Case {
        Problem problem;
        QString warning;
    };
    const Case cases[] = {
        {{Level::error, "settings", "The settings could not be saved.", std::nullopt},
         "ERROR settings: The settings could not be saved."},
        {{Level::warn, "settings", "A damaged file was kept aside.", QStringLiteral("/c/settings.json.bad")},
         "WARN settings: A damaged file was kept aside.  path: /c/settings.json.bad"},
    };
    for (const Case& c : cases) {
        WarningRecorder warnings;
        ProblemReporter::report(c.problem);
        EXPECT_EQ(g_warnings, QStringList{c.warning});
    }
}

TEST(ProblemReporter, SinksReplaceEachOtherAndComeBackInOrder) {
    const Problem problem{Level::warn, "settings", "kept aside", QStringLiteral("/c/x")};
    QList<Problem> outer;
    QList<Problem> inner;
    WarningRecorder warnings;
    {
        ProblemReporter::Scoped outerScope([&](const Problem& p) { outer.append(p); });
        ProblemReporter::report(problem);
        {
            ProblemReporter::Scoped innerScope([&](const Problem& p) {
                inner.append(p);
                // No lock is held while a sink runs, so it may report again itself.
                if (p.level == Level::warn)
                    ProblemReporter::report({Level::error, p.area, p.message, p.path});
            });
            ProblemReporter::report(problem);
        }
        ProblemReporter::report(problem);
    }
    ProblemReporter::report(problem);

    EXPECT_EQ(outer, (QList<Problem>{problem, problem}));
    EXPECT_EQ(inner,
              (QList<Problem>{problem, {Level::error, "settings", "kept aside", QStringLiteral("/c/x")}}));
    EXPECT_EQ(g_warnings, QStringList{"WARN settings: kept aside  path: /c/x"});
}
