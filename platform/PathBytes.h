#pragma once
// File names are bytes on Linux, and need not be valid UTF-8 (a name written on an older
// system in Latin-1, a name from a damaged archive). A QString made the usual way turns
// such bytes into U+FFFD and the name is lost. These two functions carry the bytes through
// a QString unchanged: valid UTF-8 is decoded as usual, and each byte that is not part of
// a valid sequence becomes the lone surrogate U+DC80 + (byte - 0x80), which no valid text
// contains and which the encoder turns back into the same byte.

// Qt
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace vtx {

[[nodiscard]] QString DecodePathBytes(QByteArrayView bytes);
[[nodiscard]] QByteArray EncodePathBytes(const QString& path);

// The path with symbolic links and "." and ".." resolved, as realpath does, the bytes
// kept; empty when the path does not lead to an existing file.
[[nodiscard]] QString CanonicalPathBytes(const QString& path);

} // namespace vtx
