#include "versionresource.h"

#include <cstring>

namespace {

constexpr std::uint32_t FixedInfoSignature = 0xFEEF04BD;
constexpr std::size_t HeaderSize = 6;

void Put16(std::vector<std::uint8_t>& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& b, std::uint32_t v)
{
    Put16(b, static_cast<std::uint16_t>(v & 0xFFFF));
    Put16(b, static_cast<std::uint16_t>(v >> 16));
}

void Align4(std::vector<std::uint8_t>& b)
{
    while (b.size() % 4)
        b.push_back(0);
}

std::uint16_t Get16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Get32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(Get16(p)) | static_cast<std::uint32_t>(Get16(p + 2)) << 16;
}

std::size_t Up4(std::size_t n)
{
    return (n + 3) & ~std::size_t(3);
}

// One node; valueLength is in characters for text values and bytes for binary ones.
std::vector<std::uint8_t> Node(const std::u16string& key, const std::vector<std::uint8_t>& value,
                               std::uint16_t valueLength, bool text,
                               const std::vector<std::vector<std::uint8_t>>& children)
{
    std::vector<std::uint8_t> b;
    Put16(b, 0);
    Put16(b, valueLength);
    Put16(b, text ? 1 : 0);
    for (char16_t c : key)
        Put16(b, c);
    Put16(b, 0);
    Align4(b);
    b.insert(b.end(), value.begin(), value.end());
    for (const auto& child : children) {
        Align4(b);
        b.insert(b.end(), child.begin(), child.end());
    }
    b[0] = static_cast<std::uint8_t>(b.size() & 0xFF);
    b[1] = static_cast<std::uint8_t>(b.size() >> 8);
    return b;
}

std::vector<std::uint8_t> TextValue(const std::u16string& s)
{
    std::vector<std::uint8_t> b;
    for (char16_t c : s)
        Put16(b, c);
    Put16(b, 0);
    return b;
}

std::uint32_t Ms(const std::array<std::uint16_t, 4>& v)
{
    return static_cast<std::uint32_t>(v[0]) << 16 | v[1];
}
std::uint32_t Ls(const std::array<std::uint16_t, 4>& v)
{
    return static_cast<std::uint32_t>(v[2]) << 16 | v[3];
}

bool KeyEquals(const std::uint8_t* key, std::size_t maxUnits, const std::u16string& want)
{
    std::size_t i = 0;
    for (; i < maxUnits; ++i) {
        const char16_t c = Get16(key + 2 * i);
        if (c == 0)
            break;
        if (i >= want.size())
            return false;
        char16_t a = c, w = want[i];
        if (a >= u'a' && a <= u'z')
            a = static_cast<char16_t>(a - 32);
        if (w >= u'a' && w <= u'z')
            w = static_cast<char16_t>(w - 32);
        if (a != w)
            return false;
    }
    return i == want.size();
}

struct TNodeView
{
    std::size_t Start = 0;
    std::size_t Length = 0;
    std::uint16_t ValueLength = 0;
    bool Text = false;
    std::size_t KeyStart = 0;
    std::size_t ValueStart = 0;
    std::size_t ChildrenStart = 0;
};

bool ReadNode(const std::uint8_t* block, std::size_t end, std::size_t start, TNodeView& n)
{
    if (start + HeaderSize > end)
        return false;
    n.Start = start;
    n.Length = Get16(block + start);
    n.ValueLength = Get16(block + start + 2);
    n.Text = Get16(block + start + 4) == 1;
    if (n.Length < HeaderSize + 2 || start + n.Length > end)
        return false;
    n.KeyStart = start + HeaderSize;
    std::size_t p = n.KeyStart;
    while (p + 2 <= start + n.Length && Get16(block + p) != 0)
        p += 2;
    if (p + 2 > start + n.Length)
        return false;
    n.ValueStart = Up4(p + 2);
    const std::size_t valueBytes = n.Text ? std::size_t(n.ValueLength) * 2 : n.ValueLength;
    if (n.ValueStart + valueBytes > start + n.Length)
        return false;
    n.ChildrenStart = Up4(n.ValueStart + valueBytes);
    return true;
}

} // namespace

