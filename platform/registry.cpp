// A read-only registry over text hive files in the REGEDIT4 format: every "*.reg" file in the
// "registry" folder of the platform root, read in name order, each section naming its root.
#include "platformqt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QMutex>
#include <QtDebug>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

struct TRegValue
{
    QString Name;
    DWORD Type = REG_NONE;
    QByteArray Data;
};

struct TRegKey
{
    QString Name;
    std::map<QString, std::unique_ptr<TRegKey>> Children; // by lower-case name
    QMap<QString, TRegValue> Values;                      // by lower-case name
};

struct THive
{
    TRegKey Roots[4]; // classes root, current user, local machine, users
};

// What the file system says of one hive file: a write changes its change time at least.
struct THiveFileStamp
{
    QByteArray Path;
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = -1;
    timespec Modified{};
    timespec Changed{};
    bool operator==(const THiveFileStamp& o) const
    {
        return Path == o.Path && Device == o.Device && Inode == o.Inode && Size == o.Size &&
               Modified.tv_sec == o.Modified.tv_sec && Modified.tv_nsec == o.Modified.tv_nsec &&
               Changed.tv_sec == o.Changed.tv_sec && Changed.tv_nsec == o.Changed.tv_nsec;
    }
};

QMutex GRegistryLock;
std::shared_ptr<THive> GHive;
// The files as they were when the hive was last read: their stamps, their bytes and the clock
// just before they were looked at.
std::vector<THiveFileStamp> GHiveStamps;
QList<QByteArray> GHiveContents;
timespec GHiveLookedAt{};

struct TOpenKey
{
    std::shared_ptr<THive> Hive;
    TRegKey* Key = nullptr;
};
QHash<quintptr, TOpenKey> GOpenKeys;
THiveStatHook GHiveStatHook;
quintptr GNextKeyId = 0x1000;

int RootIndexOfHandle(HKEY h)
{
    if (h == HKEY_CLASSES_ROOT)
        return 0;
    if (h == HKEY_CURRENT_USER)
        return 1;
    if (h == HKEY_LOCAL_MACHINE)
        return 2;
    if (h == HKEY_USERS)
        return 3;
    return -1;
}

int RootIndexOfName(const QString& name)
{
    const QString n = name.toUpper();
    if (n == u"HKEY_CLASSES_ROOT" || n == u"HKCR")
        return 0;
    if (n == u"HKEY_CURRENT_USER" || n == u"HKCU")
        return 1;
    if (n == u"HKEY_LOCAL_MACHINE" || n == u"HKLM")
        return 2;
    if (n == u"HKEY_USERS" || n == u"HKU")
        return 3;
    return -1;
}

QStringList SplitPath(const QString& path)
{
    QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (QString& p : parts)
        p = p.trimmed();
    parts.removeAll(QString());
    return parts;
}

TRegKey* Descend(TRegKey* key, const QStringList& parts, bool create)
{
    for (const QString& part : parts) {
        auto it = key->Children.find(part.toLower());
        if (it == key->Children.end()) {
            if (!create)
                return nullptr;
            auto child = std::make_unique<TRegKey>();
            child->Name = part;
            it = key->Children.emplace(part.toLower(), std::move(child)).first;
        }
        key = it->second.get();
    }
    return key;
}

QByteArray Utf16Bytes(const QString& s)
{
    QByteArray b(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
    b.append('\0').append('\0');
    return b;
}

// Reads a quoted string starting at s[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(const QString& s, qsizetype& pos, QString& out)
{
    out.clear();
    ++pos;
    while (pos < s.size()) {
        const QChar c = s[pos++];
        if (c == u'"')
            return true;
        if (c == u'\\' && pos < s.size())
            out += s[pos++];
        else
            out += c;
    }
    return false;
}

bool ParseHexBytes(const QString& text, QByteArray& out)
{
    out.clear();
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint v = item.trimmed().toUInt(&ok, 16);
        if (!ok || v > 0xFF)
            return false;
        out.append(static_cast<char>(v));
    }
    return true;
}

