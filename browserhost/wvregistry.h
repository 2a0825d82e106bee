// A read-only registry key that closes itself, for the loader's discovery routines.
#pragma once

#include "winapi.h"
#include "wvtypes.h"

#include <vector>

class TWVRegistryKey
{
public:
    TWVRegistryKey() = default;
    ~TWVRegistryKey() { Close(); }
    TWVRegistryKey(const TWVRegistryKey&) = delete;
    TWVRegistryKey& operator=(const TWVRegistryKey&) = delete;

    // Opens aPath below aRoot for reading; false when it does not exist.
    bool Open(HKEY aRoot, const wvstring& aPath);
    void Close();
    bool IsOpen() const { return FKey != nullptr; }
    // The text of a string value (an empty name is the default value); false when the value is
    // missing or not a string.
    bool ReadString(const wvstring& aName, wvstring& aValue) const;
    // The names of the key's subkeys.
    std::vector<wvstring> SubKeyNames() const;

private:
    HKEY FKey = nullptr;
};
