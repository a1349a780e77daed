#pragma once
// Diagnostic trace lines: the program's debug output. Off by default; switch it on with
// QT_LOGGING_RULES=vantorix.trace=true. It never goes to a file of ours.

#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcVantorixTrace)

namespace vtx {

void Trace(const QString& line);

} // namespace vtx