bool ParseData(const QString& text, TRegValue& value)
{
    if (text.startsWith(u'"')) {
        qsizetype pos = 0;
        QString s;
        if (!ReadQuoted(text, pos, s) || !text.mid(pos).trimmed().isEmpty())
            return false;
        value.Type = REG_SZ;
        value.Data = Utf16Bytes(s);
        return true;
    }
    if (text.startsWith(u"dword:", Qt::CaseInsensitive)) {
        bool ok = false;
        const uint v = text.mid(6).trimmed().toUInt(&ok, 16);
        if (!ok)
            return false;
        value.Type = REG_DWORD;
        value.Data = QByteArray(reinterpret_cast<const char*>(&v), 4);
        return true;
    }
    if (text.startsWith(u"hex", Qt::CaseInsensitive)) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        if (colon < 0)
            return false;
        const QString kind = text.left(colon).toLower();
        DWORD type = REG_BINARY;
        if (kind != u"hex") {
            if (!kind.startsWith(u"hex(") || !kind.endsWith(u')'))
                return false;
            bool ok = false;
            type = kind.mid(4, kind.size() - 5).toUInt(&ok, 16);
            if (!ok)
                return false;
        }
        value.Type = type;
        return ParseHexBytes(text.mid(colon + 1), value.Data);
    }
    return false;
}

void ParseFile(const QString& fileName, const QByteArray& content, THive& hive)
{
    QString text = QString::fromUtf8(content);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    // Lines ending in a backslash continue on the next line (long hex values).
    QStringList lines;
    QString pending;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!pending.isEmpty())
            line = pending + line.trimmed();
        pending.clear();
        if (line.endsWith(u'\\') && !line.trimmed().startsWith(u'[') &&
            line.contains(QLatin1Char('='))) {
            pending = line.left(line.size() - 1);
            continue;
        }
        lines << line;
    }
    TRegKey* current = nullptr;
    int lineNo = 0;
    for (const QString& raw : std::as_const(lines)) {
        ++lineNo;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line == u"REGEDIT4" ||
            line.startsWith(u"Windows Registry Editor"))
            continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']')) {
                qWarning("registry: %s:%d: unclosed key name", qPrintable(fileName), lineNo);
                current = nullptr;
                continue;
            }
            QString path = line.mid(1, line.size() - 2);
            const bool remove = path.startsWith(u'-');
            if (remove)
                path.remove(0, 1);
            QStringList parts = SplitPath(path);
            const int root = parts.isEmpty() ? -1 : RootIndexOfName(parts.takeFirst());
            if (root < 0) {
                qWarning("registry: %s:%d: unknown root", qPrintable(fileName), lineNo);
                current = nullptr;
                continue;
            }
            if (remove) {
                if (!parts.isEmpty()) {
                    const QString last = parts.takeLast().toLower();
                    if (TRegKey* parent = Descend(&hive.Roots[root], parts, false))
                        parent->Children.erase(last);
                }
                current = nullptr;
                continue;
            }
            current = Descend(&hive.Roots[root], parts, true);
            continue;
        }
        if (!current)
            continue;
        QString name;
        qsizetype pos = 0;
        if (line.startsWith(u'@')) {
            pos = 1;
        } else if (line.startsWith(u'"')) {
            if (!ReadQuoted(line, pos, name)) {
                qWarning("registry: %s:%d: unclosed value name", qPrintable(fileName), lineNo);
                continue;
            }
        } else {
            qWarning("registry: %s:%d: not a value", qPrintable(fileName), lineNo);
            continue;
        }
        const QString rest = line.mid(pos).trimmed();
        if (!rest.startsWith(u'=')) {
            qWarning("registry: %s:%d: no '=' after the value name", qPrintable(fileName), lineNo);
            continue;
        }
        const QString data = rest.mid(1).trimmed();
        if (data == u"-") {
            current->Values.remove(name.toLower());
            continue;
        }
        TRegValue value;
        value.Name = name;
        if (!ParseData(data, value)) {
            qWarning("registry: %s:%d: unreadable data", qPrintable(fileName), lineNo);
            continue;
        }
        current->Values.insert(name.toLower(), value);
    }
}

// A file's times lag the clock by at most its file system's resolution (two seconds on the
// coarsest): a write after a look at the files gets a change time later than that look less
// this much, so a change time at least this much before the look cannot be shared by it.
constexpr qint64 kTimeResolutionNs = 2'000'000'000;

