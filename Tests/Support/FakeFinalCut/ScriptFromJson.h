#pragma once

#include "Tests/Support/FakeFinalCut/FakeFinalCutScript.h"

#include <QJsonObject>
#include <QString>
#include <gtest/gtest.h>
#include <optional>

namespace pellimor::test {

// A script a test writes as JSON; a script the fake refuses fails the test, with the reason,
// and gives the defaults.
inline FakeFinalCutScript scriptFromJson(const QJsonObject& json) {
    QString error;
    const std::optional<FakeFinalCutScript> read = FakeFinalCutScript::fromJson(json, &error);
    EXPECT_TRUE(read) << error.toStdString();
    return read.value_or(FakeFinalCutScript());
}

} // namespace pellimor::test
