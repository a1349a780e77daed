#include "CView.h"

#include "CDocument.h"
#include "CWinApp.h"
#include "MessageBox.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

#include <memory>

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

namespace {

// The printer of the application, or one of our own where there is no application (a
// view shown on its own).
QPrinter& SharedPrinter()
{
    if (CWinApp* app = AfxGetApp())
        return app->GetPrinter();
    static std::unique_ptr<QPrinter> printer = std::make_unique<QPrinter>();
    return *printer;
}

} // namespace

bool CView::PrintTo(QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    OnPrint(painter, printer);
    return painter.end();
}

void CView::OnFilePrint()
{
    QPrinter& printer = SharedPrinter();
    QPrintDialog dialog(&printer, window());
    if (dialog.exec() == QDialog::Accepted)
        OnFilePrintDirect(printer);
}

bool CView::OnFilePrintDirect(QPrinter& printer)
{
    if (PrintTo(printer))
        return true;
    ShowMessageBox(QStringLiteral("Failed to start print job."));
    return false;
}

void CView::OnFilePrintPreview(int previewPages)
{
    QPrintPreviewDialog dialog(&SharedPrinter(), window());
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) {
        QPainter painter(printer);
        OnPrint(painter, *printer);
    });
    if (auto* preview = dialog.findChild<QPrintPreviewWidget*>()) {
        if (previewPages == 1)
            preview->setViewMode(QPrintPreviewWidget::SinglePageView);
        else if (previewPages == 2)
            preview->setViewMode(QPrintPreviewWidget::FacingPagesView);
    }
    dialog.exec();
}

void CView::DetachDocument()
{
    m_pDocument = nullptr;
}

} // namespace vtx
