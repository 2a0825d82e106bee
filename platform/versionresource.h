// The version block our libraries and programs embed: the platform's VS_VERSIONINFO layout
// (a tree of nodes, each length, value length, type, UTF-16 key, value and children, aligned
// to 32 bits) holding the fixed file information and a StringFileInfo table.
// No Qt here: the build's block generator uses it too.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct TVersionResourceInfo
{
    std::array<std::uint16_t, 4> FileVersion{};
    std::array<std::uint16_t, 4> ProductVersion{};
    std::u16string LanguageCodepage = u"040904B0";
    // Name and text of each StringFileInfo entry, in order.
    std::vector<std::pair<std::u16string, std::u16string>> Strings;
};

std::vector<std::uint8_t> BuildVersionResource(const TVersionResourceInfo& info);

// The offset of a version block inside a file's bytes and its length, or false.
bool FindVersionResource(const std::uint8_t* data, std::size_t size, std::size_t& offset,
                         std::size_t& length);

// Walks a block by a path of keys ("" or a lone "\" for the root); yields the node's value,
// its length field (characters for text values, bytes for binary ones) and whether it is text.
bool QueryVersionResource(const std::uint8_t* block, std::size_t blockSize,
                          const std::u16string& path, const std::uint8_t*& value,
                          std::uint16_t& valueLength, bool& isText);

// Parses "a.b.c.d" (missing parts are 0).
bool ParseVersionQuad(const std::string& text, std::array<std::uint16_t, 4>& out);
