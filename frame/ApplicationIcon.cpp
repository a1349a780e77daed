#include "frame/ApplicationIcon.h"

// The resource lives in a static library: it must be registered by hand, outside any
// namespace.
static void InitIconResource()
{
    Q_INIT_RESOURCE(icons);
}

namespace vtx {

QIcon ApplicationIcon()
{
    InitIconResource();
    return QIcon(QStringLiteral(":/icons/vantorix.svg"));
}

} // namespace vtx
