#include "winapi.h"

#include <cstdio>

namespace {

thread_local DWORD GLastError = 0;

const char* MessageText(DWORD code)
{
    switch (code) {
    case ERROR_SUCCESS:
        return "The operation completed successfully.";
    case ERROR_FILE_NOT_FOUND:
        return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND:
        return "The system cannot find the path specified.";
    case ERROR_ACCESS_DENIED:
        return "Access is denied.";
    case ERROR_INVALID_HANDLE:
        return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY:
        return "Not enough memory resources are available to process this command.";
    case ERROR_BAD_FORMAT:
        return "An attempt was made to load a program with an incorrect format.";
    case ERROR_NOT_SUPPORTED:
        return "The request is not supported.";
    case ERROR_FILE_EXISTS:
        return "The file exists.";
    case ERROR_INVALID_PARAMETER:
        return "The parameter is incorrect.";
    case ERROR_DISK_FULL:
        return "There is not enough space on the disk.";
    case ERROR_INSUFFICIENT_BUFFER:
        return "The data area passed to a system call is too small.";
    case ERROR_MOD_NOT_FOUND:
        return "The specified module could not be found.";
    case ERROR_PROC_NOT_FOUND:
        return "The specified procedure could not be found.";
    case ERROR_BAD_EXE_FORMAT:
        return "The file is not a valid application for this system.";
    case ERROR_ENVVAR_NOT_FOUND:
        return "The system could not find the environment option that was entered.";
    case ERROR_MORE_DATA:
        return "More data is available.";
    case ERROR_NO_MORE_ITEMS:
        return "No more data is available.";
    case ERROR_NOT_FOUND:
        return "Element not found.";
    case ERROR_INVALID_WINDOW_HANDLE:
        return "Invalid window handle.";
    case ERROR_PRODUCT_UNINSTALLED:
        return "Product is uninstalled.";
    case ERROR_RESOURCE_DATA_NOT_FOUND:
        return "The specified image file did not contain a resource section.";
    case ERROR_RESOURCE_TYPE_NOT_FOUND:
        return "The specified resource type cannot be found in the image file.";
    case ERROR_INVALID_STATE:
        return "The group or resource is not in the correct state to perform the requested "
               "operation.";
    default:
        return nullptr;
    }
}

} // namespace

std::u16string SysErrorMessage(DWORD error)
{
    DWORD code = error;
    if ((code & 0xFFFF0000u) == 0x80070000u)
        code &= 0xFFFFu;
    if (const char* text = MessageText(code))
        return std::u16string(text, text + std::char_traits<char>::length(text));
    char buf[48];
    std::snprintf(buf, sizeof buf, "Unknown error (0x%X)", static_cast<unsigned>(error));
    return std::u16string(buf, buf + std::char_traits<char>::length(buf));
}

extern "C" {

DWORD WINAPI GetLastError()
{
    return GLastError;
}

void WINAPI SetLastError(DWORD dwErrCode)
{
    GLastError = dwErrCode;
}

DWORD WINAPI FormatMessageW(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD, LPWSTR lpBuffer,
                            DWORD nSize, void*)
{
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || !lpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    DWORD code = dwMessageId;
    if ((code & 0xFFFF0000u) == 0x80070000u)
        code &= 0xFFFFu;
    const char* text = MessageText(code);
    if (!text) {
        SetLastError(317); // ERROR_MR_MID_NOT_FOUND
        return 0;
    }
    std::u16string s(text, text + std::char_traits<char>::length(text));
    s += u"\r\n";
    if (s.size() + 1 > nSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    s.copy(lpBuffer, s.size());
    lpBuffer[s.size()] = 0;
    return static_cast<DWORD>(s.size());
}
}
