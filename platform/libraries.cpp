// Libraries, the process's folders and environment, the system version and the FPU mask.
#include "platformqt.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <cerrno>
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#define QUORVEL_X86_FPU 1
#else
#include <cfenv>
#endif

namespace {

struct TModule
{
    void* Handle = nullptr;
    QString Path;
    int Refs = 0;
};

QMutex GModulesLock;
QHash<quintptr, TModule> GModules;      // module id -> module
QHash<void*, quintptr> GModuleByHandle; // dlopen handle -> module id
quintptr GNextModuleId = 0x10000;

// Names of system libraries of the platform; they name this layer's own library, so
// GetProcAddress finds what the layer implements and nothing else.
bool IsSystemLibraryName(const QString& name)
{
    static const QStringList names = {"kernel32.dll", "kernelbase.dll", "user32.dll",
                                      "shell32.dll",  "ole32.dll",      "version.dll",
                                      "comctl32.dll", "advapi32.dll",   "gdi32.dll"};
    return names.contains(name.toLower());
}

QString OwnLibraryPath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LoadLibraryW), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
    return QString();
}

DWORD ErrorFromDlerror(const char* message)
{
    const QByteArray m = message ? QByteArray(message) : QByteArray();
    if (m.contains("undefined symbol"))
        return ERROR_PROC_NOT_FOUND;
    if (m.contains("invalid ELF header") || m.contains("wrong ELF class") ||
        m.contains("file too short") || m.contains("not an ELF") || m.contains("ELF load command"))
        return ERROR_BAD_EXE_FORMAT;
    if (m.contains("Permission denied"))
        return ERROR_ACCESS_DENIED;
    return ERROR_MOD_NOT_FOUND;
}

HMODULE Register(void* handle, const QString& path)
{
    QMutexLocker lock(&GModulesLock);
    if (const auto it = GModuleByHandle.constFind(handle); it != GModuleByHandle.constEnd()) {
        ++GModules[*it].Refs;
        dlclose(handle); // the table holds one reference per module
        return reinterpret_cast<HMODULE>(*it);
    }
    const quintptr id = GNextModuleId;
    GNextModuleId += 0x10000;
    GModules.insert(id, TModule{handle, path, 1});
    GModuleByHandle.insert(handle, id);
    return reinterpret_cast<HMODULE>(id);
}

QString ModulePathOf(void* handle, const QString& fallback)
{
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && *map->l_name)
        return QFileInfo(QString::fromLocal8Bit(map->l_name)).absoluteFilePath();
    return fallback;
}

HMODULE OpenLibrary(const QString& path, bool systemSearch)
{
    dlerror();
    void* h = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        SetLastError(ErrorFromDlerror(dlerror()));
        return nullptr;
    }
    const QString full = systemSearch ? ModulePathOf(h, path) : QFileInfo(path).absoluteFilePath();
    SetLastError(ERROR_SUCCESS);
    return Register(h, full);
}

DWORD CopyOut(const std::u16string& s, LPWSTR buffer, DWORD size)
{
    if (!buffer || s.size() + 1 > size)
        return static_cast<DWORD>(s.size() + 1);
    s.copy(buffer, s.size());
    buffer[s.size()] = 0;
    return static_cast<DWORD>(s.size());
}

} // namespace

QString ExecutableFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath())
        .absolutePath();
}

QString PlatformRoot()
{
    const QString root = qEnvironmentVariable(PlatformRootVariable);
    return root.isEmpty() ? ExecutableFolder() : QDir(root).absolutePath();
}

QString NativePath(QStringView path)
{
    QString s = path.toString();
    s.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return s;
}

QString FromWide(LPCWSTR s)
{
    return s ? QString::fromUtf16(s) : QString();
}

std::u16string ToWide(const QString& s)
{
    return s.toStdU16String();
}

