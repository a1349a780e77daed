#pragma once
// What the command line asks the program to do. An argument that starts with "-" is a
// switch; the first other argument is the file; after "-pt" the next three are the
// printer, its driver and its port. ("/" cannot introduce a switch here: on Linux it
// starts every absolute path.)

#include <QString>
#include <QStringList>

namespace vtx {

class CCommandLineInfo
{
public:
    enum ShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo, AppUnregister };

    virtual ~CCommandLineInfo() = default;

    // Called for each argument, the leading "-" of a switch already removed.
    virtual void ParseParam(const QString& param, bool flag, bool last);

    // Parses a whole argument list (without the program's own name).
    void ParseAll(const QStringList& arguments);

    ShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
    QString m_strPrinterName;
    QString m_strDriverName;
    QString m_strPortName;
    // Switches of desktop integration this program does not offer ("dde", "Embedding",
    // "Automation"): noted, and otherwise ignored, so the program starts as usual.
    bool m_bIgnoredShellSwitch = false;

private:
    void ParseParamFlag(const QString& param);
    void ParseParamNotFlag(const QString& param);
    void ParseLast(bool last);
};

} // namespace vtx