qint64 Nanoseconds(const timespec& t)
{
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

std::vector<THiveFileStamp> StampFiles(const QFileInfoList& files)
{
    std::vector<THiveFileStamp> stamps;
    stamps.reserve(std::size_t(files.size()));
    for (const QFileInfo& fi : files) {
        THiveFileStamp stamp;
        stamp.Path = QFile::encodeName(fi.absoluteFilePath());
        struct stat st = {};
        const int looked = GHiveStatHook ? GHiveStatHook(stamp.Path.constData(), &st)
                                         : ::stat(stamp.Path.constData(), &st);
        if (looked == 0) {
            stamp.Device = st.st_dev;
            stamp.Inode = st.st_ino;
            stamp.Size = st.st_size;
            stamp.Modified = st.st_mtim;
            stamp.Changed = st.st_ctim;
        }
        stamps.push_back(stamp);
    }
    return stamps;
}

// Whether no write after the look at the files can leave a file's stamp as it was.
bool StampsSettled(const std::vector<THiveFileStamp>& stamps, const timespec& lookedAt)
{
    for (const THiveFileStamp& stamp : stamps)
        if (stamp.Size < 0 ||
            Nanoseconds(stamp.Changed) > Nanoseconds(lookedAt) - kTimeResolutionNs)
            return false;
    return true;
}

// The hive as the files now are. A file's stamp shows every write except one that follows
// within the file system's time resolution: while any file was changed that recently before
// the last look, the files are read again and parsed again when their bytes differ.
std::shared_ptr<THive> CurrentHive()
{
    timespec lookedAt{};
    clock_gettime(CLOCK_REALTIME_COARSE, &lookedAt);
    const QDir dir(PlatformRoot() + QStringLiteral("/registry"));
    const QFileInfoList files =
        dir.entryInfoList({QStringLiteral("*.reg")}, QDir::Files | QDir::Readable, QDir::Name);
    std::vector<THiveFileStamp> stamps = StampFiles(files);
    if (GHive && stamps == GHiveStamps && StampsSettled(GHiveStamps, GHiveLookedAt))
        return GHive;
    QList<QByteArray> contents;
    QList<bool> readable;
    for (const QFileInfo& fi : files) {
        QFile f(fi.absoluteFilePath());
        readable << f.open(QIODevice::ReadOnly);
        contents << (readable.last() ? f.readAll() : QByteArray());
    }
    const bool sameFiles = GHive && stamps.size() == GHiveStamps.size() &&
                           std::equal(stamps.begin(), stamps.end(), GHiveStamps.begin(),
                                      [](const THiveFileStamp& a, const THiveFileStamp& b) {
                                          return a.Path == b.Path;
                                      });
    if (!(sameFiles && contents == GHiveContents)) {
        auto hive = std::make_shared<THive>();
        for (qsizetype i = 0; i < files.size(); ++i) {
            if (!readable[i])
                qWarning("registry: cannot read %s", qPrintable(files[i].absoluteFilePath()));
            else
                ParseFile(files[i].absoluteFilePath(), contents[i], *hive);
        }
        GHive = hive;
    }
    GHiveStamps = std::move(stamps);
    GHiveContents = std::move(contents);
    GHiveLookedAt = lookedAt;
    return GHive;
}

// Resolves a handle; predefined roots use the current hive.
bool Resolve(HKEY h, TOpenKey& out)
{
    const int root = RootIndexOfHandle(h);
    if (root >= 0) {
        out.Hive = CurrentHive();
        out.Key = &out.Hive->Roots[root];
        return true;
    }
    const auto it = GOpenKeys.constFind(reinterpret_cast<quintptr>(h));
    if (it == GOpenKeys.constEnd())
        return false;
    out = *it;
    return true;
}

} // namespace

THiveStatHook SetHiveStatHook(THiveStatHook hook)
{
    QMutexLocker lock(&GRegistryLock);
    std::swap(GHiveStatHook, hook);
    return hook;
}

extern "C" {

LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult)
{
    if (!phkResult)
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    *phkResult = nullptr;
    if (samDesired & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY))
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    QMutexLocker lock(&GRegistryLock);
    TOpenKey base;
    if (!Resolve(hKey, base))
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    QStringList parts = SplitPath(FromWide(lpSubKey));
    if ((samDesired & KEY_WOW64_32KEY) && hKey == HKEY_LOCAL_MACHINE && parts.size() > 0 &&
        parts[0].compare(u"SOFTWARE", Qt::CaseInsensitive) == 0 &&
        (parts.size() < 2 || parts[1].compare(u"WOW6432Node", Qt::CaseInsensitive) != 0))
        parts.insert(1, QStringLiteral("WOW6432Node"));
    TRegKey* key = Descend(base.Key, parts, false);
    if (!key)
        return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    const quintptr id = GNextKeyId;
    GNextKeyId += 4;
    GOpenKeys.insert(id, TOpenKey{base.Hive, key});
    *phkResult = reinterpret_cast<HKEY>(id);
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG WINAPI RegCloseKey(HKEY hKey)
{
    if (RootIndexOfHandle(hKey) >= 0)
        return static_cast<LONG>(ERROR_SUCCESS);
    QMutexLocker lock(&GRegistryLock);
    return GOpenKeys.remove(reinterpret_cast<quintptr>(hKey))
               ? static_cast<LONG>(ERROR_SUCCESS)
               : static_cast<LONG>(ERROR_INVALID_HANDLE);
}

LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD*, DWORD* lpType, BYTE* lpData,
                             DWORD* lpcbData)
{
    QMutexLocker lock(&GRegistryLock);
    TOpenKey k;
    if (!Resolve(hKey, k))
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    const auto it = k.Key->Values.constFind(FromWide(lpValueName).toLower());
    if (it == k.Key->Values.constEnd())
        return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    if (lpType)
        *lpType = it->Type;
    const DWORD size = static_cast<DWORD>(it->Data.size());
    if (lpData) {
        if (!lpcbData)
            return static_cast<LONG>(ERROR_INVALID_PARAMETER);
        if (*lpcbData < size) {
            *lpcbData = size;
            return static_cast<LONG>(ERROR_MORE_DATA);
        }
        std::memcpy(lpData, it->Data.constData(), size);
    }
    if (lpcbData)
        *lpcbData = size;
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, DWORD* lpcchName, DWORD*,
                          LPWSTR lpClass, DWORD* lpcchClass, FILETIME* lpftLastWriteTime)
{
    QMutexLocker lock(&GRegistryLock);
    TOpenKey k;
    if (!Resolve(hKey, k))
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (!lpName || !lpcchName)
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    if (dwIndex >= static_cast<DWORD>(k.Key->Children.size()))
        return static_cast<LONG>(ERROR_NO_MORE_ITEMS);
    const std::u16string name = ToWide(std::next(k.Key->Children.cbegin(), dwIndex)->second->Name);
    if (*lpcchName <= name.size()) {
        *lpcchName = static_cast<DWORD>(name.size());
        return static_cast<LONG>(ERROR_MORE_DATA);
    }
    name.copy(lpName, name.size());
    lpName[name.size()] = 0;
    *lpcchName = static_cast<DWORD>(name.size());
    if (lpClass && lpcchClass && *lpcchClass > 0)
        lpClass[0] = 0;
    if (lpcchClass)
        *lpcchClass = 0;
    if (lpftLastWriteTime)
        *lpftLastWriteTime = FILETIME{0, 0};
    return static_cast<LONG>(ERROR_SUCCESS);
}

LONG WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, DWORD* lpcchClass, DWORD*,
                             DWORD* lpcSubKeys, DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen,
                             DWORD* lpcValues, DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen,
                             DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime)
{
    QMutexLocker lock(&GRegistryLock);
    TOpenKey k;
    if (!Resolve(hKey, k))
        return static_cast<LONG>(ERROR_INVALID_HANDLE);
    DWORD maxKey = 0, maxName = 0, maxData = 0;
    for (const auto& child : k.Key->Children)
        maxKey = std::max<DWORD>(maxKey, static_cast<DWORD>(child.second->Name.size()));
    for (const TRegValue& v : k.Key->Values) {
        maxName = std::max<DWORD>(maxName, static_cast<DWORD>(v.Name.size()));
        maxData = std::max<DWORD>(maxData, static_cast<DWORD>(v.Data.size()));
    }
    if (lpClass && lpcchClass && *lpcchClass > 0)
        lpClass[0] = 0;
    if (lpcchClass)
        *lpcchClass = 0;
    if (lpcSubKeys)
        *lpcSubKeys = static_cast<DWORD>(k.Key->Children.size());
    if (lpcbMaxSubKeyLen)
        *lpcbMaxSubKeyLen = maxKey;
    if (lpcbMaxClassLen)
        *lpcbMaxClassLen = 0;
    if (lpcValues)
        *lpcValues = static_cast<DWORD>(k.Key->Values.size());
    if (lpcbMaxValueNameLen)
        *lpcbMaxValueNameLen = maxName;
    if (lpcbMaxValueLen)
        *lpcbMaxValueLen = maxData;
    if (lpcbSecurityDescriptor)
        *lpcbSecurityDescriptor = 0;
    if (lpftLastWriteTime)
        *lpftLastWriteTime = FILETIME{0, 0};
    return static_cast<LONG>(ERROR_SUCCESS);
}
}
