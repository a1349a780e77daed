#include "frame/CColorCodesDlg.h"

// this program
#include "colors/ColorCodesFile.h"
#include "colors/ParseCodeRange.h"
#include "colors/ShippedColorCodes.h"
#include "frame/CPairedEdit.h"
#include "frame/ColorCodeText.h"
#include "framework/MessageBox.h"
#include "framework/TestSeam.h"
#include "framework/Trace.h"
#include "view/QtColor.h"
#include "view/ViewColors.h"

// Qt
#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vtx {

namespace {

using ColorPickerSeam = TestSeam<CColorCodesDlg, QColor(const QColor&, QWidget*)>;

QPushButton* MakeButton(const QString& text, int id, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::number(id));
    return button;
}

// The box with the help text beside the list.
QGroupBox* MakeHelpBox(QWidget* parent)
{
    auto* help = new QGroupBox(parent);
    const QString quote(QLatin1Char('"'));
    // The two halves of the text run on in one label, so that the words wrap where the
    // width allows instead of breaking the sentence where the first half ends.
    auto* helpText = new QLabel(
        QStringLiteral("Enter the hex or Ascii code that you want to have color coded. Once you add it to the list, click ")
            + quote + QStringLiteral("Hex Color") + quote
            + QStringLiteral(" to edit the color it will be displayed in hex view, and ") + quote
            + QStringLiteral("Ascii Color") + quote + QStringLiteral(" to edit ")
            + QStringLiteral("the color it will be displayed in the Ascii view. You can also enter a range. i.e. ") + quote
            + QStringLiteral("0D-2D") + quote + QStringLiteral(", or ") + quote + QStringLiteral("a-z") + quote
            + QStringLiteral("."),
        help);
    helpText->setObjectName(QStringLiteral("HelpText"));
    helpText->setWordWrap(true);
    helpText->setTextFormat(Qt::PlainText);
    helpText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* helpLayout = new QVBoxLayout(help);
    helpLayout->addWidget(helpText);
    return help;
}

// The list's current row is where the keyboard would act, not a choice: when the list
// takes the focus it becomes the first row, and after Remove a neighbour. Several styles
// draw a focused current row much like a selected one, so a row that only has the focus
// is drawn plainly, and only the row Remove would take looks chosen.
class SelectionOnlyDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!(option->state & QStyle::State_Selected))
            option->state &= ~QStyle::State_HasFocus;
    }
};

} // namespace

void CColorCodesDlg::SetColorPicker(ColorPicker picker)
{
    ColorPickerSeam::Set(std::move(picker));
}

CColorCodesDlg::CColorCodesDlg(ColorTable& table, std::string path, std::function<void()> repaintActiveView,
                               QWidget* parent)
    : CColorCodesDlg(table, path, path, std::move(repaintActiveView), parent)
{
}

CColorCodesDlg::CColorCodesDlg(ColorTable& table, std::string readPath, std::string savePath,
                               std::function<void()> repaintActiveView, QWidget* parent)
    : QDialog(parent)
    , m_table(table)
    , m_path(std::move(readPath))
    , m_savePath(std::move(savePath))
    , m_repaintActiveView(std::move(repaintActiveView))
{
    setWindowTitle(QStringLiteral("Edit Color Codes"));
    BuildControls();
    m_hexEdit->Link(CPairedEdit::kModeHex, m_asciiEdit);
    m_asciiEdit->Link(CPairedEdit::kModeAscii, m_hexEdit);
    LoadFromFile();
}

bool CColorCodesDlg::Run(QWidget* parent, ColorTable& table, const std::string& path,
                         std::function<void()> repaintActiveView)
{
    CColorCodesDlg dialog(table, path, std::move(repaintActiveView), parent);
    return dialog.exec() == QDialog::Accepted;
}

void CColorCodesDlg::BuildControls()
{
    // The list comes first so that it has the keyboard focus when the dialog opens.
    auto* codes = new QGroupBox(QStringLiteral("HEX Codes:"), this);
    BuildCodeList(codes);
    auto* codesLayout = new QHBoxLayout(codes);
    codesLayout->addWidget(m_list, 1);
    codesLayout->addLayout(BuildEditColumn(codes), 2);

    QPushButton* clear = MakeButton(QStringLiteral("Clear List"), IdClearList, this);
    QPushButton* save = MakeButton(QStringLiteral("Save"), IdSave, this);
    QPushButton* cancel = MakeButton(QStringLiteral("Cancel"), IdCancel, this);
    save->setDefault(true);
    auto* dialogButtons = new QHBoxLayout;
    dialogButtons->addWidget(clear);
    dialogButtons->addStretch(1);
    dialogButtons->addWidget(save);
    dialogButtons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(codes, 1);
    layout->addLayout(dialogButtons);

    connect(clear, &QPushButton::clicked, this, &CColorCodesDlg::OnClearList);
    connect(save, &QPushButton::clicked, this, &CColorCodesDlg::OnSave);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CColorCodesDlg::BuildCodeList(QWidget* parent)
{
    m_list = new QTreeWidget(parent);
    m_list->setObjectName(QString::number(IdList));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QStringLiteral("Hex Code"), QStringLiteral("Ascii Code")});
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setMinimumSectionSize(16);
    m_list->setColumnWidth(0, 77);
    m_list->setColumnWidth(1, 75);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The row's own focus frame would be drawn around a row that only has the focus; the
    // delegate below decides per cell instead.
    m_list->setAllColumnsShowFocus(false);
    m_list->setItemDelegate(new SelectionOnlyDelegate(m_list));
    m_list->setMinimumWidth(77 + 75 + 2 * m_list->frameWidth() + 4);

    // The row last selected stays the one Remove and the boxes refer to, even when a later
    // click on empty space clears the highlight.
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
        if (selected.isEmpty())
            return;
        m_selectionMark = selected.front();
        ShowRowInBoxes(m_selectionMark);
    });
    connect(m_list, &QTreeWidget::itemClicked, this, [this] { ShowRowInBoxes(m_selectionMark); });
}

