#include "CSearchResultsDock.h"

// this program
#include "document/CVantorixDoc.h"
#include "framework/MessageBox.h"
#include "view/CVantorixView.h"
#include "view/ProgressSearch.h"
#include "view/ViewGeometry.h"

// Qt
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>

namespace vtx {

namespace {

int g_progressDelayMs = 500;

} // namespace

void CSearchResultsModel::Reset(CVantorixView* view, int addressDigits)
{
    beginResetModel();
    m_view = view;
    m_nAddressDigits = addressDigits;
    m_hits.clear();
    endResetModel();
}

void CSearchResultsModel::Append(const std::vector<FindAllHit>& hits, std::size_t from)
{
    if (from >= hits.size())
        return;
    const int first = static_cast<int>(m_hits.size());
    beginInsertRows({}, first, first + static_cast<int>(hits.size() - from) - 1);
    m_hits.insert(m_hits.end(), hits.begin() + static_cast<std::ptrdiff_t>(from), hits.end());
    endInsertRows();
}

int CSearchResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_hits.size());
}

int CSearchResultsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant CSearchResultsModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    const FindAllHit& hit = m_hits[static_cast<std::size_t>(index.row())];
    CVantorixDoc* doc = m_view ? m_view->GetDocument() : nullptr;
    if (!doc || !doc->IsFileOpen())
        return index.column() == kOffset ? QVariant(QString::fromStdString(OffsetText(hit.position, m_nAddressDigits)))
                                         : QVariant();
    // Read when shown: the bytes the row shows are the document's bytes now.
    const FindAllTool::RowText row = FindAllTool::Describe(*doc, hit, m_nAddressDigits);
    switch (index.column()) {
    case kOffset: return row.offset;
    case kHex: return row.hex;
    case kText: return row.text;
    default: return {};
    }
}

QVariant CSearchResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case kOffset: return QStringLiteral("Offset");
    case kHex: return QStringLiteral("Hex");
    case kText: return QStringLiteral("Text");
    default: return {};
    }
}

CSearchResultsDock::CSearchResultsDock(QWidget* parent)
    : QDockWidget(QStringLiteral("Search Results"), parent), m_pModel(new CSearchResultsModel(this)),
      m_pList(new QTreeView), m_pSummary(new QLabel)
{
    setObjectName(QStringLiteral("SearchResultsDock"));
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    m_pSummary->setObjectName(QStringLiteral("SearchResultsSummary"));
    m_pList->setObjectName(QStringLiteral("SearchResultsList"));
    m_pList->setModel(m_pModel);
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pList->header()->setStretchLastSection(true);
    layout->addWidget(m_pSummary);
    layout->addWidget(m_pList);
    setWidget(body);
    // Enter and a double click both activate a row.
    connect(m_pList, &QTreeView::activated, this, [this](const QModelIndex& index) { ActivateRow(index.row()); });
}

void CSearchResultsDock::SetProgressDelayMs(int ms)
{
    g_progressDelayMs = std::max(0, ms);
}

QString CSearchResultsDock::Summary() const
{
    return m_pSummary->text();
}

void CSearchResultsDock::Run(CVantorixView* view, IMatchScanner& scanner)
{
    CVantorixDoc* doc = view ? view->GetDocument() : nullptr;
    if (!doc || m_bRunning)
        return;
    m_bRunning = true;
    m_view = view;
    m_pModel->Reset(view, view->AddressDigits());
    show();
    raise();
    const FilePos length = doc->GetFileLength();
    std::vector<FindAllHit> hits;
    FindAllOutcome outcome;
    {
        const QPointer<CSearchResultsDock> self(this);
        LongTaskProgress task(length, g_progressDelayMs, [&](int percent) {
            // The rows found so far join the list before the window gets its turn.
            m_pModel->Append(hits, m_pModel->Hits().size());
            m_pSummary->setText(QStringLiteral("%1 so far; %2% searched. Press Esc to cancel.")
                                    .arg(FindAllTool::CountText(hits.size()))
                                    .arg(percent));
        });
        outcome = FindAllTool::Run(*doc, scanner, {0, length}, hits, [&](std::uint64_t scanned) {
            return task.Tick(scanned) && m_view && doc->IsFileOpen();
        });
        // An Esc that came after the last block finds the list complete: it stays so.
        (void)task.Finish();
        if (!self)
            return;
    }
    m_bRunning = false;
    if (!m_view || !doc->IsFileOpen()) {
        m_pModel->Reset(nullptr, kAddressDigits);
        m_pSummary->setText(QStringLiteral("The window searched was closed."));
        return;
    }
    m_pModel->Append(hits, m_pModel->Hits().size());
    m_pSummary->setText(FindAllTool::Summary(*doc, outcome, hits.size()));
    if (outcome.status.Failed())
        ShowMessageBox(doc->ReadFailureText(outcome.status.failedAt, outcome.status.error));
}

void CSearchResultsDock::ActivateRow(int row)
{
    if (row < 0 || row >= m_pModel->rowCount())
        return;
    if (!m_view) {
        m_pSummary->setText(QStringLiteral("The window searched was closed."));
        return;
    }
    const FindAllHit& hit = m_pModel->Hits()[static_cast<std::size_t>(row)];
    m_view->SelectRange({hit.position, hit.length});
    m_view->setFocus();
}

} // namespace vtx
