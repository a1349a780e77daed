#include "Registry.h"

// this program
#include "platform/Directories.h"
#include "platform/Locations.h"

// Qt
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

// std
#include <algorithm>
#include <cerrno>
#include <vector>

// POSIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vtx {

namespace {

constexpr char kFormat[] = "vtxsetup registry 1";
constexpr qsizetype kMaxNameLength = 255;

thread_local QString t_lastError;

RegStatus Fail(RegStatus status, const QString& text)
{
    t_lastError = text;
    return status;
}

// Splits a key path at its backslashes; empty parts (a leading, doubled or trailing
// backslash) are dropped, as the Windows calls forgive a trailing one.
bool SplitPath(const QString& path, QStringList* parts)
{
    *parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    return std::none_of(parts->begin(), parts->end(),
                        [](const QString& part) { return part.size() > kMaxNameLength; });
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool SamePath(const QStringList& a, const QStringList& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!SameName(a[i], b[i]))
            return false;
    return true;
}

bool IsBelow(const QStringList& path, const QStringList& ancestor)
{
    return path.size() > ancestor.size() && SamePath(path.mid(0, ancestor.size()), ancestor);
}

// Keys that every root has and that cannot go: the root itself and "Software".
bool IsStandardKey(const QStringList& path)
{
    return path.isEmpty() || (path.size() == 1 && SameName(path[0], QStringLiteral("Software")));
}

struct StoredValue {
    QString name;
    RegValue value;
};

struct StoredKey {
    QStringList path;
    std::vector<StoredValue> values;

    StoredValue* Find(const QString& name)
    {
        auto it = std::find_if(values.begin(), values.end(),
                               [&](const StoredValue& v) { return SameName(v.name, name); });
        return it == values.end() ? nullptr : &*it;
    }
};

// One root's keys, as read from its file.
class Store
{
public:
    explicit Store(RegRoot root) : m_root(root) {}

    RegStatus Load();
    RegStatus Save() const;

