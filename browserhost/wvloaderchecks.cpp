// The loader's runtime discovery and version checks, run before and after the loader library
// is loaded.
#include "wvloader.h"

#include "platformqt.h"
#include "wvlibfunctions.h"
#include "wvloaderinternal.h"
#include "wvmiscfunctions.h"
#include "wvregistry.h"

#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace {

const wvstring kBrowserExecutable = u"msedgewebview2.exe";
const wvstring kClientsKey =
    u"SOFTWARE\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
const wvstring kClientsKey32 = u"SOFTWARE\\WOW6432Node\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-"
                               u"FE2A-4295-8BDF-00C3A9A7E4C5}";
const wvstring kUninstallKey = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\UnInstall";
const wvstring kUninstallKey32 =
    u"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kDownloadPage[] = "https://developer.microsoft.com/microsoft-edge/webview2/";

constexpr WORD IMAGE_FILE_MACHINE_I386 = 0x014C;
constexpr WORD IMAGE_FILE_MACHINE_AMD64 = 0x8664;

QString LocalPath(const wvstring& aPath)
{
    return NativePath(QString::fromStdU16String(aPath));
}

bool FileExists(const wvstring& aPath)
{
    return QFileInfo(LocalPath(aPath)).isFile();
}

wvstring WithDelimiter(const wvstring& aFolder)
{
    if (!aFolder.empty() && aFolder.back() != u'\\' && aFolder.back() != u'/')
        return aFolder + u'\\';
    return aFolder;
}

wvstring Lower(const wvstring& s)
{
    return QString::fromStdU16String(s).toLower().toStdU16String();
}

std::string DottedVersion(const TFileVersionInfo& v)
{
    return std::to_string(v.MajorVer) + "." + std::to_string(v.MinorVer) + "." +
           std::to_string(v.Release) + "." + std::to_string(v.Build);
}

} // namespace

bool TWVLoader::CheckWV2Library()
{
    if (!FCheckFiles)
        return true;
    const TCurrentDirScope currentDir(FSetCurrentDir);
    return CheckBrowserExecPath() && (FUseInternalLoader || CheckWV2DLL());
}

bool TWVLoader::CheckBrowserExecPath()
{
    try {
        if (!FBrowserExecPath.empty()) {
            if (FileExists(WithDelimiter(FBrowserExecPath) + kBrowserExecutable))
                return true;
            FStatus = wvlsError;
            AppendErrorLog(std::string("The Browser Executable Folder doesn't exist."));
            ShowErrorMessageDlg(ErrorMessage());
            return false;
        }
        if (!GetInstalledRuntimeVersion().empty() ||
            SearchInstalledProgram(u"WebView2 Runtime", u"Microsoft Corporation") ||
            !GetInternalAvailableBrowserVersion().empty())
            return true;
        FStatus = wvlsError;
        AppendErrorLog(std::string("WebView2 Runtime is not installed correctly."));
        AppendErrorLog(std::string("Download and run the Evergreen Standalone Installer from "));
        AppendErrorLog(std::string(kDownloadPage));
        ShowErrorMessageDlg(ErrorMessage());
    } catch (const std::exception& e) {
        if (CustomExceptionHandler("TWVLoader.CheckBrowserExecPath", e))
            throw;
    }
    return false;
}

wvstring TWVLoader::GetInstalledRuntimeVersion()
{
    wvstring version;
    if (CheckInstalledRuntimeRegEntry(false, kClientsKey, version) ||
        CheckInstalledRuntimeRegEntry(false, kClientsKey32, version) ||
        CheckInstalledRuntimeRegEntry(true, kClientsKey, version) ||
        CheckInstalledRuntimeRegEntry(true, kClientsKey32, version))
        return version;
    return wvstring();
}

bool TWVLoader::CheckInstalledRuntimeRegEntry(bool aLocalMachine, const wvstring& aPath,
                                              wvstring& aVersion)
{
    aVersion.clear();
    try {
        TWVRegistryKey key;
        if (key.Open(aLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, aPath) &&
            !key.ReadString(u"pv", aVersion))
            aVersion.clear();
    } catch (const std::exception& e) {
        aVersion.clear();
        if (CustomExceptionHandler("TWVLoader.CheckInstalledRuntimeRegEntry", e))
            throw;
    }
    return !aVersion.empty();
}

