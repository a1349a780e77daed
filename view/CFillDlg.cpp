#include "CFillDlg.h"

// Qt
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace vtx {

CFillDlg::CFillDlg(FilePos length, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Fill Selection"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(
        QStringLiteral("Fill the %1 selected bytes with this pattern, repeated\n(hex digits, 1 to 16 bytes, e.g. 00 or DEADBEEF):")
            .arg(length),
        this);
    m_pattern = new QLineEdit(this);
    m_pattern->setMaxLength(64);
    label->setBuddy(m_pattern);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(m_pattern);
    layout->addWidget(buttons);
}

int CFillDlg::DoModal()
{
    return RunModal();
}

QString CFillDlg::PatternText() const
{
    return m_pattern->text();
}

} // namespace vtx
