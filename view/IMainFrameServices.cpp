#include "IMainFrameServices.h"

#include "document/CVantorixDoc.h"

#include <QCoreApplication>

namespace vtx {

namespace {

class QuietFrame final : public IMainFrameServices
{
public:
    const ColorTable& GetColorTable() const override { return m_table; }
    QString GetSearchText() const override { return {}; }
    SearchType GetSearchType() const override { return SearchType::Ascii; }
    bool IsSigned() const override { return false; }
    void ShowCaretInfo(FilePos, std::uint8_t, int) override {}
    void SetStatusText(const QString&) override {}
    void SetOverwriteIndicator(bool) override {}

private:
    ColorTable m_table;
};

IMainFrameServices* g_frame = nullptr;

} // namespace

IMainFrameServices& MainFrameServices()
{
    static QuietFrame quiet;
    return g_frame ? *g_frame : quiet;
}

void SetMainFrameServices(IMainFrameServices* frame)
{
    g_frame = frame;
    // A long save tells its progress in the status bar; the bar is painted at once,
    // without taking any input that could change the document meanwhile.
    if (frame) {
        CVantorixDoc::SetStatusSink([frame](const QString& text) {
            frame->SetStatusText(text);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    } else {
        CVantorixDoc::SetStatusSink(nullptr);
    }
}

} // namespace vtx
