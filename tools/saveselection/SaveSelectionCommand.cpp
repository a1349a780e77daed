#include "SaveSelectionCommand.h"

// this program
#include "document/CVantorixDoc.h"
#include "framework/MessageBox.h"
#include "tools/progress/ProgressRun.h"
#include "tools/saveselection/SaveSelection.h"

// Qt
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vtx {

QString ProposedSelectionName(const QString& documentPath)
{
    const QFileInfo info(documentPath);
    QString name = info.completeBaseName() + QStringLiteral("-selection");
    if (!info.suffix().isEmpty())
        name += QLatin1Char('.') + info.suffix();
    return info.dir().filePath(name);
}

bool RunSaveSelectionCommand(QWidget* parent, CVantorixDoc& doc, ByteRange range, const QString& path)
{
    SaveRangeResult result;
    {
        ProgressRun run(parent, QStringLiteral("Saving the selection..."));
        result = SaveRangeAs(doc, range, QFile::encodeName(path).toStdString(),
                             [&run, &range](FilePos done) { return run.Step(done, range.length); });
        run.Finish();
    }
    const QString text = SaveRangeFailureText(doc, path, result);
    if (!text.isEmpty())
        ShowMessageBox(text);
    return result.Saved();
}

} // namespace vtx
