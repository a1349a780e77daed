#include "CChecksumDlg.h"

// this program
#include "document/CVantorixDoc.h"
#include "framework/MessageBox.h"
#include "tools/progress/ProgressRun.h"

// Qt
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

// std
#include <exception>

namespace vtx {

namespace {

QString Offset(FilePos position)
{
    return QString::number(position, 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

} // namespace

CChecksumDlg::CChecksumDlg(const ChecksumOutcome& outcome, bool wholeDocument, QWidget* parent)
    : QDialog(parent), m_values(outcome.values)
{
    setWindowTitle(QStringLiteral("Checksum"));
    auto* layout = new QVBoxLayout(this);

    const ByteRange range = outcome.range;
    const QString length = QLocale(QLocale::English, QLocale::UnitedStates).toString(static_cast<qulonglong>(range.length));
    QString text = wholeDocument ? QStringLiteral("Whole document") : QStringLiteral("Selection");
    if (range.length > 0)
        text += QStringLiteral(": %1 to %2, %3 bytes").arg(Offset(range.first), Offset(range.Last()), length);
    else
        text += QStringLiteral(": no bytes");
    m_pRange = new QLabel(text, this);
    m_pRange->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_pRange);

    auto* grid = new QGridLayout;
    const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    int row = 0;
    for (const ChecksumValue& value : m_values) {
        grid->addWidget(new QLabel(QString::fromLatin1(ChecksumName(value.algorithm)), this), row, 0);
        auto* edit = new QLineEdit(QString::fromLatin1(value.hex), this);
        edit->setReadOnly(true);
        edit->setFont(mono);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 70);
        grid->addWidget(edit, row, 1);
        m_edits.emplace_back(value.algorithm, edit);
        ++row;
    }
    layout->addLayout(grid);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_pCopy = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
    connect(m_pCopy, &QPushButton::clicked, this, &CChecksumDlg::CopyAll);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString CChecksumDlg::RangeText() const
{
    return m_pRange->text();
}

QLineEdit* CChecksumDlg::ValueEdit(ChecksumAlgorithm algorithm) const
{
    for (const auto& [which, edit] : m_edits)
        if (which == algorithm)
            return edit;
    return nullptr;
}

void CChecksumDlg::CopyAll()
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(QString::fromLatin1(ChecksumLines(m_values)));
}

void RunChecksumCommand(QWidget* parent, CVantorixDoc& doc, std::optional<ByteRange> selection)
{
    const bool whole = !selection || selection->Empty();
    const ByteRange range = whole ? ByteRange{0, doc.GetFileLength()} : *selection;
    ChecksumOutcome outcome;
    {
        ProgressRun run(parent, QStringLiteral("Computing checksums..."));
        try {
            outcome = ChecksumTool().Compute(doc, range, [&run](FilePos done, FilePos total) { return run.Step(done, total); });
        } catch (const std::exception& failure) {
            ShowMessageBox(QStringLiteral("The checksums could not be computed: %1.").arg(QString::fromLocal8Bit(failure.what())));
            return;
        }
        // An Esc that came during a run too short to look at still cancels it.
        if (!run.Finish() && outcome.scan.Done())
            outcome.scan.end = ScanEnd::Cancelled;
    }
    switch (outcome.scan.end) {
    case ScanEnd::Cancelled:
        return;
    case ScanEnd::ReadFailed:
        ShowMessageBox(doc.ReadFailureText(outcome.scan.failedAt, outcome.scan.error));
        return;
    case ScanEnd::Done:
        break;
    }
    CChecksumDlg dialog(outcome, whole, parent);
    dialog.DoModal();
}

} // namespace vtx
