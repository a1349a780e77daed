#pragma once
// Documents on real temporary files, for the suites that link the document: varied bytes
// to fill a file with, and a document opened on one.

#include "document/CVantorixDoc.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

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

} // namespace vtx::test
