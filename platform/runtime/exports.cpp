// The runtime client library's exports.
#include "runtime.h"

#include "platformqt.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

using namespace wvruntime;

namespace {

// The first environment starts the engine with its arguments; the engine cannot change them.
struct TEngineState
{
    bool Started = false;
    QString Arguments;
};
TEngineState GEngine;

// Creations accepted but not yet completed count as live objects.
struct TPendingCreation
{
    TPendingCreation() { ++GLiveObjects; }
    TPendingCreation(const TPendingCreation&) { ++GLiveObjects; }
    ~TPendingCreation() { --GLiveObjects; }
};

QString TakeString(LPWSTR s)
{
    const QString r = FromWide(s);
    CoTaskMemFree(s);
    return r;
}

// Reads the host's options; each version of the options interface stands on its own.
HRESULT ReadOptions(IUnknown* options, TEngineOptions& out)
{
    if (!options)
        return S_OK;
    TComPtr<IUnknown> unknown(options);
    auto v1 = unknown.As<ICoreWebView2EnvironmentOptions>();
    if (!v1)
        return E_INVALIDARG;
    LPWSTR s = nullptr;
    if (SUCCEEDED(v1->Get_AdditionalBrowserArguments(&s)))
        out.Arguments = TakeString(s).trimmed();
    s = nullptr;
    if (SUCCEEDED(v1->Get_Language(&s)))
        out.Language = TakeString(s);
    s = nullptr;
    if (SUCCEEDED(v1->Get_TargetCompatibleBrowserVersion(&s)))
        TakeString(s); // any version of this runtime is compatible
    // Single sign-on, exclusive folder access, crash reporting, tracking prevention,
    // extensions, channels and scroll-bar style: accepted, no effect here.
    if (auto v4 = unknown.As<ICoreWebView2EnvironmentOptions4>()) {
        UINT32 count = 0;
        ICoreWebView2CustomSchemeRegistration** registrations = nullptr;
        if (SUCCEEDED(v4->GetCustomSchemeRegistrations(&count, &registrations)) && registrations) {
            for (UINT32 i = 0; i < count; ++i)
                if (registrations[i])
                    registrations[i]->Release();
            CoTaskMemFree(registrations);
        }
        // Schemes must be known to the engine before the application object exists.
        if (count > 0)
            return E_INVALIDARG;
    }
    return S_OK;
}

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT STDMETHODCALLTYPE
CreateWebViewEnvironmentWithOptionsInternal(
    BOOL, INT32 runtimeType, LPCWSTR userDataFolder, IUnknown* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler)
{
    if (!environmentCreatedHandler)
        return E_POINTER;
    if (runtimeType != 0 && runtimeType != 1)
        return E_INVALIDARG;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return E_UNEXPECTED;
    if (QThread::currentThread() != QCoreApplication::instance()->thread())
        return RPC_E_WRONG_THREAD;
    if (CurrentApartment() == 0)
        return CO_E_NOTINITIALIZED;
    if (CurrentApartment() != int(COINIT_APARTMENTTHREADED) + 1)
        return RPC_E_CHANGED_MODE;

    TEngineOptions options;
    if (const HRESULT hr = ReadOptions(environmentOptions, options); FAILED(hr))
        return hr;
    options.FileAccessFromFiles = options.Arguments.contains(u"--allow-file-access-from-files");

    QString folder = NativePath(FromWide(userDataFolder));
    if (folder.isEmpty()) {
        const QFileInfo exe(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
        folder =
            exe.absolutePath() + QLatin1Char('/') + exe.fileName() + QStringLiteral(".WebView2");
    }
    folder = QDir(folder).absolutePath();

    HRESULT verdict = S_OK;
    if (!GEngine.Started) {
        GEngine.Started = true;
        GEngine.Arguments = options.Arguments;
        if (!options.Arguments.isEmpty()) {
            QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
            if (!flags.isEmpty())
                flags += ' ';
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + options.Arguments.toLocal8Bit());
        }
    } else if (options.Arguments != GEngine.Arguments) {
        verdict = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    }

    TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> done(
        environmentCreatedHandler);
    Post([done, verdict, folder, options, pending = TPendingCreation()] {
        HRESULT hr = verdict;
        if (SUCCEEDED(hr)) {
            const QFileInfo info(folder);
            if (info.exists() && !info.isDir())
                hr = HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
            else if (!QDir().mkpath(folder))
                hr = E_ACCESSDENIED;
        }
        if (FAILED(hr)) {
            CallHost("environment completed", [&] { done->Invoke(hr, nullptr); });
            return;
        }
        auto environment = TComPtr<TEnvironment>::Attach(new TEnvironment(folder, options));
        CallHost("environment completed", [&] { done->Invoke(S_OK, environment.Get()); });
    });
    return S_OK;
}

extern "C" __attribute__((visibility("default"))) HRESULT STDMETHODCALLTYPE DllCanUnloadNow()
{
    return GLiveObjects > 0 ? S_FALSE : S_OK;
}
