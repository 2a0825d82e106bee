// Targets for callback objects that record every operation called on them, with its arguments
// as text: a pointer as "@" and its address in hexadecimal, a text in single quotes (null for a
// null pointer), a number in decimal. Each operation answers Result.
#pragma once

#include "wvbrowserevents.h"
#include "wvloaderevents.h"

#include <QString>
#include <QStringList>

#include <type_traits>

template <typename T> QString Arg(T* aPointer)
{
    return QStringLiteral("@%1").arg(reinterpret_cast<quintptr>(aPointer), 0, 16);
}
inline QString Arg(const char16_t* aText)
{
    return aText ? QStringLiteral("'%1'").arg(QString::fromUtf16(aText)) : QStringLiteral("null");
}
inline QString Arg(const wvstring& aText)
{
    return QStringLiteral("'%1'").arg(QString::fromStdU16String(aText));
}
template <typename T>
requires(std::is_arithmetic_v<T> || std::is_enum_v<T>) QString Arg(T aValue)
{
    return QString::number(static_cast<qint64>(aValue));
}

// What one target saw: the operations in order and, for each, its arguments.
struct TRecording
{
    QStringList Operations;
    QList<QStringList> Arguments;
    HRESULT Result = HRESULT(0x00040042); // a success code no one else returns

    template <typename... A> HRESULT Record(const char* aOperation, const A&... aArguments)
    {
        Operations << QString::fromLatin1(aOperation);
        Arguments << QStringList{Arg(aArguments)...};
        return Result;
    }
};

