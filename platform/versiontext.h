// Reading a runtime version text ("148.0.3967.48", optionally followed by a channel name) into
// its four numbers. The loader library and the host's built-in loader both read versions with
// this one routine, so that they can never disagree about which of two versions is newer.
// No Qt here.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// Four parts, each the decimal digits up to the next character that is not a digit (that
// character is skipped); a part without digits is 0. Text after the fourth part is ignored.
// Fails when the text ends before the fourth part begins, or when a part does not fit in 32
// bits: such a number cannot be compared, and cutting it would make it look older.
inline bool ReadVersionNumbers(std::u16string_view aText, std::array<std::uint32_t, 4>& aParts)
{
    std::array<std::uint32_t, 4> parts{};
    std::size_t pos = 0;
    for (std::uint32_t& part : parts) {
        if (pos >= aText.size())
            return false;
        std::uint64_t value = 0;
        for (; pos < aText.size() && aText[pos] >= u'0' && aText[pos] <= u'9'; ++pos) {
            value = value * 10 + static_cast<std::uint64_t>(aText[pos] - u'0');
            if (value > 0xFFFFFFFFu)
                return false;
        }
        part = static_cast<std::uint32_t>(value);
        ++pos; // the separator, when there is one
    }
    aParts = parts;
    return true;
}
