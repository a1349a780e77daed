#include "SetupIcon.h"

// Qt
#include <QFile>

// A static library's resources must be registered by hand, outside any namespace.
static void RegisterSetupResources()
{
    Q_INIT_RESOURCE(setup);
}

namespace vtx {

namespace {

const QString& IconResource()
{
    static const QString path = [] {
        RegisterSetupResources();
        return QStringLiteral(":/setup/vantorix.svg");
    }();
    return path;
}

} // namespace

QIcon SetupProgramIcon()
{
    return QIcon(IconResource());
}

QByteArray SetupIconFile()
{
    QFile file(IconResource());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace vtx
