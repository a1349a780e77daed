#pragma once
// What every test suite may use: real temporary files, trace capture, and (from the
// framework) the message-box recorder.

#include "framework/MessageBox.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vtx::test {

// A temporary directory that lives as long as the object, with small file helpers.
class TempDir
{
public:
    TempDir();
    [[nodiscard]] QString Path() const { return m_dir.path(); }
    [[nodiscard]] QString Path(const QString& name) const { return m_dir.filePath(name); }
    [[nodiscard]] std::string StdPath(const QString& name) const { return Path(name).toStdString(); }
    // Writes bytes to name (replacing it) and returns the full path.
    QString Write(const QString& name, const QByteArray& bytes) const;
    QString Write(const QString& name, const std::vector<std::uint8_t>& bytes) const;

private:
    QTemporaryDir m_dir;
};

[[nodiscard]] QByteArray ReadAll(const QString& path);
[[nodiscard]] QByteArray Bytes(std::initializer_list<int> values);

// Pixels of grabbed widgets are classified, never compared with exact colours: every
// "Courier" face (Nimbus Mono PS, Liberation Mono, DejaVu Sans Mono) anti-aliases its thin
// strokes differently, so a red glyph may hold no pixel of pure red at all.
enum class Ink { Red, Green, Blue };
// The ink's channel leads both others by at least margin.
[[nodiscard]] bool IsInk(const QColor& pixel, Ink ink, int margin = 60);
// All three channels at most limit: text in black or a dark colour.
[[nodiscard]] bool IsDarkInk(const QColor& pixel, int limit = 90);
// Pixels of area that satisfy the predicate; the part of area outside the image counts
// nothing (it is never read).
[[nodiscard]] int CountPixels(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& predicate);
[[nodiscard]] int CountInk(const QImage& image, const QRect& area, Ink ink);

// Collects the lines written to the vantorix.trace category while it exists.
class TraceCapture
{
public:
    TraceCapture();
    ~TraceCapture();
    [[nodiscard]] const QStringList& Lines() const { return m_lines; }
    [[nodiscard]] bool Contains(const QString& text) const;

private:
    static void Handler(QtMsgType type, const QMessageLogContext& context, const QString& msg);
    QStringList m_lines;
    QtMessageHandler m_previous;
    QString m_previousRules;
};

} // namespace vtx::test