bool TWVLoader::SearchInstalledProgram(const wvstring& aDisplayName, const wvstring& aPublisher)
{
    return SearchInstalledProgramInPath(kUninstallKey, aDisplayName, aPublisher, true) ||
           SearchInstalledProgramInPath(kUninstallKey, aDisplayName, aPublisher, false) ||
           SearchInstalledProgramInPath(kUninstallKey32, aDisplayName, aPublisher, true) ||
           SearchInstalledProgramInPath(kUninstallKey32, aDisplayName, aPublisher, false);
}

bool TWVLoader::SearchInstalledProgramInPath(const wvstring& aRegPath, const wvstring& aDisplayName,
                                             const wvstring& aPublisher, bool aLocalMachine)
{
    try {
        const HKEY root = aLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        std::vector<wvstring> names;
        {
            TWVRegistryKey key;
            if (!key.Open(root, aRegPath))
                return false;
            names = key.SubKeyNames();
        }
        const wvstring wantedName = Lower(aDisplayName);
        const wvstring wantedPublisher = Lower(aPublisher);
        for (const wvstring& name : names) {
            TWVRegistryKey entry;
            if (!entry.Open(root, aRegPath + u"\\" + name))
                continue;
            wvstring displayName, publisher;
            if (!entry.ReadString(u"DisplayName", displayName))
                displayName.clear();
            if (!entry.ReadString(u"Publisher", publisher))
                publisher.clear();
            if (Lower(displayName).find(wantedName) != wvstring::npos &&
                Lower(publisher).find(wantedPublisher) != wvstring::npos)
                return true;
        }
    } catch (const std::exception& e) {
        if (CustomExceptionHandler("TWVLoader.SearchInstalledProgram", e))
            throw;
    }
    return false;
}

wvstring TWVLoader::GetInternalAvailableBrowserVersion()
{
    LPWSTR text = nullptr;
    const HRESULT hr =
        Internal_GetAvailableCoreWebView2BrowserVersionString(FBrowserExecPath.c_str(), &text);
    wvstring version;
    if (SUCCEEDED(hr) && text)
        version = text;
    CoTaskMemFree(text);
    return version;
}

bool TWVLoader::CheckWV2DLL()
{
    if (FUseInternalLoader)
        return true;
    const wvstring name = FLoaderDllPath.empty() ? wvstring(u"WebView2Loader.dll") : FLoaderDllPath;
    if (CheckFileVersion(name, WEBVIEW2LOADERLIB_VERSION_MAJOR, WEBVIEW2LOADERLIB_VERSION_MINOR,
                         WEBVIEW2LOADERLIB_VERSION_RELEASE, WEBVIEW2LOADERLIB_VERSION_BUILD)) {
        WORD machine = 0;
        if (!GetDLLHeaderMachine(name, machine))
            return true;
        if (machine == IMAGE_FILE_MACHINE_AMD64)
            return true;
        FStatus = wvlsError;
        if (machine == IMAGE_FILE_MACHINE_I386 && !Is32BitProcess()) {
            AppendErrorLog(std::string("Wrong WebView2Loader.dll !"));
            AppendErrorLog(
                std::string("Use the 32 bit loader DLL with 32 bits applications only."));
        } else {
            AppendErrorLog(std::string("Unknown WebView2Loader.dll !"));
        }
        ShowErrorMessageDlg(ErrorMessage());
        return false;
    }
    FStatus = wvlsError;
    TFileVersionInfo found;
    if (GetFileVersion(name, found)) {
        AppendErrorLog(std::string("Unsupported WebView2Loader.dll version !"));
        AppendErrorLog("Expected WebView2Loader.dll version : " +
                       WVToUtf8(LowestLoaderDllVersion()));
        AppendErrorLog("Found WebView2Loader.dll version : " + DottedVersion(found));
    } else {
        AppendErrorLog(std::string("WebView2Loader.dll file not found !"));
    }
    ShowErrorMessageDlg(ErrorMessage());
    return false;
}

bool TWVLoader::CheckFileVersion(const wvstring& aFile, std::uint16_t aMajor, std::uint16_t aMinor,
                                 std::uint16_t aRelease, std::uint16_t aBuild)
{
    TFileVersionInfo v;
    if (!GetFileVersion(aFile, v))
        return false;
    if (v.MajorVer != aMajor)
        return v.MajorVer > aMajor;
    if (v.MinorVer != aMinor)
        return v.MinorVer > aMinor;
    if (v.Release != aRelease)
        return v.Release > aRelease;
    return v.Build >= aBuild;
}

