// The Windows functions that the browser host calls, declared and implemented by this layer
// over Linux and Qt. Strings are UTF-16 and NUL-terminated; paths may use "\" or "/".
#pragma once

#include "com.h"

#include <string>

extern "C" {

// ---- Errors ---------------------------------------------------------------------------------

DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD dwErrCode);

constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
// The system's message text for an error number (or an HRESULT of facility Win32), ending in
// CR LF as the platform writes it. Returns the characters written without the NUL, 0 on failure.
DWORD WINAPI FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPWSTR lpBuffer, DWORD nSize, void* Arguments);

// ---- Libraries and the process --------------------------------------------------------------

// A bare name is looked for in the program's folder, then the current folder, then by the
// system's own search; a name with a folder is loaded from there. Errors: 126 (not found or a
// dependency missing), 127 (a symbol the library needs is missing), 193 (not a library).
HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName);
BOOL WINAPI FreeLibrary(HMODULE hLibModule);
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
} // extern "C"

// A procedure address as the function type it has.
template <typename F> F ProcAs(FARPROC p)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

extern "C" {
// hModule 0 names the executable. Truncates to nSize characters including the NUL and then
// sets ERROR_INSUFFICIENT_BUFFER, as the platform does.
DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);

DWORD WINAPI GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer);
BOOL WINAPI SetCurrentDirectoryW(LPCWSTR lpPathName);

// Returns the length without the NUL; when the buffer is too small, the size needed with the
// NUL. 0 and ERROR_ENVVAR_NOT_FOUND for a variable that is not set.
DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize);
// A null value removes the variable.
BOOL WINAPI SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue);

struct OSVERSIONINFOW
{
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
};
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
// Reports Windows 10 (10.0.19045). Functions that only later systems offer, looked up by name,
// are not found here.
BOOL WINAPI GetVersionExW(OSVERSIONINFOW* lpVersionInformation);

// ---- Registry (read only, over text hive files) ---------------------------------------------
} // extern "C"

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(
    static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(std::uint32_t{0x80000000}))));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(
    static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(std::uint32_t{0x80000001}))));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(
    static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(std::uint32_t{0x80000002}))));
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(
    static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(std::uint32_t{0x80000003}))));

extern "C" {

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
constexpr REGSAM KEY_READ = 0x00020019;
constexpr REGSAM KEY_WRITE = 0x00020006;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

struct FILETIME
{
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

// Results are Win32 error numbers: ERROR_FILE_NOT_FOUND for a missing key or value,
// ERROR_ACCESS_DENIED for any write access, ERROR_MORE_DATA for a small buffer.
// Key and value names compare without regard to letter case; an empty or null value name
// names the key's default value.
LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                          PHKEY phkResult);
LONG WINAPI RegCloseKey(HKEY hKey);
LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD* lpReserved, DWORD* lpType,
                             BYTE* lpData, DWORD* lpcbData);
// Subkeys enumerate in the order of their names, ignoring letter case.
LONG WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, DWORD* lpcchName,
                          DWORD* lpReserved, LPWSTR lpClass, DWORD* lpcchClass,
                          FILETIME* lpftLastWriteTime);
LONG WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, DWORD* lpcchClass, DWORD* lpReserved,
                             DWORD* lpcSubKeys, DWORD* lpcbMaxSubKeyLen, DWORD* lpcbMaxClassLen,
                             DWORD* lpcValues, DWORD* lpcbMaxValueNameLen, DWORD* lpcbMaxValueLen,
                             DWORD* lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime);

// ---- File versions --------------------------------------------------------------------------

struct VS_FIXEDFILEINFO
{
    DWORD dwSignature; // 0xFEEF04BD
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};

// A file has a version when it embeds a version block (our own libraries and programs do);
// others answer 0 with ERROR_RESOURCE_TYPE_NOT_FOUND, a missing file ERROR_FILE_NOT_FOUND.
DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, DWORD* lpdwHandle);
BOOL WINAPI GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData);
// "\" gives the VS_FIXEDFILEINFO; "\StringFileInfo\<lang><codepage>\<name>" a string (its
// length in characters with the NUL); "\VarFileInfo\Translation" the language words.
BOOL WINAPI VerQueryValueW(LPCVOID pBlock, LPCWSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen);
BOOL WINAPI VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen);

// ---- Windows --------------------------------------------------------------------------------

constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;
} // extern "C"

inline HWND const HWND_TOP = nullptr;
inline HWND const HWND_BOTTOM = reinterpret_cast<HWND>(1);

extern "C" {

constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_USER = 0x0400;

constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

BOOL WINAPI IsWindow(HWND hWnd);
HWND WINAPI GetParent(HWND hWnd);
// GW_CHILD is the top child in z-order; GW_HWNDNEXT goes down the z-order.
HWND WINAPI GetWindow(HWND hWnd, UINT uCmd);
// Positions in the parent's client coordinates (logical pixels).
BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                         UINT uFlags);
BOOL WINAPI GetClientRect(HWND hWnd, RECT* lpRect);
// Searches the direct children of hWndParent (the top-level windows for 0), below
// hWndChildAfter in z-order. A null class or title matches any; "" matches only an empty title.
HWND WINAPI FindWindowExA(HWND hWndParent, HWND hWndChildAfter, LPCSTR lpszClass,
                          LPCSTR lpszWindow);
int WINAPI GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount);
// Gives the window keyboard focus (activating its top-level window); returns the window that
// had it.
HWND WINAPI SetFocus(HWND hWnd);
HWND WINAPI GetFocus();
// Sends WM_DESTROY to the window and then to its descendants, and frees the widget.
BOOL WINAPI DestroyWindow(HWND hWnd);

using SUBCLASSPROC = LRESULT(CALLBACK*)(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR uIdSubclass, DWORD_PTR dwRefData);
// The newest subclass sees a message first; DefSubclassProc hands it to the next one and at
// the end to the widget's own handling. A message that does not reach the end is handled:
// the widget does not see the Qt event behind it.
BOOL WINAPI SetWindowSubclass(HWND hWnd, SUBCLASSPROC pfnSubclass, UINT_PTR uIdSubclass,
                              DWORD_PTR dwRefData);
BOOL WINAPI RemoveWindowSubclass(HWND hWnd, SUBCLASSPROC pfnSubclass, UINT_PTR uIdSubclass);
LRESULT WINAPI DefSubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Runs the window's subclass chain for a message; 0 when nothing handles it.
LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr UINT MB_TASKMODAL = 0x2000;
constexpr UINT MB_SETFOREGROUND = 0x10000;
constexpr UINT MB_TOPMOST = 0x40000;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// A modal box (plain text). Tests answer it through SetMessageBoxHook.
int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);

constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

// GetDC(0) is the primary screen.
HDC WINAPI GetDC(HWND hWnd);
int WINAPI ReleaseDC(HWND hWnd, HDC hDC);
int WINAPI GetDeviceCaps(HDC hdc, int index);

} // extern "C"

// The system's message text for an error number, without the final CR LF; for an unknown
// number "Unknown error (0x...)".
std::u16string SysErrorMessage(DWORD error);

// The floating-point exceptions of the calling thread; a set bit masks the exception.
enum TArithmeticException : unsigned
{
    exInvalidOp = 0x01,
    exDenormalized = 0x02,
    exZeroDivide = 0x04,
    exOverflow = 0x08,
    exUnderflow = 0x10,
    exPrecision = 0x20,
    exAllArithmeticExceptions = 0x3F,
};
unsigned GetExceptionMask();
// Returns the previous mask.
unsigned SetExceptionMask(unsigned mask);
