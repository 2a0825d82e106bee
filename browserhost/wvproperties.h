// Property accessors of the option objects the host hands to the runtime: a getter answers
// E_POINTER for a null out parameter, a string getter hands out a task-allocator copy.
#pragma once

#include "wvmiscfunctions.h"

namespace wvproperty {

inline HRESULT GetString(const wvstring& field, LPWSTR* value)
{
    if (!value)
        return E_POINTER;
    *value = AllocCoTaskMemStr(field);
    return *value || field.empty() ? S_OK : E_OUTOFMEMORY;
}

inline HRESULT SetString(wvstring& field, LPCWSTR value)
{
    field = value ? wvstring(value) : wvstring();
    return S_OK;
}

inline HRESULT GetBool(bool field, BOOL* value)
{
    if (!value)
        return E_POINTER;
    *value = field ? TRUE : FALSE;
    return S_OK;
}

inline HRESULT SetBool(bool& field, BOOL value)
{
    field = value != 0;
    return S_OK;
}

template <typename T> HRESULT GetValue(T field, T* value)
{
    if (!value)
        return E_POINTER;
    *value = field;
    return S_OK;
}

template <typename T> HRESULT SetValue(T& field, T value)
{
    field = value;
    return S_OK;
}

} // namespace wvproperty
