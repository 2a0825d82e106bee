#include "wvcorewebview2delegates.h"

#include "wvbrowserevents.h"

#include <atomic>

namespace {
std::atomic<long> GLiveDelegates{0};
} // namespace

long LiveDelegateCount()
{
    return GLiveDelegates.load();
}
void CountLiveDelegate(int ADelta)
{
    GLiveDelegates += ADelta;
}

HRESULT
TCoreWebView2NavigationStartingEventHandler::Invoke(ICoreWebView2* sender,
                                                    ICoreWebView2NavigationStartingEventArgs* args)
{
    return Forward("TCoreWebView2NavigationStartingEventHandler", [&](IWVBrowserEvents* e) {
        return e->NavigationStartingEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2NavigationCompletedEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args)
{
    return Forward("TCoreWebView2NavigationCompletedEventHandler", [&](IWVBrowserEvents* e) {
        return e->NavigationCompletedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2FrameNavigationStartingEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args)
{
    return Forward("TCoreWebView2FrameNavigationStartingEventHandler", [&](IWVBrowserEvents* e) {
        return e->FrameNavigationStartingEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2FrameNavigationCompletedEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2NavigationCompletedEventArgs* args)
{
    return Forward("TCoreWebView2FrameNavigationCompletedEventHandler", [&](IWVBrowserEvents* e) {
        return e->FrameNavigationCompletedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2SourceChangedEventHandler::Invoke(ICoreWebView2* sender,
                                                       ICoreWebView2SourceChangedEventArgs* args)
{
    return Forward("TCoreWebView2SourceChangedEventHandler", [&](IWVBrowserEvents* e) {
        return e->SourceChangedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2HistoryChangedEventHandler::Invoke(ICoreWebView2* sender, IUnknown* args)
{
    return Forward("TCoreWebView2HistoryChangedEventHandler", [&](IWVBrowserEvents* e) {
        return e->HistoryChangedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2ContentLoadingEventHandler::Invoke(ICoreWebView2* sender,
                                                        ICoreWebView2ContentLoadingEventArgs* args)
{
    return Forward("TCoreWebView2ContentLoadingEventHandler", [&](IWVBrowserEvents* e) {
        return e->ContentLoadingEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2DocumentTitleChangedEventHandler::Invoke(ICoreWebView2* sender, IUnknown* args)
{
    return Forward("TCoreWebView2DocumentTitleChangedEventHandler", [&](IWVBrowserEvents* e) {
        return e->DocumentTitleChangedEventHandler_Invoke(sender, args);
    });
}

HRESULT
TCoreWebView2NewWindowRequestedEventHandler::Invoke(ICoreWebView2* sender,
                                                    ICoreWebView2NewWindowRequestedEventArgs* args)
{
    return Forward("TCoreWebView2NewWindowRequestedEventHandler", [&](IWVBrowserEvents* e) {
        return e->NewWindowRequestedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2WebResourceRequestedEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2WebResourceRequestedEventArgs* args)
{
    return Forward("TCoreWebView2WebResourceRequestedEventHandler", [&](IWVBrowserEvents* e) {
        return e->WebResourceRequestedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2ScriptDialogOpeningEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2ScriptDialogOpeningEventArgs* args)
{
    return Forward("TCoreWebView2ScriptDialogOpeningEventHandler", [&](IWVBrowserEvents* e) {
        return e->ScriptDialogOpeningEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2PermissionRequestedEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2PermissionRequestedEventArgs* args)
{
    return Forward("TCoreWebView2PermissionRequestedEventHandler", [&](IWVBrowserEvents* e) {
        return e->PermissionRequestedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2ProcessFailedEventHandler::Invoke(ICoreWebView2* sender,
                                                       ICoreWebView2ProcessFailedEventArgs* args)
{
    return Forward("TCoreWebView2ProcessFailedEventHandler", [&](IWVBrowserEvents* e) {
        return e->ProcessFailedEventHandler_Invoke(sender, args);
    });
}

HRESULT
TCoreWebView2WebMessageReceivedEventHandler::Invoke(ICoreWebView2* sender,
                                                    ICoreWebView2WebMessageReceivedEventArgs* args)
{
    return Forward("TCoreWebView2WebMessageReceivedEventHandler", [&](IWVBrowserEvents* e) {
        return e->WebMessageReceivedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2ContainsFullScreenElementChangedEventHandler::Invoke(ICoreWebView2* sender,
                                                                          IUnknown* args)
{
    return Forward("TCoreWebView2ContainsFullScreenElementChangedEventHandler",
                   [&](IWVBrowserEvents* e) {
                       return e->ContainsFullScreenElementChangedEventHandler_Invoke(sender, args);
                   });
}

HRESULT TCoreWebView2WindowCloseRequestedEventHandler::Invoke(ICoreWebView2* sender, IUnknown* args)
{
    return Forward("TCoreWebView2WindowCloseRequestedEventHandler", [&](IWVBrowserEvents* e) {
        return e->WindowCloseRequestedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2WebResourceResponseReceivedEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2WebResourceResponseReceivedEventArgs* args)
{
    return Forward("TCoreWebView2WebResourceResponseReceivedEventHandler",
                   [&](IWVBrowserEvents* e) {
                       return e->WebResourceResponseReceivedEventHandler_Invoke(sender, args);
                   });
}

HRESULT
TCoreWebView2DOMContentLoadedEventHandler::Invoke(ICoreWebView2* sender,
                                                  ICoreWebView2DOMContentLoadedEventArgs* args)
{
    return Forward("TCoreWebView2DOMContentLoadedEventHandler", [&](IWVBrowserEvents* e) {
        return e->DOMContentLoadedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2FrameCreatedEventHandler::Invoke(ICoreWebView2* sender,
                                                      ICoreWebView2FrameCreatedEventArgs* args)
{
    return Forward("TCoreWebView2FrameCreatedEventHandler", [&](IWVBrowserEvents* e) {
        return e->FrameCreatedEventHandler_Invoke(sender, args);
    });
}

HRESULT
TCoreWebView2DownloadStartingEventHandler::Invoke(ICoreWebView2* sender,
                                                  ICoreWebView2DownloadStartingEventArgs* args)
{
    return Forward("TCoreWebView2DownloadStartingEventHandler", [&](IWVBrowserEvents* e) {
        return e->DownloadStartingEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2ClientCertificateRequestedEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2ClientCertificateRequestedEventArgs* args)
{
    return Forward("TCoreWebView2ClientCertificateRequestedEventHandler", [&](IWVBrowserEvents* e) {
        return e->ClientCertificateRequestedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2IsMutedChangedEventHandler::Invoke(ICoreWebView2* sender, IUnknown* args)
{
    return Forward("TCoreWebView2IsMutedChangedEventHandler", [&](IWVBrowserEvents* e) {
        return e->IsMutedChangedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2IsDocumentPlayingAudioChangedEventHandler::Invoke(ICoreWebView2* sender,
                                                                       IUnknown* args)
{
    return Forward("TCoreWebView2IsDocumentPlayingAudioChangedEventHandler",
                   [&](IWVBrowserEvents* e) {
                       return e->IsDocumentPlayingAudioChangedEventHandler_Invoke(sender, args);
                   });
}

HRESULT TCoreWebView2IsDefaultDownloadDialogOpenChangedEventHandler::Invoke(ICoreWebView2* sender,
                                                                            IUnknown* args)
{
    return Forward(
        "TCoreWebView2IsDefaultDownloadDialogOpenChangedEventHandler", [&](IWVBrowserEvents* e) {
            return e->IsDefaultDownloadDialogOpenChangedEventHandler_Invoke(sender, args);
        });
}

HRESULT TCoreWebView2BasicAuthenticationRequestedEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2BasicAuthenticationRequestedEventArgs* args)
{
    return Forward("TCoreWebView2BasicAuthenticationRequestedEventHandler",
                   [&](IWVBrowserEvents* e) {
                       return e->BasicAuthenticationRequestedEventHandler_Invoke(sender, args);
                   });
}

HRESULT TCoreWebView2ContextMenuRequestedEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2ContextMenuRequestedEventArgs* args)
{
    return Forward("TCoreWebView2ContextMenuRequestedEventHandler", [&](IWVBrowserEvents* e) {
        return e->ContextMenuRequestedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2StatusBarTextChangedEventHandler::Invoke(ICoreWebView2* sender, IUnknown* args)
{
    return Forward("TCoreWebView2StatusBarTextChangedEventHandler", [&](IWVBrowserEvents* e) {
        return e->StatusBarTextChangedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2ServerCertificateErrorDetectedEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2ServerCertificateErrorDetectedEventArgs* args)
{
    return Forward("TCoreWebView2ServerCertificateErrorDetectedEventHandler",
                   [&](IWVBrowserEvents* e) {
                       return e->ServerCertificateErrorDetectedEventHandler_Invoke(sender, args);
                   });
}

HRESULT TCoreWebView2FaviconChangedEventHandler::Invoke(ICoreWebView2* sender, IUnknown* args)
{
    return Forward("TCoreWebView2FaviconChangedEventHandler", [&](IWVBrowserEvents* e) {
        return e->FaviconChangedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2LaunchingExternalUriSchemeEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2LaunchingExternalUriSchemeEventArgs* args)
{
    return Forward("TCoreWebView2LaunchingExternalUriSchemeEventHandler", [&](IWVBrowserEvents* e) {
        return e->LaunchingExternalUriSchemeEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2NotificationReceivedEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2NotificationReceivedEventArgs* args)
{
    return Forward("TCoreWebView2NotificationReceivedEventHandler", [&](IWVBrowserEvents* e) {
        return e->NotificationReceivedEventHandler_Invoke(sender, args);
    });
}

HRESULT
TCoreWebView2SaveAsUIShowingEventHandler::Invoke(ICoreWebView2* sender,
                                                 ICoreWebView2SaveAsUIShowingEventArgs* args)
{
    return Forward("TCoreWebView2SaveAsUIShowingEventHandler", [&](IWVBrowserEvents* e) {
        return e->SaveAsUIShowingEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2SaveFileSecurityCheckStartingEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2SaveFileSecurityCheckStartingEventArgs* args)
{
    return Forward("TCoreWebView2SaveFileSecurityCheckStartingEventHandler",
                   [&](IWVBrowserEvents* e) {
                       return e->SaveFileSecurityCheckStartingEventHandler_Invoke(sender, args);
                   });
}

HRESULT TCoreWebView2ScreenCaptureStartingEventHandler::Invoke(
    ICoreWebView2* sender, ICoreWebView2ScreenCaptureStartingEventArgs* args)
{
    return Forward("TCoreWebView2ScreenCaptureStartingEventHandler", [&](IWVBrowserEvents* e) {
        return e->ScreenCaptureStartingEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2AcceleratorKeyPressedEventHandler::Invoke(
    ICoreWebView2Controller* sender, ICoreWebView2AcceleratorKeyPressedEventArgs* args)
{
    return Forward("TCoreWebView2AcceleratorKeyPressedEventHandler", [&](IWVBrowserEvents* e) {
        return e->AcceleratorKeyPressedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2GotFocusEventHandler::Invoke(ICoreWebView2Controller* sender, IUnknown* args)
{
    return Forward("TCoreWebView2GotFocusEventHandler", [&](IWVBrowserEvents* e) {
        return e->GotFocusEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2LostFocusEventHandler::Invoke(ICoreWebView2Controller* sender, IUnknown* args)
{
    return Forward("TCoreWebView2LostFocusEventHandler", [&](IWVBrowserEvents* e) {
        return e->LostFocusEventHandler_Invoke(sender, args);
    });
}

HRESULT
TCoreWebView2MoveFocusRequestedEventHandler::Invoke(ICoreWebView2Controller* sender,
                                                    ICoreWebView2MoveFocusRequestedEventArgs* args)
{
    return Forward("TCoreWebView2MoveFocusRequestedEventHandler", [&](IWVBrowserEvents* e) {
        return e->MoveFocusRequestedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2ZoomFactorChangedEventHandler::Invoke(ICoreWebView2Controller* sender,
                                                           IUnknown* args)
{
    return Forward("TCoreWebView2ZoomFactorChangedEventHandler", [&](IWVBrowserEvents* e) {
        return e->ZoomFactorChangedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2RasterizationScaleChangedEventHandler::Invoke(ICoreWebView2Controller* sender,
                                                                   IUnknown* args)
{
    return Forward("TCoreWebView2RasterizationScaleChangedEventHandler", [&](IWVBrowserEvents* e) {
        return e->RasterizationScaleChangedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2CursorChangedEventHandler::Invoke(ICoreWebView2CompositionController* sender,
                                                       IUnknown* args)
{
    return Forward("TCoreWebView2CursorChangedEventHandler", [&](IWVBrowserEvents* e) {
        return e->CursorChangedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2NonClientRegionChangedEventHandler::Invoke(
    ICoreWebView2CompositionController* sender, ICoreWebView2NonClientRegionChangedEventArgs* args)
{
    return Forward("TCoreWebView2NonClientRegionChangedEventHandler", [&](IWVBrowserEvents* e) {
        return e->NonClientRegionChangedEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2DragStartingEventHandler::Invoke(ICoreWebView2CompositionController* sender,
                                                      ICoreWebView2DragStartingEventArgs* args)
{
    return Forward("TCoreWebView2DragStartingEventHandler", [&](IWVBrowserEvents* e) {
        return e->DragStartingEventHandler_Invoke(sender, args);
    });
}

// ---- Completions ----------------------------------------------------------------------------

HRESULT TCoreWebView2EnvironmentCompletedHandler::Invoke(HRESULT errorCode,
                                                         ICoreWebView2Environment* result)
{
    return Forward(
        "TCoreWebView2EnvironmentCompletedHandler",
        [&](IWVBrowserEvents* e) {
            return e->EnvironmentCompletedHandler_Invoke(errorCode, result);
        },
        [&](IWVLoaderEvents* e) {
            return e->EnvironmentCompletedHandler_Invoke(errorCode, result);
        });
}

HRESULT
TCoreWebView2CreateCoreWebView2ControllerCompletedHandler::Invoke(HRESULT errorCode,
                                                                  ICoreWebView2Controller* result)
{
    return Forward("TCoreWebView2CreateCoreWebView2ControllerCompletedHandler",
                   [&](IWVBrowserEvents* e) {
                       return e->ControllerCompletedHandler_Invoke(errorCode, result);
                   });
}

HRESULT TCoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler::Invoke(
    HRESULT errorCode, ICoreWebView2CompositionController* result)
{
    return Forward("TCoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler",
                   [&](IWVBrowserEvents* e) {
                       return e->CreateCoreWebView2CompositionControllerCompletedHandler_Invoke(
                           errorCode, result);
                   });
}

HRESULT TCoreWebView2ClearBrowsingDataCompletedHandler::Invoke(HRESULT errorCode)
{
    return Forward("TCoreWebView2ClearBrowsingDataCompletedHandler", [&](IWVBrowserEvents* e) {
        return e->ClearBrowsingDataCompletedHandler_Invoke(errorCode);
    });
}

HRESULT TCoreWebView2SetPermissionStateCompletedHandler::Invoke(HRESULT errorCode)
{
    return Forward("TCoreWebView2SetPermissionStateCompletedHandler", [&](IWVBrowserEvents* e) {
        return e->SetPermissionStateCompletedHandler_Invoke(errorCode);
    });
}

HRESULT TCoreWebView2GetNonDefaultPermissionSettingsCompletedHandler::Invoke(
    HRESULT errorCode, ICoreWebView2PermissionSettingCollectionView* result)
{
    return Forward(
        "TCoreWebView2GetNonDefaultPermissionSettingsCompletedHandler", [&](IWVBrowserEvents* e) {
            return e->GetNonDefaultPermissionSettingsCompletedHandler_Invoke(errorCode, result);
        });
}

HRESULT TCoreWebView2ProfileAddBrowserExtensionCompletedHandler::Invoke(
    HRESULT errorCode, ICoreWebView2BrowserExtension* result)
{
    return Forward(
        "TCoreWebView2ProfileAddBrowserExtensionCompletedHandler", [&](IWVBrowserEvents* e) {
            return e->ProfileAddBrowserExtensionCompletedHandler_Invoke(errorCode, result);
        });
}

HRESULT TCoreWebView2ProfileGetBrowserExtensionsCompletedHandler::Invoke(
    HRESULT errorCode, ICoreWebView2BrowserExtensionList* result)
{
    return Forward(
        "TCoreWebView2ProfileGetBrowserExtensionsCompletedHandler", [&](IWVBrowserEvents* e) {
            return e->ProfileGetBrowserExtensionsCompletedHandler_Invoke(errorCode, result);
        });
}

HRESULT TCoreWebView2CallDevToolsProtocolMethodCompletedHandler::Invoke(HRESULT errorCode,
                                                                        LPCWSTR returnObjectAsJson)
{
    return Forward("TCoreWebView2CallDevToolsProtocolMethodCompletedHandler",
                   [&](IWVBrowserEvents* e) {
                       return e->CallDevToolsProtocolMethodCompletedHandler_Invoke(
                           errorCode, returnObjectAsJson, FID);
                   });
}

// ---- Environment and profile events ---------------------------------------------------------

HRESULT
TCoreWebView2NewBrowserVersionAvailableEventHandler::Invoke(ICoreWebView2Environment* sender,
                                                            IUnknown* args)
{
    return Forward("TCoreWebView2NewBrowserVersionAvailableEventHandler", [&](IWVLoaderEvents* e) {
        return e->NewBrowserVersionAvailableEventHandler_Invoke(sender, args);
    });
}

HRESULT TCoreWebView2BrowserProcessExitedEventHandler::Invoke(
    ICoreWebView2Environment* sender, ICoreWebView2BrowserProcessExitedEventArgs* args)
{
    return Forward(
        "TCoreWebView2BrowserProcessExitedEventHandler",
        [&](IWVBrowserEvents* e) {
            return e->BrowserProcessExitedEventHandler_Invoke(sender, args);
        },
        [&](IWVLoaderEvents* e) {
            return e->BrowserProcessExitedEventHandler_Invoke(sender, args);
        });
}

HRESULT TCoreWebView2ProcessInfosChangedEventHandler::Invoke(ICoreWebView2Environment* sender,
                                                             IUnknown* args)
{
    return Forward(
        "TCoreWebView2ProcessInfosChangedEventHandler",
        [&](IWVBrowserEvents* e) {
            return e->ProcessInfosChangedEventHandler_Invoke(sender, args);
        },
        [&](IWVLoaderEvents* e) {
            return e->ProcessInfosChangedEventHandler_Invoke(sender, args);
        });
}

HRESULT TCoreWebView2ProfileDeletedEventHandler::Invoke(ICoreWebView2Profile* sender,
                                                        IUnknown* args)
{
    return Forward("TCoreWebView2ProfileDeletedEventHandler", [&](IWVBrowserEvents* e) {
        return e->ProfileDeletedEventHandler_Invoke(sender, args);
    });
}
