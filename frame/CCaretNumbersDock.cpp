#include "frame/CCaretNumbersDock.h"

// this program
#include "document/CVantorixDoc.h"
#include "text/CaretNumbers.h"
#include "framework/CView.h"
#include "framework/MessageBox.h"
#include "view/ViewGeometry.h"

// Qt
#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

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
        m_values[i]->setFocusPolicy(Qt::ClickFocus);
        m_values[i]->installEventFilter(this);
        const int row = static_cast<int>(i) + 1;
        grid->addWidget(m_names[i], row, 0);
        grid->addWidget(m_values[i], row, 1);
    }
    m_pBigEndian = new QCheckBox(QStringLiteral("&Big-endian"), body);
    m_pBigEndian->setObjectName(QStringLiteral("bigEndian"));
    m_pBigEndian->setFocusPolicy(Qt::TabFocus);
    grid->addWidget(m_pBigEndian, static_cast<int>(m_values.size()) + 1, 0, 1, 2);
    m_pNote = new QLabel(body);
    m_pNote->setObjectName(QStringLiteral("note"));
    m_pNote->setWordWrap(true);
    m_pNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pNote->hide();
    grid->addWidget(m_pNote, static_cast<int>(m_values.size()) + 2, 0, 1, 2);
    grid->setRowStretch(static_cast<int>(m_values.size()) + 3, 1);
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

QString CCaretNumbersDock::NoteText() const
{
    return m_pNote->text();
}

void CCaretNumbersDock::SetNote(const QString& text)
{
    m_pNote->setText(text);
    m_pNote->setVisible(!text.isEmpty());
}

void CCaretNumbersDock::ShowAt(CVantorixDoc* doc, FilePos position)
{
    // The caret moved or the window changed: a value being typed no longer has its place.
    EndEdit();
    m_bHasDocument = doc && doc->IsFileOpen();
    m_bReadOnly = m_bHasDocument && doc->IsReadOnly();
    m_caret = m_bHasDocument ? ReadCaretBytes(*doc, position) : CaretBytes{position};
    // The same words the status bar uses for the ?? cells.
    m_readFailure = m_caret.error != 0 ? doc->ReadFailureText(m_caret.FailedAt(), m_caret.error) : QString();
    const FilePos length = doc ? doc->GetFileLength() : 0;
    m_pOffset->setText(doc ? QString::fromLatin1(OffsetText(position, AddressDigits(length)))
                           : QStringLiteral("-"));
    SetNote(m_readFailure);
    ShowValues();
}

void CCaretNumbersDock::ShowValues()
{
    const auto texts = CaretValueTexts(m_caret, IsBigEndian());
    for (std::size_t i = 0; i < texts.size(); ++i)
        m_values[i]->setText(QString::fromStdString(texts[i]));
    m_values[kBinaryRow]->setText(QString::fromStdString(CaretBinaryText(m_caret)));
}