bool TWVLoader::GetFileVersion(const wvstring& aFile, TFileVersionInfo& aVersionInfo)
{
    try {
        if (!FileExists(aFile))
            return false;
        const UINT64 version = GetExtendedFileVersion(aFile);
        if (version == 0)
            return false;
        aVersionInfo.MajorVer = static_cast<std::uint16_t>(version >> 48);
        aVersionInfo.MinorVer = static_cast<std::uint16_t>(version >> 32);
        aVersionInfo.Release = static_cast<std::uint16_t>(version >> 16);
        aVersionInfo.Build = static_cast<std::uint16_t>(version);
        return true;
    } catch (const std::exception& e) {
        if (CustomExceptionHandler("TWVLoader.GetFileVersion", e))
            throw;
    }
    return false;
}

UINT64 TWVLoader::GetExtendedFileVersion(const wvstring& aFileName)
{
    try {
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeW(aFileName.c_str(), &handle);
        if (size == 0) {
            OutputDebugMessage("TWVLoader.GetExtendedFileVersion error: " +
                               WVToUtf8(SysErrorMessage(GetLastError())));
            return 0;
        }
        std::string buffer(size, '\0');
        void* info = nullptr;
        UINT length = 0;
        if (GetFileVersionInfoW(aFileName.c_str(), handle, size, buffer.data()) &&
            VerQueryValueA(buffer.data(), "\\", &info, &length) && info &&
            length >= sizeof(VS_FIXEDFILEINFO)) {
            const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(info);
            return (static_cast<UINT64>(fixed->dwFileVersionMS) << 32) | fixed->dwFileVersionLS;
        }
    } catch (const std::exception& e) {
        if (CustomExceptionHandler("TWVLoader.GetExtendedFileVersion", e))
            throw;
    }
    return 0;
}

bool TWVLoader::GetDLLHeaderMachine(const wvstring& aDllFile, WORD& aMachine)
{
    aMachine = 0;
    try {
        if (!FileExists(aDllFile))
            return false;
        QFile file(LocalPath(aDllFile));
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error("the file cannot be opened");
        const QByteArray dos = file.read(64);
        if (dos.size() != 64)
            throw std::runtime_error("the file is too short for a DOS header");
        const auto* d = reinterpret_cast<const unsigned char*>(dos.constData());
        const WORD magic = static_cast<WORD>(d[0] | d[1] << 8);
        const DWORD offset = d[60] | d[61] << 8 | d[62] << 16 | static_cast<DWORD>(d[63]) << 24;
        if (magic != 0x5A4D || offset == 0)
            return false;
        if (!file.seek(offset))
            throw std::runtime_error("the PE header offset lies outside the file");
        const QByteArray pe = file.read(264);
        if (pe.size() != 264)
            throw std::runtime_error("the file is too short for a PE header");
        const auto* p = reinterpret_cast<const unsigned char*>(pe.constData());
        const DWORD signature = p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24;
        if (signature != 0x00004550)
            return false;
        aMachine = static_cast<WORD>(p[4] | p[5] << 8);
        return true;
    } catch (const std::exception& e) {
        if (CustomExceptionHandler("TWVLoader.GetDLLHeaderMachine", e))
            throw;
    }
    return false;
}

bool TWVLoader::CheckWebViewRuntimeVersion()
{
    bool newEnough;
    if (!FBrowserExecPath.empty()) {
        newEnough = CheckFileVersion(WithDelimiter(FBrowserExecPath) + kBrowserExecutable,
                                     CHROMIUM_VERSION_MAJOR, CHROMIUM_VERSION_MINOR,
                                     CHROMIUM_VERSION_RELEASE, CHROMIUM_VERSION_BUILD);
    } else {
        int comparison = 0;
        newEnough =
            CompareVersions(GetInstalledRuntimeVersion(), LowestChromiumVersion(), comparison) &&
            comparison >= 0;
    }
    if (newEnough)
        return true;
    AppendErrorLog(std::string("The WebView Runtime version is older than expected! Some "
                               "Lumivane features won't work."));
    if (FAllowOldRuntime)
        return true;
    FStatus = wvlsError;
    return false;
}

bool TWVLoader::CompareVersions(const wvstring& aVersion1, const wvstring& aVersion2,
                                int& aCompRslt)
{
    aCompRslt = 0;
    if ((FStatus != wvlsImported && FStatus != wvlsInitialized) ||
        !uWVLibFunctions::CompareBrowserVersions)
        return false;
    return SUCCEEDED(
        uWVLibFunctions::CompareBrowserVersions(aVersion1.c_str(), aVersion2.c_str(), &aCompRslt));
}
