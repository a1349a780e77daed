#include "Trace.h"

Q_LOGGING_CATEGORY(lcVantorixTrace, "vantorix.trace", QtWarningMsg)

namespace vtx {

void Trace(const QString& line)
{
    qCDebug(lcVantorixTrace).noquote() << line;
}

} // namespace vtx
