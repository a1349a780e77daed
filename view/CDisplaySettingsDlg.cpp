#include "CDisplaySettingsDlg.h"

// this program
#include "framework/MessageBox.h"
#include "view/ViewGeometry.h"

// Qt
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vtx {

namespace {

CDisplaySettingsDlg::ModalRunner& Runner()
{
    static CDisplaySettingsDlg::ModalRunner runner;
    return runner;
}

// The form is laid out in dialog units: a quarter of the font's average character width
// across, an eighth of its height down.
struct DialogUnits {
    int baseX;
    int baseY;
    [[nodiscard]] QRect Rect(int x, int y, int w, int h) const
    {
        return {x * baseX / 4, y * baseY / 8, w * baseX / 4, h * baseY / 8};
    }
};

DialogUnits UnitsFor(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int alphabet =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {std::max(1, (alphabet / 26 + 1) / 2), std::max(1, metrics.height())};
}

} // namespace

CDisplaySettingsDlg::CDisplaySettingsDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Display Settings"));
    setModal(true);
    const DialogUnits du = UnitsFor(font());

    struct Row {
        const char* label;
        int labelX, labelY, labelW;
        int editId;
        int editY;
    };
    static constexpr Row rows[] = {
        {"Bytes Per Line:", 7, 15, 48, IDC_BYTES_PER_LINE, 13},
        {"Group Size:", 7, 32, 38, IDC_GROUP_SIZE, 30},
        {"Address Space:", 7, 50, 51, IDC_ADDRESS_SPACE, 48},
        {"Group Space:", 7, 67, 45, IDC_GROUP_SPACE, 65},
        {"Ascii Space:", 7, 84, 40, IDC_ASCII_SPACE, 82},
    };
    for (const Row& row : rows) {
        auto* label = new QLabel(QString::fromLatin1(row.label), this);
        // The texts are wider than their boxes in some fonts; the label may grow to the
        // edit box.
        label->setGeometry(du.Rect(row.labelX, row.labelY - 1, 63 - row.labelX - 2, 10));
        auto* edit = new QLineEdit(this);
        edit->setGeometry(du.Rect(63, row.editY, 66, 14));
        label->setBuddy(edit);
        m_edits[row.editId] = edit;
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(du.Rect(178, 106, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setGeometry(du.Rect(7, 106, 50, 14));
    connect(ok, &QPushButton::clicked, this, &CDisplaySettingsDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Tab order follows the template: the five boxes from the top, then the buttons.
    setTabOrder(m_edits[IDC_BYTES_PER_LINE], m_edits[IDC_GROUP_SIZE]);
    setTabOrder(m_edits[IDC_GROUP_SIZE], m_edits[IDC_ADDRESS_SPACE]);
    setTabOrder(m_edits[IDC_ADDRESS_SPACE], m_edits[IDC_GROUP_SPACE]);
    setTabOrder(m_edits[IDC_GROUP_SPACE], m_edits[IDC_ASCII_SPACE]);
    setTabOrder(m_edits[IDC_ASCII_SPACE], ok);
    setTabOrder(ok, cancel);

    setFixedSize(du.Rect(0, 0, 235, 127).size());
}

QLineEdit* CDisplaySettingsDlg::Edit(int id) const
{
    const auto found = m_edits.find(id);
    return found == m_edits.end() ? nullptr : found->second;
}

void CDisplaySettingsDlg::SetModalRunner(ModalRunner runner)
{
    Runner() = std::move(runner);
}

int CDisplaySettingsDlg::DoModal()
{
    DoDataExchange(false);
    m_edits[IDC_BYTES_PER_LINE]->setFocus();
    m_edits[IDC_BYTES_PER_LINE]->selectAll();
    if (Runner())
        return Runner()(*this);
    return exec();
}

bool CDisplaySettingsDlg::DoDataExchange(bool saveAndValidate)
{
    struct Binding {
        int id;
        int* value;
    };
    const Binding bindings[] = {{IDC_BYTES_PER_LINE, &m_nDlgBytesPerLine}, {IDC_GROUP_SIZE, &m_nDlgGroupSize}};

    for (const Binding& binding : bindings) {
        QLineEdit* edit = m_edits[binding.id];
        if (!saveAndValidate) {
            edit->setText(QString::number(*binding.value));
            continue;
        }
        const auto fail = [edit](const QString& message) {
            ShowMessageBox(message);
            edit->setFocus();
            edit->selectAll();
            return false;
        };
        bool isInteger = false;
        const int value = edit->text().trimmed().toInt(&isInteger, 10);
        if (!isInteger)
            return fail(QStringLiteral("Please enter an integer."));
        // A row needs at least one byte, and cannot hold more than one read delivers.
        if (binding.id == IDC_BYTES_PER_LINE && (value < kMinBytesPerLine || value > kMaxBytesPerLine)) {
            return fail(QStringLiteral("Please enter a number of bytes per line from %1 to %2.")
                            .arg(kMinBytesPerLine)
                            .arg(kMaxBytesPerLine));
        }
        *binding.value = value;
    }
    return true;
}

void CDisplaySettingsDlg::OnOK()
{
    if (DoDataExchange(true))
        accept();
}

} // namespace vtx