bool CCaretNumbersDock::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pEditor) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                CommitEdit();
                return true;
            }
            if (key == Qt::Key_Escape) {
                EndEdit();
                return true;
            }
        } else if (event->type() == QEvent::ShortcutOverride) {
            // Enter and Esc belong to the editor, not to the frame's keys.
            event->accept();
            return false;
        } else if (event->type() == QEvent::FocusOut) {
            // Leaving the editor drops what was typed (a message box taking the focus
            // after a refusal ends the edit too).
            QMetaObject::invokeMethod(this, &CCaretNumbersDock::EndEdit, Qt::QueuedConnection);
        }
        return QDockWidget::eventFilter(watched, event);
    }
    for (std::size_t row = 0; row < kInspectedTypeCount; ++row) {
        if (watched != m_values[row])
            continue;
        if (event->type() == QEvent::MouseButtonDblClick) {
            BeginEditRow(row);
            return true;
        }
        const bool f2 = (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) &&
                        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F2 &&
                        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier;
        if (f2) {
            // F2 here edits the row rather than going to the next bookmark.
            event->accept();
            if (event->type() == QEvent::KeyPress)
                BeginEditRow(row);
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

bool CCaretNumbersDock::BeginEdit(const QString& name)
{
    for (std::size_t row = 0; row < kInspectedTypeCount; ++row)
        if (m_names[row]->text() == name)
            return BeginEditRow(row);
    return false;
}

QString CCaretNumbersDock::EditRefusal(std::size_t row) const
{
    // Only a whole, readable value inside the file of a document that takes changes.
    const std::size_t size = InspectedTypeSize(static_cast<InspectedType>(row));
    if (!m_bHasDocument)
        return QStringLiteral("There is no document to change.");
    if (m_bReadOnly)
        return QString::fromLatin1(CVantorixDoc::kReadOnlyText);
    if (m_caret.Unreadable(size))
        return m_readFailure;
    if (m_caret.count < size)
        return QStringLiteral("%1 at the caret would run past the end of the file.").arg(m_names[row]->text());
    return {};
}

bool CCaretNumbersDock::BeginEditRow(std::size_t row)
{
    if (row >= kInspectedTypeCount)
        return false;
    if (const QString refusal = EditRefusal(row); !refusal.isEmpty()) {
        SetNote(refusal);
        return false;
    }
    EndEdit();
    m_nEditRow = row;
    m_pEditor = new QLineEdit(m_values[row]->text(), m_values[row]->parentWidget());
    m_pEditor->setObjectName(QStringLiteral("valueEditor"));
    m_pEditor->setFont(m_values[row]->font());
    m_pEditor->installEventFilter(this);
    auto* grid = static_cast<QGridLayout*>(m_values[row]->parentWidget()->layout());
    grid->addWidget(m_pEditor, static_cast<int>(row) + 1, 1);
    m_values[row]->hide();
    m_pEditor->show();
    m_pEditor->selectAll();
    m_pEditor->setFocus(Qt::OtherFocusReason);
    return true;
}

void CCaretNumbersDock::EndEdit()
{
    if (!m_pEditor)
        return;
    QLineEdit* editor = m_pEditor;
    m_pEditor = nullptr;
    editor->removeEventFilter(this);
    editor->hide();
    editor->deleteLater();
    m_values[m_nEditRow]->show();
}

void CCaretNumbersDock::CommitEdit()
{
    if (!m_pEditor)
        return;
    const auto type = static_cast<InspectedType>(m_nEditRow);
    const QString text = m_pEditor->text();
    CVantorixDoc* doc = m_documentSource ? m_documentSource() : nullptr;
    std::array<std::uint8_t, kMaxInspectedBytes> bytes{};
    const ValueTextProblem problem = EncodeInspectedValue(text.toStdString(), type, IsBigEndian(), bytes);
    const QString name = m_names[m_nEditRow]->text();
    if (problem != ValueTextProblem::None) {
        EndEdit();
        ShowMessageBox(problem == ValueTextProblem::NotANumber
                           ? QStringLiteral("\"%1\" is not a number. Nothing was changed.").arg(text.trimmed())
                           : QStringLiteral("%1 does not fit in %2 (%3). Nothing was changed.")
                                 .arg(text.trimmed(), name, QString::fromStdString(InspectedRangeText(type))));
        return;
    }
    EndEdit();
    if (!doc || !doc->IsFileOpen() || doc->IsReadOnly())
        return;
    const auto size = static_cast<std::uint32_t>(InspectedTypeSize(type));
    std::int32_t written = 0;
    {
        // One Undo takes the whole value back.
        CVantorixDoc::ChangeGroup group(*doc);
        written = doc->SetBytes(bytes.data(), size, m_caret.position);
    }
    if (written != static_cast<std::int32_t>(size)) {
        if (written < 0)
            ShowMessageBox(QStringLiteral("The value could not be written at the caret: the bytes there cannot be "
                                          "read. Nothing was changed."));
        else if (written > 0)
            doc->Undo();
    }
    for (CView* view : doc->GetViews())
        view->update();
    ShowAt(doc, m_caret.position);
}

} // namespace vtx
