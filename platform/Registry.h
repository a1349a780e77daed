#pragma once
// A small registry of our own for the setup program: the two roots HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER, keys below them named by backslash-separated paths that compare
// without regard to letter case, and typed values in the keys.
//
// Each root is one text file (JSON) in RegistryDirectory(). Every operation reads the
// file afresh, and every change is written back at once through a temporary file renamed
// over the old one, under an exclusive lock, so two programs never lose each other's
// changes and a reader never sees half a file. A file that cannot be understood is left
// exactly as it is: keys in it cannot be opened and nothing is written over it.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace vtx {

enum class RegRoot { LocalMachine, CurrentUser };
// The roots under the names that the registry's users know them by.
inline constexpr RegRoot HKEY_LOCAL_MACHINE = RegRoot::LocalMachine;
inline constexpr RegRoot HKEY_CURRENT_USER = RegRoot::CurrentUser;
[[nodiscard]] QString RegRootName(RegRoot root);

enum class RegType { Sz, ExpandSz, DWord, Binary };
[[nodiscard]] QString RegTypeName(RegType type);

struct RegValue {
    RegType type = RegType::Sz;
    QString text;             // REG_SZ and REG_EXPAND_SZ
    std::uint32_t number = 0; // REG_DWORD
    QByteArray bytes;         // REG_BINARY

    // The stored size in bytes: a string counts its UTF-8 bytes and the terminating zero.
    [[nodiscard]] qsizetype DataSize() const;
};

enum class RegStatus {
    Ok,
    NotFound,    // no such key or value
    HasSubkeys,  // a key with subkeys is not deleted
    Protected,   // the root and its standard "Software" key cannot be deleted
    BadName,     // an empty path where a key must be named, or a name part over 255 characters
    BadStore,    // the root's file cannot be read or understood; it is left untouched
    WriteFailed, // the root's file could not be written; it keeps its old content
};
[[nodiscard]] QString RegStatusText(RegStatus status);

// An open key. Opening checks that the key exists; the handle itself holds no resources.
struct RegKey {
    RegRoot root = RegRoot::LocalMachine;
    QStringList path; // name parts below the root, case as first created or as given
};

namespace Registry {

// The root key itself, always present.
[[nodiscard]] RegKey Root(RegRoot root);
// Opens an existing key below parent (path may be empty: the parent again).
RegStatus OpenKey(const RegKey& parent, const QString& path, RegKey* key);
// Opens a key below parent, creating it and any missing level above it.
RegStatus CreateKey(const RegKey& parent, const QString& path, RegKey* key);
RegStatus QueryValue(const RegKey& key, const QString& name, RegValue* value);
RegStatus SetValue(const RegKey& key, const QString& name, const RegValue& value);
RegStatus DeleteValue(const RegKey& key, const QString& name);
// Deletes a key and its values. A key that still has subkeys stays, as on Windows: the
// keys of other products of the same maker are never taken along.
RegStatus DeleteKey(RegRoot root, const QString& path);

// The file that holds a root.
[[nodiscard]] QString StoreFile(RegRoot root);
// What went wrong in the last BadStore or WriteFailed of this thread, in words.
[[nodiscard]] QString LastErrorText();

} // namespace Registry

// Replaces each %NAME% whose variable is set with the variable's value, as Windows does
// for REG_EXPAND_SZ values; a reference to an unset variable stays as written.
[[nodiscard]] QString ExpandEnvironmentStrings(const QString& text);

} // namespace vtx
