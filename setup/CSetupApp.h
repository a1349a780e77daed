#pragma once
// The setup program: where it runs from decides whether it installs or uninstalls.

#include <QString>

namespace vtx {

class CSetupApp
{
public:
    enum class Mode { Install, Uninstall };

    // runningProgram: the full path of the running program file.
    explicit CSetupApp(QString runningProgram) : m_runningProgram(std::move(runningProgram)) {}

    // Uninstall when an install is recorded in the registry and this is the copy of the
    // setup program in the system directory (letter case aside); install otherwise.
    [[nodiscard]] Mode DecideMode() const;

    // Runs the uninstall or the setup dialog. Returns false: the program then ends.
    bool InitInstance();

private:
    QString m_runningProgram;
};

} // namespace vtx