extern "C" {

HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName)
{
    const QString name = NativePath(FromWide(lpLibFileName));
    if (name.isEmpty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (name.contains(QLatin1Char('/'))) {
        if (!QFileInfo::exists(name)) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        return OpenLibrary(QFileInfo(name).absoluteFilePath(), false);
    }
    QStringList folders{PlatformRoot()};
    if (ExecutableFolder() != folders.first())
        folders << ExecutableFolder();
    folders << QDir::currentPath();
    for (const QString& folder : folders) {
        const QString candidate = folder + QLatin1Char('/') + name;
        if (QFileInfo(candidate).isFile())
            return OpenLibrary(candidate, false);
    }
    if (IsSystemLibraryName(name)) {
        const QString own = OwnLibraryPath();
        if (!own.isEmpty())
            return OpenLibrary(own, false);
    }
    return OpenLibrary(name, true);
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule)
{
    QMutexLocker lock(&GModulesLock);
    const quintptr id = reinterpret_cast<quintptr>(hLibModule);
    auto it = GModules.find(id);
    if (it == GModules.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--it->Refs == 0) {
        void* h = it->Handle;
        GModuleByHandle.remove(h);
        GModules.erase(it);
        dlclose(h);
    }
    return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    void* handle = nullptr;
    {
        QMutexLocker lock(&GModulesLock);
        const auto it = GModules.constFind(reinterpret_cast<quintptr>(hModule));
        if (it == GModules.constEnd()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        handle = it->Handle;
    }
    if (reinterpret_cast<quintptr>(lpProcName) < 0x10000) { // an ordinal: ELF has none
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    dlerror();
    void* p = dlsym(handle, lpProcName);
    if (!p) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(p);
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    QString path;
    if (!hModule) {
        path = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    } else {
        QMutexLocker lock(&GModulesLock);
        const auto it = GModules.constFind(reinterpret_cast<quintptr>(hModule));
        if (it == GModules.constEnd()) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        path = it->Path;
    }
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::u16string s = ToWide(path);
    if (s.size() + 1 > nSize) {
        s.copy(lpFilename, nSize - 1);
        lpFilename[nSize - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    s.copy(lpFilename, s.size());
    lpFilename[s.size()] = 0;
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(s.size());
}

DWORD WINAPI GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer)
{
    return CopyOut(ToWide(QDir::currentPath()), lpBuffer, nBufferLength);
}

BOOL WINAPI SetCurrentDirectoryW(LPCWSTR lpPathName)
{
    const QString path = NativePath(FromWide(lpPathName));
    if (path.isEmpty() || ::chdir(QFile::encodeName(path).constData()) != 0) {
        SetLastError(errno == EACCES    ? ERROR_ACCESS_DENIED
                     : errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                        : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize)
{
    const QByteArray name = FromWide(lpName).toLocal8Bit();
    if (name.isEmpty() || !qEnvironmentVariableIsSet(name.constData())) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    return CopyOut(ToWide(qEnvironmentVariable(name.constData())), lpBuffer, nSize);
}

BOOL WINAPI SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue)
{
    const QByteArray name = FromWide(lpName).toLocal8Bit();
    if (name.isEmpty() || name.contains('=')) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const bool ok = lpValue ? qputenv(name.constData(), FromWide(lpValue).toLocal8Bit())
                            : qunsetenv(name.constData());
    return ok ? TRUE : FALSE;
}

BOOL WINAPI GetVersionExW(OSVERSIONINFOW* info)
{
    if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOW)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    info->dwMajorVersion = 10;
    info->dwMinorVersion = 0;
    info->dwBuildNumber = 19045;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    info->szCSDVersion[0] = 0;
    return TRUE;
}
}

#ifdef QUORVEL_X86_FPU
unsigned GetExceptionMask()
{
    return (_mm_getcsr() >> 7) & exAllArithmeticExceptions;
}

unsigned SetExceptionMask(unsigned mask)
{
    const unsigned previous = GetExceptionMask();
    mask &= exAllArithmeticExceptions;
    _mm_setcsr((_mm_getcsr() & ~(exAllArithmeticExceptions << 7)) | (mask << 7));
    unsigned short cw = 0;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    cw = static_cast<unsigned short>((cw & ~exAllArithmeticExceptions) | mask);
    __asm__ volatile("fldcw %0" : : "m"(cw));
    return previous;
}
#else
unsigned GetExceptionMask()
{
    const int enabled = fegetexcept();
    unsigned mask = exAllArithmeticExceptions;
    if (enabled & FE_INVALID)
        mask &= ~exInvalidOp;
    if (enabled & FE_DIVBYZERO)
        mask &= ~exZeroDivide;
    if (enabled & FE_OVERFLOW)
        mask &= ~exOverflow;
    if (enabled & FE_UNDERFLOW)
        mask &= ~exUnderflow;
    if (enabled & FE_INEXACT)
        mask &= ~exPrecision;
    return mask;
}

unsigned SetExceptionMask(unsigned mask)
{
    const unsigned previous = GetExceptionMask();
    fedisableexcept(FE_ALL_EXCEPT);
    int enable = 0;
    if (!(mask & exInvalidOp))
        enable |= FE_INVALID;
    if (!(mask & exZeroDivide))
        enable |= FE_DIVBYZERO;
    if (!(mask & exOverflow))
        enable |= FE_OVERFLOW;
    if (!(mask & exUnderflow))
        enable |= FE_UNDERFLOW;
    if (!(mask & exPrecision))
        enable |= FE_INEXACT;
    feenableexcept(enable);
    return previous;
}
#endif
