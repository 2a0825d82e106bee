// Helpers shared by the units that define the browser component's members.
#pragma once

#include "wvtypes.h"

// A runtime string handed to a callback, empty for none.
inline wvstring TextOf(LPCWSTR aText)
{
    return aText ? wvstring(aText) : wvstring();
}
