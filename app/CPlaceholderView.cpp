#include "CPlaceholderView.h"

namespace vtx {

CPlaceholderView::CPlaceholderView(CDocument* document, QWidget* parent) : CView(document, parent)
{
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
}

} // namespace vtx