std::vector<std::uint8_t> BuildVersionResource(const TVersionResourceInfo& info)
{
    std::vector<std::uint8_t> fixed;
    Put32(fixed, FixedInfoSignature);
    Put32(fixed, 0x00010000);
    Put32(fixed, Ms(info.FileVersion));
    Put32(fixed, Ls(info.FileVersion));
    Put32(fixed, Ms(info.ProductVersion));
    Put32(fixed, Ls(info.ProductVersion));
    Put32(fixed, 0x3F);       // flags mask
    Put32(fixed, 0);          // flags
    Put32(fixed, 0x00040004); // NT, 32-bit windows
    Put32(fixed, 2);          // a library
    Put32(fixed, 0);
    Put32(fixed, 0);
    Put32(fixed, 0);

    std::vector<std::vector<std::uint8_t>> strings;
    for (const auto& [name, text] : info.Strings)
        strings.push_back(
            Node(name, TextValue(text), static_cast<std::uint16_t>(text.size() + 1), true, {}));
    const auto table = Node(info.LanguageCodepage, {}, 0, true, strings);
    const auto stringInfo = Node(u"StringFileInfo", {}, 0, true, {table});

    std::vector<std::uint8_t> translation;
    std::uint16_t language = 0x0409, codepage = 0x04B0;
    if (info.LanguageCodepage.size() == 8) {
        const std::string lc(info.LanguageCodepage.begin(), info.LanguageCodepage.end());
        language = static_cast<std::uint16_t>(std::stoul(lc.substr(0, 4), nullptr, 16));
        codepage = static_cast<std::uint16_t>(std::stoul(lc.substr(4, 4), nullptr, 16));
    }
    Put16(translation, language);
    Put16(translation, codepage);
    const auto var = Node(u"Translation", translation, 4, false, {});
    const auto varInfo = Node(u"VarFileInfo", {}, 0, true, {var});

    return Node(u"VS_VERSION_INFO", fixed, static_cast<std::uint16_t>(fixed.size()), false,
                {stringInfo, varInfo});
}

bool FindVersionResource(const std::uint8_t* data, std::size_t size, std::size_t& offset,
                         std::size_t& length)
{
    static const std::u16string key = u"VS_VERSION_INFO";
    std::vector<std::uint8_t> pattern;
    for (char16_t c : key)
        Put16(pattern, c);
    Put16(pattern, 0);
    if (size < pattern.size() + HeaderSize)
        return false;
    const std::uint8_t* p = data + HeaderSize;
    const std::uint8_t* end = data + size;
    while (p + pattern.size() <= end) {
        p = static_cast<const std::uint8_t*>(
            std::memchr(p, pattern[0], static_cast<std::size_t>(end - p)));
        if (!p || p + pattern.size() > end)
            return false;
        if (std::memcmp(p, pattern.data(), pattern.size()) == 0) {
            const std::size_t start = static_cast<std::size_t>(p - data) - HeaderSize;
            // Validate on a copy's terms: alignment is relative to the block's start.
            const std::size_t avail = size - start;
            const std::uint16_t len = Get16(data + start);
            if (len <= avail && len >= HeaderSize + pattern.size() + 52) {
                TNodeView n;
                if (ReadNode(data + start, len, 0, n) && !n.Text && n.ValueLength >= 52 &&
                    Get32(data + start + n.ValueStart) == FixedInfoSignature) {
                    offset = start;
                    length = len;
                    return true;
                }
            }
        }
        ++p;
    }
    return false;
}

bool QueryVersionResource(const std::uint8_t* block, std::size_t blockSize,
                          const std::u16string& path, const std::uint8_t*& value,
                          std::uint16_t& valueLength, bool& isText)
{
    TNodeView node;
    if (blockSize < HeaderSize)
        return false;
    const std::size_t total = std::min<std::size_t>(Get16(block), blockSize);
    if (!ReadNode(block, total, 0, node))
        return false;
    std::size_t pos = 0;
    while (pos < path.size()) {
        while (pos < path.size() && path[pos] == u'\\')
            ++pos;
        if (pos >= path.size())
            break;
        std::size_t next = path.find(u'\\', pos);
        if (next == std::u16string::npos)
            next = path.size();
        const std::u16string key = path.substr(pos, next - pos);
        pos = next;
        bool found = false;
        std::size_t child = node.ChildrenStart;
        const std::size_t nodeEnd = node.Start + node.Length;
        while (child + HeaderSize <= nodeEnd) {
            TNodeView c;
            if (!ReadNode(block, nodeEnd, child, c))
                break;
            if (KeyEquals(block + c.KeyStart, (c.ValueStart - c.KeyStart) / 2, key)) {
                node = c;
                found = true;
                break;
            }
            child = Up4(child + c.Length);
        }
        if (!found)
            return false;
    }
    value = block + node.ValueStart;
    valueLength = node.ValueLength;
    isText = node.Text;
    return true;
}

bool ParseVersionQuad(const std::string& text, std::array<std::uint16_t, 4>& out)
{
    out = {0, 0, 0, 0};
    std::size_t pos = 0;
    for (int i = 0; i < 4 && pos <= text.size(); ++i) {
        std::size_t dot = text.find('.', pos);
        if (dot == std::string::npos)
            dot = text.size();
        const std::string part = text.substr(pos, dot - pos);
        if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const unsigned long v = std::stoul(part);
        if (v > 0xFFFF)
            return false;
        out[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(v);
        pos = dot + 1;
        if (dot == text.size())
            break;
    }
    return true;
}
