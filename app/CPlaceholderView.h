#pragma once
// A document view that shows nothing but an empty page: what a document window holds
// when the program is given no real view for its documents.

#include "framework/CView.h"

namespace vtx {

class CPlaceholderView : public CView
{
    Q_OBJECT
public:
    explicit CPlaceholderView(CDocument* document, QWidget* parent = nullptr);
};

} // namespace vtx
