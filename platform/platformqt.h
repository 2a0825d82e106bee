// The platform layer's side that meets Qt: window handles for widgets, the seams tests use,
// the start-up hook, and string and path conversions.
#pragma once

#include "winapi.h"

#include <QByteArray>
#include <QString>
#include <functional>

class QWidget;
struct stat;

// Call first in main, before the QApplication exists: shares OpenGL contexts between windows
// (Qt WebEngine needs it) and registers the scheme through which the browser runtime serves
// pages given as strings. Also runs by itself when the platform library is loaded; calling it
// again does nothing.
void PrepareApplicationStart();

// The URL scheme of pages shown from strings; events report such pages as "about:blank".
inline constexpr char RuntimeStringScheme[] = "quorvel-string";

// The environment variable that only this layer reads: a folder that stands for the program's
// folder in the layer's lookups (its "registry" subfolder holds the hive files, and bare
// library names are looked for in it first). Tests point it at fixtures.
inline constexpr char PlatformRootVariable[] = "QUORVEL_PLATFORM_ROOT";

// The executable's folder, without a trailing separator.
QString ExecutableFolder();
// QUORVEL_PLATFORM_ROOT when set, else the executable's folder.
QString PlatformRoot();

// A path as the host writes it ("\" or "/" separators) in Linux form.
QString NativePath(QStringView path);

QString FromWide(LPCWSTR s);
std::u16string ToWide(const QString& s);

// The handle naming a widget (given on first use, never reused); 0 for none.
HWND WindowHandle(QWidget* widget);
// The widget a handle names, or null for a handle that is unknown or whose widget is gone.
QWidget* WindowFromHandle(HWND handle);
// The window class FindWindowExA matches; a widget without one has its Qt class name.
void SetWindowClassName(QWidget* widget, const QByteArray& className);
QByteArray WindowClassName(QWidget* widget);

// Answers MessageBoxW instead of showing a box (tests); returns the previous hook.
using TMessageBoxHook =
    std::function<int(HWND owner, const QString& text, const QString& caption, UINT type)>;
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook);

// Replaces the look at a hive file's stamp (size, times) with the hook (tests: a file system
// whose times do not move); an empty hook restores stat(2). Returns the previous hook.
using THiveStatHook = std::function<int(const char* path, struct stat* st)>;
THiveStatHook SetHiveStatHook(THiveStatHook hook);

// Replaces the screen's pixels per inch that GetDeviceCaps reports (0 restores the real one).
void SetScreenPixelsPerInch(int ppi);
