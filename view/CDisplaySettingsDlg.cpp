#include "CDisplaySettingsDlg.h"

// this program
#include "framework/MessageBox.h"
#include "view/ViewGeometry.h"

// Qt
#include <QCheckBox>
#include <QFontDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vtx {

namespace {

using FontPickerSeam = TestSeam<CDisplaySettingsDlg, std::optional<QFont>(const QFont&, QWidget*)>;

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
    BuildSpacingRows();

    // Below the template's rows: the font, shared by every view, and the contrast switch.
    const std::array<QPushButton*, 2> fontButtons = BuildFontRow();
    m_pContrast = new QCheckBox(QStringLiteral("&Keep colors readable (contrast at least 4.5:1)"), this);
    m_pContrast->setObjectName(QStringLiteral("MinimumContrast"));
    m_pContrast->setToolTip(QStringLiteral("A color code's color too close to the background is drawn lighter or "
                                           "darker, in the same hue. Clear it to see the colors exactly."));
    m_pContrast->setGeometry(du.Rect(7, 133, 222, 12));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(du.Rect(178, 152, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setGeometry(du.Rect(7, 152, 50, 14));
    connect(ok, &QPushButton::clicked, this, &CDisplaySettingsDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Tab order follows the template: the five boxes from the top, then the buttons.
    QWidget* const order[] = {m_edits[IDC_BYTES_PER_LINE], m_edits[IDC_GROUP_SIZE], m_edits[IDC_ADDRESS_SPACE],
                              m_edits[IDC_GROUP_SPACE],    m_edits[IDC_ASCII_SPACE], fontButtons[0],
                              fontButtons[1],              m_pContrast,              ok,
                              cancel};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    setFixedSize(du.Rect(0, 0, 235, 173).size());
}

void CDisplaySettingsDlg::BuildSpacingRows()
{
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
}

std::array<QPushButton*, 2> CDisplaySettingsDlg::BuildFontRow()
{
    const DialogUnits du = UnitsFor(font());
    auto* fontCaption = new QLabel(QStringLiteral("Font:"), this);
    fontCaption->setGeometry(du.Rect(7, 101, 54, 10));
    m_pFontLabel = new QLabel(this);
    m_pFontLabel->setObjectName(QStringLiteral("FontName"));
    m_pFontLabel->setGeometry(du.Rect(63, 101, 166, 10));
    auto* chooseFont = new QPushButton(QStringLiteral("&Font..."), this);
    chooseFont->setObjectName(QStringLiteral("ChooseFont"));
    chooseFont->setGeometry(du.Rect(63, 114, 66, 14));
    auto* defaultFont = new QPushButton(QStringLiteral("&Default Font"), this);
    defaultFont->setObjectName(QStringLiteral("DefaultFont"));
    defaultFont->setGeometry(du.Rect(135, 114, 66, 14));
    connect(chooseFont, &QPushButton::clicked, this, &CDisplaySettingsDlg::OnChooseFont);
    connect(defaultFont, &QPushButton::clicked, this, &CDisplaySettingsDlg::OnDefaultFont);
    return {chooseFont, defaultFont};
}

void CDisplaySettingsDlg::SetFontPicker(FontPicker picker)
{
    FontPickerSeam::Set(std::move(picker));
}

void CDisplaySettingsDlg::OnChooseFont()
{
    const QFont start = m_dlgFont.value_or(m_shownFont);
    std::optional<QFont> chosen;
    if (const FontPicker picker = FontPickerSeam::Get()) {
        chosen = picker(start, this);
    } else {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, start, this, QStringLiteral("Font"),
                                                QFontDialog::MonospacedFonts);
        if (ok)
            chosen = font;
    }
    if (!chosen)
        return;
    m_dlgFont = *chosen;
    ShowFont();
}

void CDisplaySettingsDlg::OnDefaultFont()
{
    m_dlgFont.reset();
    ShowFont();
}

void CDisplaySettingsDlg::ShowFont()
{
    if (!m_dlgFont) {
        m_pFontLabel->setText(QStringLiteral("%1, 16 pixels (default)").arg(m_shownFont.family()));
        return;
    }
    const double points = m_dlgFont->pointSizeF();
    m_pFontLabel->setText(points > 0 ? QStringLiteral("%1, %2 pt").arg(m_dlgFont->family()).arg(points)
                                     : QStringLiteral("%1, %2 pixels").arg(m_dlgFont->family()).arg(m_dlgFont->pixelSize()));
}

QLineEdit* CDisplaySettingsDlg::Edit(int id) const
{
    const auto found = m_edits.find(id);
    return found == m_edits.end() ? nullptr : found->second;
}

int CDisplaySettingsDlg::DoModal()
{
    DoDataExchange(false);
    m_edits[IDC_BYTES_PER_LINE]->setFocus();
    m_edits[IDC_BYTES_PER_LINE]->selectAll();
    return RunModal();
}

bool CDisplaySettingsDlg::DoDataExchange(bool saveAndValidate)
{
    struct Binding {
        int id;
        int* value;
    };
    const Binding bindings[] = {{IDC_BYTES_PER_LINE, &m_nDlgBytesPerLine},
                                {IDC_GROUP_SIZE, &m_nDlgGroupSize},
                                {IDC_ADDRESS_SPACE, &m_nDlgAddressSpace},
                                {IDC_GROUP_SPACE, &m_nDlgGroupSpace},
                                {IDC_ASCII_SPACE, &m_nDlgAsciiSpace}};
    if (!saveAndValidate) {
        m_pContrast->setChecked(m_bDlgMinimumContrast);
        ShowFont();
    }

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
        const bool spacing = binding.id == IDC_ADDRESS_SPACE || binding.id == IDC_GROUP_SPACE
                             || binding.id == IDC_ASCII_SPACE;
        if (spacing && (value < 0 || value > kMaxSpaceChars))
            return fail(QStringLiteral("Please enter a spacing from 0 to %1 characters.").arg(kMaxSpaceChars));
        *binding.value = value;
    }
    m_bDlgMinimumContrast = m_pContrast->isChecked();
    return true;
}

void CDisplaySettingsDlg::OnOK()
{
    if (DoDataExchange(true))
        accept();
}

} // namespace vtx
