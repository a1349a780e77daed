#include "frame/CCaretNumbersDock.h"

// this program
#include "document/CVantorixDoc.h"
#include "document/CaretNumbers.h"
#include "view/ViewGeometry.h"

// Qt
#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>

// std
#include <span>

namespace vtx {

namespace {

constexpr std::size_t kBinaryRow = kInspectedTypeCount;

} // namespace

const QString& CCaretNumbersDock::BinaryRowName()
{
    static const QString name = QStringLiteral("Binary");
    return name;
}

CCaretNumbersDock::CCaretNumbersDock(QWidget* parent) : QDockWidget(QStringLiteral("Data Inspector"), parent)
{
    setObjectName(QStringLiteral("DataInspector"));
    auto* body = new QWidget(this);
    auto* grid = new QGridLayout(body);
    m_pOffset = new QLabel(QStringLiteral("-"), body);
    m_pOffset->setObjectName(QStringLiteral("offset"));
    grid->addWidget(new QLabel(QStringLiteral("Offset"), body), 0, 0);
    grid->addWidget(m_pOffset, 0, 1);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        const QString name =
            i == kBinaryRow ? BinaryRowName() : QString::fromLatin1(InspectedTypeName(static_cast<InspectedType>(i)));
        m_names[i] = new QLabel(name, body);
        m_values[i] = new QLabel(QStringLiteral("-"), body);
        m_values[i]->setFont(fixed);
        // The values can be copied out.
        m_values[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        const int row = static_cast<int>(i) + 1;
        grid->addWidget(m_names[i], row, 0);
        grid->addWidget(m_values[i], row, 1);
    }
    m_pBigEndian = new QCheckBox(QStringLiteral("&Big-endian"), body);
    m_pBigEndian->setObjectName(QStringLiteral("bigEndian"));
    m_pBigEndian->setFocusPolicy(Qt::TabFocus);
    grid->addWidget(m_pBigEndian, static_cast<int>(m_values.size()) + 1, 0, 1, 2);
    grid->setRowStretch(static_cast<int>(m_values.size()) + 2, 1);
    grid->setColumnStretch(1, 1);
    setWidget(body);
    connect(m_pBigEndian, &QCheckBox::toggled, this, &CCaretNumbersDock::ShowValues);
}

bool CCaretNumbersDock::IsBigEndian() const
{
    return m_pBigEndian->isChecked();
}

QString CCaretNumbersDock::ValueText(const QString& name) const
{
    for (std::size_t i = 0; i < m_names.size(); ++i)
        if (m_names[i]->text() == name)
            return m_values[i]->text();
    return {};
}

void CCaretNumbersDock::ShowAt(CVantorixDoc* doc, FilePos position)
{
    m_nBytes = 0;
    const FilePos length = doc ? doc->GetFileLength() : 0;
    // Past the end there is nothing to read: a read there only finds the end.
    if (doc && doc->IsFileOpen() && position < length) {
        const std::int32_t read = doc->ReadBytes(m_bytes.data(), kMaxInspectedBytes, position);
        m_nBytes = read > 0 ? static_cast<std::size_t>(read) : 0;
    }
    m_pOffset->setText(doc ? QString::fromLatin1(OffsetText(position, AddressDigits(length)))
                           : QStringLiteral("-"));
    ShowValues();
}

void CCaretNumbersDock::ShowValues()
{
    const std::span<const std::uint8_t> bytes(m_bytes.data(), m_nBytes);
    const auto texts = InspectedValueTexts(bytes, IsBigEndian());
    for (std::size_t i = 0; i < texts.size(); ++i)
        m_values[i]->setText(QString::fromStdString(texts[i]));
    m_values[kBinaryRow]->setText(QString::fromStdString(BinaryText(bytes)));
}

} // namespace vtx
