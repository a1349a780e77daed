// VTXSetup: installs Vantorix from the folder it is started in, or, as the copy in the
// system directory, uninstalls it. Started under the name "regsvr32" it is the library
// registration tool instead, which the install and the uninstall start.
#include "framework/MessageBox.h"
#include "platform/Locations.h"
#include "setup/CSetupApp.h"
#include "setup/RegSvr32.h"
#include "setup/SetupIcon.h"

#include <QApplication>
#include <QFile>

int main(int argc, char** argv)
{
    if (argc > 0 && vtx::IsRegSvr32Name(argv[0])) {
        QStringList arguments;
        for (int i = 1; i < argc; ++i)
            arguments.append(QFile::decodeName(argv[i]));
        return vtx::RunRegSvr32(arguments);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VTXSetup"));
    QApplication::setOrganizationName(QStringLiteral("Dunmerrow"));
    QApplication::setWindowIcon(vtx::SetupProgramIcon());
    vtx::SetMessageBoxCaption(QStringLiteral("Vantorix Setup"));

    vtx::CSetupApp setup(vtx::RunningProgramPath());
    setup.InitInstance();
    return 0;
}