    StoredKey* Find(const QStringList& path)
    {
        auto it = std::find_if(m_keys.begin(), m_keys.end(),
                               [&](const StoredKey& k) { return SamePath(k.path, path); });
        return it == m_keys.end() ? nullptr : &*it;
    }
    bool Exists(const QStringList& path) { return IsStandardKey(path) || Find(path) != nullptr; }
    bool HasSubkeys(const QStringList& path) const
    {
        return std::any_of(m_keys.begin(), m_keys.end(),
                           [&](const StoredKey& k) { return IsBelow(k.path, path); });
    }
    // Creates the key (never the root: path is not empty) and each missing level above
    // it; returns the key with the case of its names as they were first created.
    StoredKey& Create(const QStringList& path)
    {
        Q_ASSERT(!path.isEmpty());
        StoredKey* key = nullptr;
        QStringList named;
        for (qsizetype level = 1; level <= path.size(); ++level) {
            key = Find(path.mid(0, level));
            if (key) {
                named = key->path;
            } else {
                named.append(path[level - 1]);
                m_keys.push_back({named, {}});
                key = &m_keys.back();
            }
        }
        return *key;
    }
    void Remove(const QStringList& path)
    {
        std::erase_if(m_keys, [&](const StoredKey& k) { return SamePath(k.path, path); });
    }

private:
    RegStatus Parse(const QByteArray& bytes);
    RegRoot m_root;
    std::vector<StoredKey> m_keys;
};

QJsonValue ValueToJson(const RegValue& value)
{
    QJsonObject object{{QStringLiteral("type"), RegTypeName(value.type)}};
    switch (value.type) {
    case RegType::Sz:
    case RegType::ExpandSz: object.insert(QStringLiteral("data"), value.text); break;
    case RegType::DWord: object.insert(QStringLiteral("data"), double(value.number)); break;
    case RegType::Binary:
        object.insert(QStringLiteral("data"), QString::fromLatin1(value.bytes.toHex()));
        break;
    }
    return object;
}

// Reads one value; returns an empty text on success, else what is wrong with it.
QString ValueFromJson(const QJsonValue& json, RegValue* value)
{
    const QJsonObject object = json.toObject();
    const QString type = object.value(QStringLiteral("type")).toString();
    const QJsonValue data = object.value(QStringLiteral("data"));
    if (type == QLatin1String("REG_SZ") || type == QLatin1String("REG_EXPAND_SZ")) {
        if (!data.isString())
            return QStringLiteral("a string value without text");
        value->type = type == QLatin1String("REG_SZ") ? RegType::Sz : RegType::ExpandSz;
        value->text = data.toString();
        return {};
    }
    if (type == QLatin1String("REG_DWORD")) {
        const double number = data.toDouble(-1);
        if (!data.isDouble() || number < 0 || number > 4294967295.0 ||
            number != static_cast<double>(static_cast<std::uint32_t>(number)))
            return QStringLiteral("a REG_DWORD that is not a number from 0 to 4294967295");
        value->type = RegType::DWord;
        value->number = static_cast<std::uint32_t>(number);
        return {};
    }
    if (type == QLatin1String("REG_BINARY")) {
        const QByteArray hex = data.toString().toLatin1();
        const QByteArray bytes = QByteArray::fromHex(hex);
        if (!data.isString() || bytes.toHex() != hex.toLower())
            return QStringLiteral("a REG_BINARY whose data is not hexadecimal digits");
        value->type = RegType::Binary;
        value->bytes = bytes;
        return {};
    }
    return QStringLiteral("the unknown value type \"%1\"").arg(type);
}

RegStatus Store::Load()
{
    QFile file(Registry::StoreFile(m_root));
    if (!file.exists())
        return RegStatus::Ok;
    if (!file.open(QIODevice::ReadOnly))
        return Fail(RegStatus::BadStore,
                    QStringLiteral("%1: %2").arg(file.fileName(), file.errorString()));
    return Parse(file.readAll());
}

RegStatus Store::Parse(const QByteArray& bytes)
{
    const QString file = Registry::StoreFile(m_root);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (document.isNull())
        return Fail(RegStatus::BadStore, QStringLiteral("%1: not a registry file (%2 at byte %3)")
                                             .arg(file, error.errorString())
                                             .arg(error.offset));
    const QJsonObject top = document.object();
    if (top.value(QStringLiteral("format")).toString() != QLatin1String(kFormat) ||
        top.value(QStringLiteral("root")).toString() != RegRootName(m_root) ||
        !top.value(QStringLiteral("keys")).isObject())
        return Fail(RegStatus::BadStore,
                    QStringLiteral("%1: not a %2 registry file of this program")
                        .arg(file, RegRootName(m_root)));

    const QJsonObject keys = top.value(QStringLiteral("keys")).toObject();
    for (auto k = keys.begin(); k != keys.end(); ++k) {
        QStringList path;
        if (!SplitPath(k.key(), &path) || path.isEmpty() || !k.value().isObject() || Find(path))
            return Fail(RegStatus::BadStore,
                        QStringLiteral("%1: the key \"%2\" is empty, too long, not a key or "
                                       "listed twice")
                            .arg(file, k.key()));
        StoredKey key{path, {}};
        const QJsonObject values = k.value().toObject();
        for (auto v = values.begin(); v != values.end(); ++v) {
            RegValue value;
            const QString problem = ValueFromJson(v.value(), &value);
            if (!problem.isEmpty() || key.Find(v.key()))
                return Fail(RegStatus::BadStore,
                            QStringLiteral("%1: the value \"%2\" of key \"%3\" has %4")
                                .arg(file, v.key(), k.key(),
                                     problem.isEmpty() ? QStringLiteral("a twin") : problem));
            key.values.push_back({v.key(), value});
        }
        m_keys.push_back(std::move(key));
    }
    return RegStatus::Ok;
}

RegStatus Store::Save() const
{
    QJsonObject keys;
    for (const StoredKey& key : m_keys) {
        QJsonObject values;
        for (const StoredValue& v : key.values)
            values.insert(v.name, ValueToJson(v.value));
        keys.insert(key.path.join(QLatin1Char('\\')), values);
    }
    const QJsonObject top{{QStringLiteral("format"), QLatin1String(kFormat)},
                          {QStringLiteral("root"), RegRootName(m_root)},
                          {QStringLiteral("keys"), keys}};
    QString error;
    if (!QDir().mkpath(RegistryDirectory()))
        return Fail(RegStatus::WriteFailed,
                    QStringLiteral("cannot create the folder %1").arg(RegistryDirectory()));
    if (!WriteFileAtomically(Registry::StoreFile(m_root), QJsonDocument(top).toJson(), &error))
        return Fail(RegStatus::WriteFailed,
                    QStringLiteral("%1: %2").arg(Registry::StoreFile(m_root), error));
    return RegStatus::Ok;
}

// Holds the root's lock file locked for one change: read, change, write.
class ChangeLock
{
public:
    explicit ChangeLock(RegRoot root)
    {
        QDir().mkpath(RegistryDirectory());
        const QByteArray name = QFile::encodeName(Registry::StoreFile(root) + QStringLiteral(".lock"));
        m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~ChangeLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ChangeLock(const ChangeLock&) = delete;
    ChangeLock& operator=(const ChangeLock&) = delete;

private:
    int m_fd = -1;
};

// Runs a change of one root under its lock: load, apply, save when the change says so.
template <typename Change>
RegStatus Modify(RegRoot root, Change change)
{
    ChangeLock lock(root);
    Store store(root);
    if (const RegStatus loaded = store.Load(); loaded != RegStatus::Ok)
        return loaded;
    bool changed = false;
    const RegStatus status = change(store, changed);
    if (status != RegStatus::Ok || !changed)
        return status;
    return store.Save();
}

} // namespace

QString RegRootName(RegRoot root)
{
    return root == RegRoot::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE")
                                         : QStringLiteral("HKEY_CURRENT_USER");
}

QString RegTypeName(RegType type)
{
    switch (type) {
    case RegType::Sz: return QStringLiteral("REG_SZ");
    case RegType::ExpandSz: return QStringLiteral("REG_EXPAND_SZ");
    case RegType::DWord: return QStringLiteral("REG_DWORD");
    case RegType::Binary: return QStringLiteral("REG_BINARY");
    }
    return {};
}

qsizetype RegValue::DataSize() const
{
    switch (type) {
    case RegType::Sz:
    case RegType::ExpandSz: return text.toUtf8().size() + 1;
    case RegType::DWord: return 4;
    case RegType::Binary: return bytes.size();
    }
    return 0;
}

QString RegStatusText(RegStatus status)
{
    switch (status) {
    case RegStatus::Ok: return QStringLiteral("done");
    case RegStatus::NotFound: return QStringLiteral("not found");
    case RegStatus::HasSubkeys: return QStringLiteral("the key has subkeys");
    case RegStatus::Protected: return QStringLiteral("a standard key cannot be deleted");
    case RegStatus::BadName: return QStringLiteral("bad key name");
    case RegStatus::BadStore: return QStringLiteral("the registry file cannot be read");
    case RegStatus::WriteFailed: return QStringLiteral("the registry file cannot be written");
    }
    return {};
}

namespace Registry {

RegKey Root(RegRoot root)
{
    return {root, {}};
}

QString StoreFile(RegRoot root)
{
    return RegistryDirectory() + QLatin1Char('/') + RegRootName(root) + QStringLiteral(".json");
}

QString LastErrorText()
{
    return t_lastError;
}

RegStatus OpenKey(const RegKey& parent, const QString& path, RegKey* key)
{
    QStringList parts;
    if (!SplitPath(path, &parts))
        return RegStatus::BadName;
    Store store(parent.root);
    if (const RegStatus loaded = store.Load(); loaded != RegStatus::Ok)
        return loaded;
    const QStringList full = parent.path + parts;
    if (!store.Exists(full))
        return RegStatus::NotFound;
    const StoredKey* stored = store.Find(full);
    *key = {parent.root, stored ? stored->path : full};
    return RegStatus::Ok;
}

RegStatus CreateKey(const RegKey& parent, const QString& path, RegKey* key)
{
    QStringList parts;
    if (!SplitPath(path, &parts))
        return RegStatus::BadName;
    const QStringList full = parent.path + parts;
    return Modify(parent.root, [&](Store& store, bool& changed) {
        if (!store.Exists(parent.path))
            return RegStatus::NotFound;
        changed = !store.Find(full) && !full.isEmpty();
        *key = {parent.root, full.isEmpty() ? full : store.Create(full).path};
        return RegStatus::Ok;
    });
}

RegStatus QueryValue(const RegKey& key, const QString& name, RegValue* value)
{
    Store store(key.root);
    if (const RegStatus loaded = store.Load(); loaded != RegStatus::Ok)
        return loaded;
    StoredKey* stored = store.Find(key.path);
    const StoredValue* found = stored ? stored->Find(name) : nullptr;
    if (!found)
        return RegStatus::NotFound;
    *value = found->value;
    return RegStatus::Ok;
}

RegStatus SetValue(const RegKey& key, const QString& name, const RegValue& value)
{
    return Modify(key.root, [&](Store& store, bool& changed) {
        if (!store.Exists(key.path))
            return RegStatus::NotFound;
        if (key.path.isEmpty())
            return RegStatus::Protected;
        StoredKey& stored = store.Create(key.path);
        if (StoredValue* existing = stored.Find(name))
            existing->value = value;
        else
            stored.values.push_back({name, value});
        changed = true;
        return RegStatus::Ok;
    });
}

RegStatus DeleteValue(const RegKey& key, const QString& name)
{
    return Modify(key.root, [&](Store& store, bool& changed) {
        StoredKey* stored = store.Find(key.path);
        if (!stored || !stored->Find(name))
            return RegStatus::NotFound;
        std::erase_if(stored->values, [&](const StoredValue& v) { return SameName(v.name, name); });
        changed = true;
        return RegStatus::Ok;
    });
}

RegStatus DeleteKey(RegRoot root, const QString& path)
{
    QStringList parts;
    if (!SplitPath(path, &parts))
        return RegStatus::BadName;
    if (IsStandardKey(parts))
        return RegStatus::Protected;
    return Modify(root, [&](Store& store, bool& changed) {
        if (!store.Find(parts))
            return RegStatus::NotFound;
        if (store.HasSubkeys(parts))
            return RegStatus::HasSubkeys;
        store.Remove(parts);
        changed = true;
        return RegStatus::Ok;
    });
}

} // namespace Registry

QString ExpandEnvironmentStrings(const QString& text)
{
    QString result;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('%'), i);
        const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char('%'), open + 1);
        if (close < 0) {
            result += text.mid(i);
            break;
        }
        result += text.mid(i, open - i);
        const QString name = text.mid(open + 1, close - open - 1);
        if (!name.isEmpty() && qEnvironmentVariableIsSet(name.toLocal8Bit().constData()))
            result += qEnvironmentVariable(name.toLocal8Bit().constData());
        else
            result += text.mid(open, close - open + 1);
        i = close + 1;
    }
    return result;
}

} // namespace vtx
