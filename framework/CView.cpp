#include "CView.h"

#include "CDocument.h"

namespace vtx {

CView::CView(CDocument* document, QWidget* parent) : QWidget(parent), m_pDocument(document)
{
    if (m_pDocument)
        m_pDocument->AddView(this);
}

CView::~CView()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

void CView::OnDocumentTitleChanged()
{
    emit documentTitleChanged();
}

void CView::DetachDocument()
{
    m_pDocument = nullptr;
}

} // namespace vtx
