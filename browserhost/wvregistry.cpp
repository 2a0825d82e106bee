#include "wvregistry.h"

bool TWVRegistryKey::Open(HKEY aRoot, const wvstring& aPath)
{
    Close();
    return RegOpenKeyExW(aRoot, aPath.c_str(), 0, KEY_READ, &FKey) == LONG(ERROR_SUCCESS) ||
           (FKey = nullptr, false);
}

void TWVRegistryKey::Close()
{
    if (FKey)
        RegCloseKey(FKey);
    FKey = nullptr;
}

bool TWVRegistryKey::ReadString(const wvstring& aName, wvstring& aValue) const
{
    if (!FKey)
        return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(FKey, aName.c_str(), nullptr, &type, nullptr, &size) !=
            LONG(ERROR_SUCCESS) ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::u16string buffer(size / 2 + 1, u'\0');
    DWORD bytes = static_cast<DWORD>(buffer.size() * 2);
    if (RegQueryValueExW(FKey, aName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &bytes) != LONG(ERROR_SUCCESS))
        return false;
    buffer.resize(bytes / 2);
    while (!buffer.empty() && buffer.back() == u'\0')
        buffer.pop_back();
    aValue = buffer;
    return true;
}

std::vector<wvstring> TWVRegistryKey::SubKeyNames() const
{
    std::vector<wvstring> names;
    if (!FKey)
        return names;
    for (DWORD i = 0;; ++i) {
        char16_t name[256];
        DWORD length = 256;
        const LONG result =
            RegEnumKeyExW(FKey, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == LONG(ERROR_MORE_DATA))
            continue; // longer than a key name can be: skipped, the later ones still count
        if (result != LONG(ERROR_SUCCESS))
            break;
        names.emplace_back(name, length);
    }
    return names;
}
