#pragma once
// What the tool tests share: documents on real temporary files and the system's own tools
// run on the same bytes.

#include "document/CVantorixDoc.h"
#include "support/TestDocuments.h"
#include "support/TestSupport.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

namespace vtx::test {

// Runs a program and gives its standard output, or a text starting "FAILED" that a
// comparison will show.
inline QString RunTool(const QString& program, const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return QStringLiteral("FAILED to start ") + program;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return QStringLiteral("FAILED: ") + QString::fromLocal8Bit(process.readAllStandardError());
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

} // namespace vtx::test