QVBoxLayout* CColorCodesDlg::BuildEditColumn(QWidget* parent)
{
    m_hexEdit = new CPairedEdit(true, parent);
    m_hexEdit->setObjectName(QString::number(IdHexEdit));
    m_asciiEdit = new CPairedEdit(true, parent);
    m_asciiEdit->setObjectName(QString::number(IdAsciiEdit));

    QPushButton* add = MakeButton(QStringLiteral("Add"), IdAdd, parent);
    QPushButton* remove = MakeButton(QStringLiteral("Remove"), IdRemove, parent);
    QPushButton* hexColor = MakeButton(QStringLiteral("Hex Color"), IdHexColor, parent);
    QPushButton* asciiColor = MakeButton(QStringLiteral("Ascii Color"), IdAsciiColor, parent);
    connect(add, &QPushButton::clicked, this, &CColorCodesDlg::OnAdd);
    connect(remove, &QPushButton::clicked, this, &CColorCodesDlg::OnRemove);
    connect(hexColor, &QPushButton::clicked, this, [this] { PickColor(true); });
    connect(asciiColor, &QPushButton::clicked, this, [this] { PickColor(false); });

    auto* boxes = new QGridLayout;
    boxes->addWidget(new QLabel(QStringLiteral("Hex Code:"), parent), 0, 0);
    boxes->addWidget(m_hexEdit, 0, 1);
    boxes->addWidget(new QLabel(QStringLiteral("Ascii Char:"), parent), 1, 0);
    boxes->addWidget(m_asciiEdit, 1, 1);
    auto* editButtons = new QGridLayout;
    editButtons->addWidget(add, 0, 0);
    editButtons->addWidget(remove, 0, 1);
    editButtons->addWidget(hexColor, 1, 0);
    editButtons->addWidget(asciiColor, 1, 1);

    auto* column = new QVBoxLayout;
    column->addLayout(boxes);
    column->addLayout(editButtons);
    column->addWidget(MakeHelpBox(parent), 1);
    return column;
}

void CColorCodesDlg::LoadFromFile()
{
    // Rows in file order. A code text that a hand-edited file repeats gets one row, where
    // it first appears, with the colours of its last line; an empty line names nothing and
    // would be dropped by the next save, so it gets no row either.
    // The shipped codes appear in the colours the view shows them in for this palette.
    for (const ColorCodeLine& line : ColorCodeLinesForBackground(ReadColorCodeLines(m_path), IsDarkPalette(palette()))) {
        if (line.code.empty())
            continue;
        const bool known = m_codes.Contains(line.code);
        m_codes.Set(line.code, line.colors);
        if (!known) {
            const QString code = FromCodeBytes(line.code);
            AppendRow(code, CodeTextToAscii(code));
        }
    }
}

void CColorCodesDlg::AppendRow(const QString& code, const QString& characters)
{
    UpdateSwatches(new QTreeWidgetItem(m_list, QStringList{code, characters}));
}

QIcon CColorCodesDlg::Swatch(ColorRef color, int sizePx)
{
    QPixmap pixmap(sizePx, sizePx);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    // A frame in the text's colour keeps a swatch the colour of the list visible.
    painter.setPen(QColor(Qt::gray));
    painter.setBrush(ToQColor(color));
    painter.drawRect(QRect(0, 0, sizePx - 1, sizePx - 1));
    return QIcon(pixmap);
}

void CColorCodesDlg::UpdateSwatches(QTreeWidgetItem* row)
{
    if (!row)
        return;
    // Each column shows the colour its bytes are drawn in.
    const int size = std::max(8, m_list->fontMetrics().height() - 4);
    if (const ColorPair* colors = m_codes.Find(ToCodeBytes(row->text(0)))) {
        row->setIcon(0, Swatch(colors->hex, size));
        row->setIcon(1, Swatch(colors->ascii, size));
        row->setData(0, Qt::UserRole, static_cast<uint>(colors->hex));
        row->setData(1, Qt::UserRole, static_cast<uint>(colors->ascii));
    } else {
        row->setIcon(0, QIcon());
        row->setIcon(1, QIcon());
        row->setData(0, Qt::UserRole, QVariant());
        row->setData(1, Qt::UserRole, QVariant());
    }
}