// A browser events target that does nothing but record. It clears nothing itself when it goes.
class TRecordingBrowserTarget final : public IWVBrowserEvents, public TRecording
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** aObject) override
    {
        *aObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(-1); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(-1); }

    HRESULT STDMETHODCALLTYPE
    EnvironmentCompletedHandler_Invoke(HRESULT errorCode, ICoreWebView2Environment* result) override
    {
        return Record("EnvironmentCompletedHandler_Invoke", errorCode, result);
    }
    HRESULT STDMETHODCALLTYPE
    ControllerCompletedHandler_Invoke(HRESULT errorCode, ICoreWebView2Controller* result) override
    {
        return Record("ControllerCompletedHandler_Invoke", errorCode, result);
    }
    HRESULT STDMETHODCALLTYPE ExecuteScriptCompletedHandler_Invoke(HRESULT errorCode,
                                                                   LPCWSTR resultObjectAsJson,
                                                                   INT32 aExecutionID) override
    {
        return Record("ExecuteScriptCompletedHandler_Invoke", errorCode, resultObjectAsJson,
                      aExecutionID);
    }
    HRESULT STDMETHODCALLTYPE CapturePreviewCompletedHandler_Invoke(HRESULT errorCode) override
    {
        return Record("CapturePreviewCompletedHandler_Invoke", errorCode);
    }
    HRESULT STDMETHODCALLTYPE NavigationStartingEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args) override
    {
        return Record("NavigationStartingEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE NavigationCompletedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args) override
    {
        return Record("NavigationCompletedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE SourceChangedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2SourceChangedEventArgs* args) override
    {
        return Record("SourceChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE HistoryChangedEventHandler_Invoke(ICoreWebView2* sender,
                                                                IUnknown* args) override
    {
        return Record("HistoryChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE ContentLoadingEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2ContentLoadingEventArgs* args) override
    {
        return Record("ContentLoadingEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE DocumentTitleChangedEventHandler_Invoke(ICoreWebView2* sender,
                                                                      IUnknown* args) override
    {
        return Record("DocumentTitleChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE NewWindowRequestedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args) override
    {
        return Record("NewWindowRequestedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE FrameNavigationStartingEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args) override
    {
        return Record("FrameNavigationStartingEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE FrameNavigationCompletedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args) override
    {
        return Record("FrameNavigationCompletedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE WebResourceRequestedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2WebResourceRequestedEventArgs* args) override
    {
        return Record("WebResourceRequestedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE ScriptDialogOpeningEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2ScriptDialogOpeningEventArgs* args) override
    {
        return Record("ScriptDialogOpeningEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE PermissionRequestedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2PermissionRequestedEventArgs* args) override
    {
        return Record("PermissionRequestedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE ProcessFailedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2ProcessFailedEventArgs* args) override
    {
        return Record("ProcessFailedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE WebMessageReceivedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args) override
    {
        return Record("WebMessageReceivedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE ContainsFullScreenElementChangedEventHandler_Invoke(
        ICoreWebView2* sender, IUnknown* args) override
    {
        return Record("ContainsFullScreenElementChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE WindowCloseRequestedEventHandler_Invoke(ICoreWebView2* sender,
                                                                      IUnknown* args) override
    {
        return Record("WindowCloseRequestedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE ZoomFactorChangedEventHandler_Invoke(ICoreWebView2Controller* sender,
                                                                   IUnknown* args) override
    {
        return Record("ZoomFactorChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE MoveFocusRequestedEventHandler_Invoke(
        ICoreWebView2Controller* sender, ICoreWebView2MoveFocusRequestedEventArgs* args) override
    {
        return Record("MoveFocusRequestedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE AcceleratorKeyPressedEventHandler_Invoke(
        ICoreWebView2Controller* sender, ICoreWebView2AcceleratorKeyPressedEventArgs* args) override
    {
        return Record("AcceleratorKeyPressedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE GotFocusEventHandler_Invoke(ICoreWebView2Controller* sender,
                                                          IUnknown* args) override
    {
        return Record("GotFocusEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE LostFocusEventHandler_Invoke(ICoreWebView2Controller* sender,
                                                           IUnknown* args) override
    {
        return Record("LostFocusEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE DevToolsProtocolEventReceivedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2DevToolsProtocolEventReceivedEventArgs* args,
        const wvstring& aEventName, INT32 aEventID) override
    {
        return Record("DevToolsProtocolEventReceivedEventHandler_Invoke", sender, args, aEventName,
                      aEventID);
    }
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2CompositionControllerCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2CompositionController* result) override
    {
        return Record("CreateCoreWebView2CompositionControllerCompletedHandler_Invoke", errorCode,
                      result);
    }
    HRESULT STDMETHODCALLTYPE CursorChangedEventHandler_Invoke(
        ICoreWebView2CompositionController* sender, IUnknown* args) override
    {
        return Record("CursorChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE BrowserProcessExitedEventHandler_Invoke(
        ICoreWebView2Environment* sender, ICoreWebView2BrowserProcessExitedEventArgs* args) override
    {
        return Record("BrowserProcessExitedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE RasterizationScaleChangedEventHandler_Invoke(
        ICoreWebView2Controller* sender, IUnknown* args) override
    {
        return Record("RasterizationScaleChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE WebResourceResponseReceivedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2WebResourceResponseReceivedEventArgs* args) override
    {
        return Record("WebResourceResponseReceivedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE DOMContentLoadedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2DOMContentLoadedEventArgs* args) override
    {
        return Record("DOMContentLoadedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE WebResourceResponseViewGetContentCompletedHandler_Invoke(
        HRESULT errorCode, IStream* result, INT32 aResourceID) override
    {
        return Record("WebResourceResponseViewGetContentCompletedHandler_Invoke", errorCode, result,
                      aResourceID);
    }
    HRESULT STDMETHODCALLTYPE
    GetCookiesCompletedHandler_Invoke(HRESULT errorCode, ICoreWebView2CookieList* result) override
    {
        return Record("GetCookiesCompletedHandler_Invoke", errorCode, result);
    }
    HRESULT STDMETHODCALLTYPE TrySuspendCompletedHandler_Invoke(HRESULT errorCode,
                                                                BOOL result) override
    {
        return Record("TrySuspendCompletedHandler_Invoke", errorCode, result);
    }
    HRESULT STDMETHODCALLTYPE FrameCreatedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2FrameCreatedEventArgs* args) override
    {
        return Record("FrameCreatedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE DownloadStartingEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2DownloadStartingEventArgs* args) override
    {
        return Record("DownloadStartingEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE ClientCertificateRequestedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2ClientCertificateRequestedEventArgs* args) override
    {
        return Record("ClientCertificateRequestedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE PrintToPdfCompletedHandler_Invoke(HRESULT errorCode,
                                                                BOOL result) override
    {
        return Record("PrintToPdfCompletedHandler_Invoke", errorCode, result);
    }
    HRESULT STDMETHODCALLTYPE BytesReceivedChangedEventHandler_Invoke(
        ICoreWebView2DownloadOperation* sender, IUnknown* args, INT32 aDownloadID) override
    {
        return Record("BytesReceivedChangedEventHandler_Invoke", sender, args, aDownloadID);
    }
    HRESULT STDMETHODCALLTYPE EstimatedEndTimeChangedEventHandler_Invoke(
        ICoreWebView2DownloadOperation* sender, IUnknown* args, INT32 aDownloadID) override
    {
        return Record("EstimatedEndTimeChangedEventHandler_Invoke", sender, args, aDownloadID);
    }
    HRESULT STDMETHODCALLTYPE StateChangedEventHandler_Invoke(
        ICoreWebView2DownloadOperation* sender, IUnknown* args, INT32 aDownloadID) override
    {
        return Record("StateChangedEventHandler_Invoke", sender, args, aDownloadID);
    }
    HRESULT STDMETHODCALLTYPE FrameNameChangedEventHandler_Invoke(ICoreWebView2Frame* sender,
                                                                  IUnknown* args,
                                                                  UINT32 aFrameID) override
    {
        return Record("FrameNameChangedEventHandler_Invoke", sender, args, aFrameID);
    }
    HRESULT STDMETHODCALLTYPE FrameDestroyedEventHandler_Invoke(ICoreWebView2Frame* sender,
                                                                IUnknown* args,
                                                                UINT32 aFrameID) override
    {
        return Record("FrameDestroyedEventHandler_Invoke", sender, args, aFrameID);
    }
    HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethodCompletedHandler_Invoke(
        HRESULT errorCode, LPCWSTR returnObjectAsJson, INT32 aExecutionID) override
    {
        return Record("CallDevToolsProtocolMethodCompletedHandler_Invoke", errorCode,
                      returnObjectAsJson, aExecutionID);
    }
    HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreatedCompletedHandler_Invoke(
        HRESULT errorCode, LPCWSTR id) override
    {
        return Record("AddScriptToExecuteOnDocumentCreatedCompletedHandler_Invoke", errorCode, id);
    }
    HRESULT STDMETHODCALLTYPE IsMutedChangedEventHandler_Invoke(ICoreWebView2* sender,
                                                                IUnknown* args) override
    {
        return Record("IsMutedChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE
    IsDocumentPlayingAudioChangedEventHandler_Invoke(ICoreWebView2* sender, IUnknown* args) override
    {
        return Record("IsDocumentPlayingAudioChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE IsDefaultDownloadDialogOpenChangedEventHandler_Invoke(
        ICoreWebView2* sender, IUnknown* args) override
    {
        return Record("IsDefaultDownloadDialogOpenChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE ProcessInfosChangedEventHandler_Invoke(
        ICoreWebView2Environment* sender, IUnknown* args) override
    {
        return Record("ProcessInfosChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE FrameNavigationStartingEventHandler2_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2NavigationStartingEventArgs* args,
        UINT32 aFrameID) override
    {
        return Record("FrameNavigationStartingEventHandler2_Invoke", sender, args, aFrameID);
    }
    HRESULT STDMETHODCALLTYPE FrameNavigationCompletedEventHandler2_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2NavigationCompletedEventArgs* args,
        UINT32 aFrameID) override
    {
        return Record("FrameNavigationCompletedEventHandler2_Invoke", sender, args, aFrameID);
    }
    HRESULT STDMETHODCALLTYPE FrameContentLoadingEventHandler_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2ContentLoadingEventArgs* args,
        UINT32 aFrameID) override
    {
        return Record("FrameContentLoadingEventHandler_Invoke", sender, args, aFrameID);
    }
    HRESULT STDMETHODCALLTYPE FrameDOMContentLoadedEventHandler_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2DOMContentLoadedEventArgs* args,
        UINT32 aFrameID) override
    {
        return Record("FrameDOMContentLoadedEventHandler_Invoke", sender, args, aFrameID);
    }
    HRESULT STDMETHODCALLTYPE FrameWebMessageReceivedEventHandler_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2WebMessageReceivedEventArgs* args,
        UINT32 aFrameID) override
    {
        return Record("FrameWebMessageReceivedEventHandler_Invoke", sender, args, aFrameID);
    }
    HRESULT STDMETHODCALLTYPE BasicAuthenticationRequestedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2BasicAuthenticationRequestedEventArgs* args) override
    {
        return Record("BasicAuthenticationRequestedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE ContextMenuRequestedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2ContextMenuRequestedEventArgs* args) override
    {
        return Record("ContextMenuRequestedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE CustomItemSelectedEventHandler_Invoke(
        ICoreWebView2ContextMenuItem* sender, IUnknown* args) override
    {
        return Record("CustomItemSelectedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE StatusBarTextChangedEventHandler_Invoke(ICoreWebView2* sender,
                                                                      IUnknown* args) override
    {
        return Record("StatusBarTextChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE FramePermissionRequestedEventHandler_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2PermissionRequestedEventArgs2* args,
        UINT32 aFrameID) override
    {
        return Record("FramePermissionRequestedEventHandler_Invoke", sender, args, aFrameID);
    }
    HRESULT STDMETHODCALLTYPE ClearBrowsingDataCompletedHandler_Invoke(HRESULT errorCode) override
    {
        return Record("ClearBrowsingDataCompletedHandler_Invoke", errorCode);
    }
    HRESULT STDMETHODCALLTYPE
    ClearServerCertificateErrorActionsCompletedHandler_Invoke(HRESULT errorCode) override
    {
        return Record("ClearServerCertificateErrorActionsCompletedHandler_Invoke", errorCode);
    }
    HRESULT STDMETHODCALLTYPE ServerCertificateErrorDetectedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2ServerCertificateErrorDetectedEventArgs* args) override
    {
        return Record("ServerCertificateErrorDetectedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE FaviconChangedEventHandler_Invoke(ICoreWebView2* sender,
                                                                IUnknown* args) override
    {
        return Record("FaviconChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE GetFaviconCompletedHandler_Invoke(HRESULT errorCode,
                                                                IStream* result) override
    {
        return Record("GetFaviconCompletedHandler_Invoke", errorCode, result);
    }
    HRESULT STDMETHODCALLTYPE
    PrintCompletedHandler_Invoke(HRESULT errorCode, COREWEBVIEW2_PRINT_STATUS result) override
    {
        return Record("PrintCompletedHandler_Invoke", errorCode, result);
    }
    HRESULT STDMETHODCALLTYPE PrintToPdfStreamCompletedHandler_Invoke(HRESULT errorCode,
                                                                      IStream* result) override
    {
        return Record("PrintToPdfStreamCompletedHandler_Invoke", errorCode, result);
    }
    HRESULT STDMETHODCALLTYPE GetNonDefaultPermissionSettingsCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2PermissionSettingCollectionView* result) override
    {
        return Record("GetNonDefaultPermissionSettingsCompletedHandler_Invoke", errorCode, result);
    }
    HRESULT STDMETHODCALLTYPE SetPermissionStateCompletedHandler_Invoke(HRESULT errorCode) override
    {
        return Record("SetPermissionStateCompletedHandler_Invoke", errorCode);
    }
    HRESULT STDMETHODCALLTYPE LaunchingExternalUriSchemeEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2LaunchingExternalUriSchemeEventArgs* args) override
    {
        return Record("LaunchingExternalUriSchemeEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE GetProcessExtendedInfosCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2ProcessExtendedInfoCollection* result) override
    {
        return Record("GetProcessExtendedInfosCompletedHandler_Invoke", errorCode, result);
    }
    HRESULT STDMETHODCALLTYPE BrowserExtensionRemoveCompletedHandler_Invoke(
        HRESULT errorCode, const wvstring& aExtensionID) override
    {
        return Record("BrowserExtensionRemoveCompletedHandler_Invoke", errorCode, aExtensionID);
    }
    HRESULT STDMETHODCALLTYPE BrowserExtensionEnableCompletedHandler_Invoke(
        HRESULT errorCode, const wvstring& aExtensionID) override
    {
        return Record("BrowserExtensionEnableCompletedHandler_Invoke", errorCode, aExtensionID);
    }
    HRESULT STDMETHODCALLTYPE ProfileAddBrowserExtensionCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2BrowserExtension* result) override
    {
        return Record("ProfileAddBrowserExtensionCompletedHandler_Invoke", errorCode, result);
    }
    HRESULT STDMETHODCALLTYPE ProfileGetBrowserExtensionsCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2BrowserExtensionList* result) override
    {
        return Record("ProfileGetBrowserExtensionsCompletedHandler_Invoke", errorCode, result);
    }
    HRESULT STDMETHODCALLTYPE ProfileDeletedEventHandler_Invoke(ICoreWebView2Profile* sender,
                                                                IUnknown* args) override
    {
        return Record("ProfileDeletedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE ExecuteScriptWithResultCompletedHandler_Invoke(
        HRESULT errorCode, ICoreWebView2ExecuteScriptResult* result, INT32 aExecutionID) override
    {
        return Record("ExecuteScriptWithResultCompletedHandler_Invoke", errorCode, result,
                      aExecutionID);
    }
    HRESULT STDMETHODCALLTYPE NonClientRegionChangedEventHandler_Invoke(
        ICoreWebView2CompositionController* sender,
        ICoreWebView2NonClientRegionChangedEventArgs* args) override
    {
        return Record("NonClientRegionChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE NotificationReceivedEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2NotificationReceivedEventArgs* args) override
    {
        return Record("NotificationReceivedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE NotificationCloseRequestedEventHandler_Invoke(
        ICoreWebView2Notification* sender, IUnknown* args) override
    {
        return Record("NotificationCloseRequestedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE SaveAsUIShowingEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2SaveAsUIShowingEventArgs* args) override
    {
        return Record("SaveAsUIShowingEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE ShowSaveAsUICompletedHandler_Invoke(
        HRESULT errorCode, COREWEBVIEW2_SAVE_AS_UI_RESULT result) override
    {
        return Record("ShowSaveAsUICompletedHandler_Invoke", errorCode, result);
    }
    HRESULT STDMETHODCALLTYPE SaveFileSecurityCheckStartingEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2SaveFileSecurityCheckStartingEventArgs* args) override
    {
        return Record("SaveFileSecurityCheckStartingEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE ScreenCaptureStartingEventHandler_Invoke(
        ICoreWebView2* sender, ICoreWebView2ScreenCaptureStartingEventArgs* args) override
    {
        return Record("ScreenCaptureStartingEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE FrameScreenCaptureStartingEventHandler_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2ScreenCaptureStartingEventArgs* args,
        UINT32 aFrameID) override
    {
        return Record("FrameScreenCaptureStartingEventHandler_Invoke", sender, args, aFrameID);
    }
    HRESULT STDMETHODCALLTYPE FrameChildFrameCreatedEventHandler_Invoke(
        ICoreWebView2Frame* sender, ICoreWebView2FrameCreatedEventArgs* args,
        UINT32 aFrameID) override
    {
        return Record("FrameChildFrameCreatedEventHandler_Invoke", sender, args, aFrameID);
    }
    HRESULT STDMETHODCALLTYPE FindActiveMatchIndexChangedEventHandler_Invoke(
        ICoreWebView2Find* sender, IUnknown* args) override
    {
        return Record("FindActiveMatchIndexChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE FindMatchCountChangedEventHandler_Invoke(ICoreWebView2Find* sender,
                                                                       IUnknown* args) override
    {
        return Record("FindMatchCountChangedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE FindStartCompletedHandler_Invoke(HRESULT errorCode) override
    {
        return Record("FindStartCompletedHandler_Invoke", errorCode);
    }
    HRESULT STDMETHODCALLTYPE
    DragStartingEventHandler_Invoke(ICoreWebView2CompositionController* sender,
                                    ICoreWebView2DragStartingEventArgs* args) override
    {
        return Record("DragStartingEventHandler_Invoke", sender, args);
    }
};

class TRecordingLoaderTarget final : public IWVLoaderEvents, public TRecording
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** aObject) override
    {
        *aObject = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(-1); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(-1); }

    HRESULT STDMETHODCALLTYPE
    EnvironmentCompletedHandler_Invoke(HRESULT errorCode, ICoreWebView2Environment* result) override
    {
        return Record("EnvironmentCompletedHandler_Invoke", errorCode, result);
    }
    HRESULT STDMETHODCALLTYPE NewBrowserVersionAvailableEventHandler_Invoke(
        ICoreWebView2Environment* sender, IUnknown* args) override
    {
        return Record("NewBrowserVersionAvailableEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE BrowserProcessExitedEventHandler_Invoke(
        ICoreWebView2Environment* sender, ICoreWebView2BrowserProcessExitedEventArgs* args) override
    {
        return Record("BrowserProcessExitedEventHandler_Invoke", sender, args);
    }
    HRESULT STDMETHODCALLTYPE ProcessInfosChangedEventHandler_Invoke(
        ICoreWebView2Environment* sender, IUnknown* args) override
    {
        return Record("ProcessInfosChangedEventHandler_Invoke", sender, args);
    }
};
