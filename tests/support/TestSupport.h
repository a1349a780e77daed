#pragma once
// What every test suite may use: real temporary files, trace capture, and (from the
// framework) the message-box recorder.

#include "framework/MessageBox.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
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
