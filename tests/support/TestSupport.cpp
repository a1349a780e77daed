#include "TestSupport.h"

#include <QFile>

#include <algorithm>
#include <stdexcept>

namespace vtx::test {

namespace {
TraceCapture* g_capture = nullptr;
}

TempDir::TempDir()
{
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary directory");
}

QString TempDir::Write(const QString& name, const QByteArray& bytes) const
{
    const QString path = Path(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file " + path.toStdString());
    return path;
}

QString TempDir::Write(const QString& name, const std::vector<std::uint8_t>& bytes) const
{
    return Write(name, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                  static_cast<qsizetype>(bytes.size())));
}

bool IsInk(const QColor& pixel, Ink ink, int margin)
{
    const int r = pixel.red();
    const int g = pixel.green();
    const int b = pixel.blue();
    switch (ink) {
    case Ink::Red:
        return r - std::max(g, b) >= margin;
    case Ink::Green:
        return g - std::max(r, b) >= margin;
    case Ink::Blue:
        return b - std::max(r, g) >= margin;
    }
    return false;
}

bool IsDarkInk(const QColor& pixel, int limit)
{
    return pixel.red() <= limit && pixel.green() <= limit && pixel.blue() <= limit;
}

int CountPixels(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& predicate)
{
    const QRect inside = area & image.rect();
    int count = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += predicate(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

int CountInk(const QImage& image, const QRect& area, Ink ink)
{
    return CountPixels(image, area, [ink](const QColor& c) { return IsInk(c, ink); });
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

TraceCapture::TraceCapture() : m_previous(qInstallMessageHandler(&TraceCapture::Handler))
{
    g_capture = this;
    QLoggingCategory::setFilterRules(QStringLiteral("vantorix.trace.debug=true"));
}

TraceCapture::~TraceCapture()
{
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(m_previous);
    g_capture = nullptr;
}

bool TraceCapture::Contains(const QString& text) const
{
    for (const QString& line : m_lines)
        if (line.contains(text))
            return true;
    return false;
}

void TraceCapture::Handler(QtMsgType type, const QMessageLogContext& context, const QString& msg)
{
    if (g_capture && context.category && QByteArray(context.category) == "vantorix.trace") {
        g_capture->m_lines.append(msg);
        return;
    }
    if (g_capture && g_capture->m_previous)
        g_capture->m_previous(type, context, msg);
}

} // namespace vtx::test