void CColorCodesDlg::ShowRowInBoxes(QTreeWidgetItem* row)
{
    if (!row)
        return;
    // setText: the two boxes take the row's texts as they are, without mirroring.
    m_hexEdit->setText(row->text(0));
    m_asciiEdit->setText(row->text(1));
    // Without an entry the boxes show the view's default text colour.
    if (const ColorPair* colors = m_codes.Find(ToCodeBytes(row->text(0)))) {
        m_hexEdit->SetTextColor(colors->hex);
        m_asciiEdit->SetTextColor(colors->ascii);
    } else {
        m_hexEdit->SetDefaultTextColor();
        m_asciiEdit->SetDefaultTextColor();
    }
    m_hexEdit->repaint();
    m_asciiEdit->repaint();
}

void CColorCodesDlg::OnAdd()
{
    const QString code = m_hexEdit->text().toUpper();
    const std::string key = ToCodeBytes(code);
    if (m_codes.Contains(key))
        return;
    m_hexEdit->setText(code);
    // The box takes only such text from the keyboard and the clipboard; a row's text
    // shown from a hand-edited file may still hold anything, and would be saved as a code
    // that reads back as another one ("4A,5" is the code 4A with colour 5).
    // A second "-" is the low-high mistake below; other characters are not a code at all.
    if (!IsCodeText(QString(code).remove(QLatin1Char('-')))) {
        ShowMessageBox(QStringLiteral("A code is a hex number, or two joined by \"-\" for a range "
                                      "(41, 0D-2D). \"%1\" is not one.")
                           .arg(code));
        return;
    }
    if (ParseCodeRange(key).low == -1) {
        ShowMessageBox(QStringLiteral("You must do low-high. (a-z, not z-a)"));
        return;
    }
    // A new code starts in the view's own text colour in both columns, whatever the boxes
    // show (their colours are only a preview): black on a light palette, and readable
    // rather than black on a dark one.
    const ColorRef text = ToColorRef(ViewColorsFor(palette()).text);
    m_codes.Set(key, ColorPair{text, text});
    AppendRow(code, m_asciiEdit->text());
}

void CColorCodesDlg::OnRemove()
{
    if (!m_selectionMark)
        return;
    m_codes.Remove(ToCodeBytes(m_selectionMark->text(0)));
    // The list would move the selection to a neighbour; a second Remove must not take a
    // row the user never chose.
    const QSignalBlocker quiet(m_list);
    delete m_selectionMark;
    m_list->clearSelection();
    m_selectionMark = nullptr;
}

void CColorCodesDlg::OnClearList()
{
    m_selectionMark = nullptr;
    m_list->clear();
    m_codes.Clear();
}

void CColorCodesDlg::PickColor(bool hexColumn)
{
    const QColor initial(Qt::black);
    const ColorPicker picker = ColorPickerSeam::Get();
    const QColor picked = picker ? picker(initial, this) : QColorDialog::getColor(initial, this);
    // Cancelled: the user chose nothing, so the box and the entry keep their colours.
    if (!picked.isValid())
        return;
    const ColorRef color = ToColorRef(picked);

    CPairedEdit* box = hexColumn ? m_hexEdit : m_asciiEdit;
    box->SetTextColor(color);
    box->repaint();

    // The hex box's text exactly as it stands: a code typed in lower case is a different
    // code text from the upper-cased one Add stores.
    if (ColorPair* entry = m_codes.Find(ToCodeBytes(m_hexEdit->text()))) {
        if (hexColumn)
            entry->hex = color;
        else
            entry->ascii = color;
        for (int i = 0; i < m_list->topLevelItemCount(); ++i)
            if (QTreeWidgetItem* row = m_list->topLevelItem(i); row->text(0) == m_hexEdit->text())
                UpdateSwatches(row);
    }
}

void CColorCodesDlg::OnSave()
{
    const bool written = m_savePath == m_path ? SaveColorCodes(m_savePath, m_codes)
                                              : SaveUserColorCodes(m_savePath, m_codes);
    m_bWritten = written;
    m_table.Apply(m_codes);
    if (m_repaintActiveView)
        m_repaintActiveView();
    if (!written) {
        // The colours are in use all the same; the user must learn that they will not
        // come back next time (typically the program's directory is not writable).
        Trace(QStringLiteral("colors.dat not written: %1").arg(QString::fromStdString(m_savePath)));
        ShowMessageBox(QStringLiteral("Could not save the color codes to %1. The new colors are used until "
                                      "Vantorix closes.")
                           .arg(QString::fromStdString(m_savePath)));
    }
    accept();
}

} // namespace vtx
