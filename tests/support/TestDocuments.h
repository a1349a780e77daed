#pragma once
// Documents on real temporary files, for the suites that link the document: varied bytes
// to fill a file with, and a document opened on one.

#include "document/CVantorixDoc.h"
#include "support/TestSupport.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>

namespace vtx::test {

// Deterministic, varied bytes: every value occurs, no long runs.
inline QByteArray Filler(int size, int seed = 0)
{
    QByteArray bytes(size, '\0');
    std::uint32_t x = 2463534242u + static_cast<std::uint32_t>(seed);
    for (char& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<char>(x >> 24);
    }
    return bytes;
}

inline std::unique_ptr<CVantorixDoc> OpenDocument(const QString& path)
{
    auto doc = std::make_unique<CVantorixDoc>();
    if (!doc->OnOpenDocument(path))
        return nullptr;
    return doc;
}

// A sparse file of 4 GiB and 1 MiB ("big.bin" in dir) with each piece's bytes at its offset,
// opened as a document. `refused` when the file system will not make so large a sparse file
// (the test skips); a null document when writing or opening failed (the test fails).
struct SparseDocument {
    bool refused = false;
    std::unique_ptr<CVantorixDoc> doc;
};

inline SparseDocument OpenSparseAcross4G(const TempDir& dir,
                                         std::initializer_list<std::pair<FilePos, QByteArray>> pieces)
{
    QFile file(dir.Path(QStringLiteral("big.bin")));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    if (!file.resize(static_cast<qint64>((FilePos{1} << 32) + (1 << 20))))
        return {true, nullptr};
    for (const auto& [at, bytes] : pieces)
        if (!file.seek(static_cast<qint64>(at)) || file.write(bytes) != bytes.size())
            return {};
    file.close();
    return {false, OpenDocument(file.fileName())};
}

} // namespace vtx::test
