#include "IMainFrameServices.h"

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
}

} // namespace vtx
