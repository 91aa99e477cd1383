#pragma once

#include "Tests/Support/FakeFinalCut/FakeFinalCutModel.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace pellimor::test {

// What the fake Final Cut Pro program and its test services say to each other over the local
// socket "tovlin-fake-finalcut-PID": one JSON object per line each way. Requests:
//   {"op": "name"}               → {"name": "Final Cut Pro"}; no reply while it hangs
//   {"op": "open", "path": P}    → {"ok": true}
//   {"op": "windows"}            → {"windows": [element...]}, an element being
//                                  {"id", "role", "title"?, "value"?, "children": [element...]}
//   {"op": "press", "id": N}     → {"code": 0 or an error code}
//   {"op": "log"}                → {"log": [line...]}
// Anything else gets {"error": TEXT}.
namespace FakeFinalCutWire {

QString serverName(qint64 pid);
QByteArray line(const QJsonObject& message);
// One line's object; nothing for anything but a JSON object.
std::optional<QJsonObject> parse(const QByteArray& line);
// The program's answer to one request; nothing when it does not answer.
std::optional<QJsonObject> answer(FakeFinalCutModel& model, const QJsonObject& request);

} // namespace FakeFinalCutWire

} // namespace pellimor::test
