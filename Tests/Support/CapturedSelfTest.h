#pragma once

// Runs a self-test that prints its check lines to standard output, and hands back its verdict
// and those lines, the last one checked to be ended.

#include "Tests/Support/Scopes.h"
#include "Tests/Support/TestEnv.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

namespace pellimor::test {

// The capture keeps its file in a folder of its own, away from any TMPDIR the test chose.
inline std::pair<bool, QStringList> capturedSelfTest(const std::function<bool()>& selfTest) {
    ScopedEnvironment captureFolder("TEST_TMPDIR", TestEnv::freshDir(QStringLiteral("capture")));
    testing::internal::CaptureStdout();
    const bool passed = selfTest();
    QStringList lines = QString::fromStdString(testing::internal::GetCapturedStdout()).split(u'\n');
    EXPECT_EQ(lines.takeLast(), QString()) << "the last line is ended";
    return {passed, lines};
}

} // namespace pellimor::test
