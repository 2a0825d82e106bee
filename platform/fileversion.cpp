// File version queries over the version block a file embeds (versionresource.h).
#include "platformqt.h"
#include "versionresource.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace {

// Marks a buffer filled by GetFileVersionInfoW that has room for 8-bit copies of its texts
// after the block, where VerQueryValueA puts them.
constexpr std::uint32_t AnsiAreaMagic = 0x31415651; // "QVA1"

bool ReadBlock(LPCWSTR fileName, std::vector<std::uint8_t>& block)
{
    const QString path = NativePath(FromWide(fileName));
    QFile f(path);
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    const qint64 size = f.size();
    const uchar* data = size > 0 ? f.map(0, size) : nullptr;
    QByteArray copy;
    if (!data && size > 0) {
        copy = f.readAll();
        data = reinterpret_cast<const uchar*>(copy.constData());
    }
    std::size_t offset = 0, length = 0;
    if (!data || !FindVersionResource(data, static_cast<std::size_t>(size), offset, length)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return false;
    }
    block.assign(data + offset, data + offset + length);
    return true;
}

std::uint16_t BlockLength(LPCVOID pBlock)
{
    const auto* b = static_cast<const std::uint8_t*>(pBlock);
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

} // namespace

extern "C" {

DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, DWORD* lpdwHandle)
{
    if (lpdwHandle)
        *lpdwHandle = 0;
    std::vector<std::uint8_t> block;
    if (!ReadBlock(lptstrFilename, block))
        return 0;
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(block.size() * 2 + 4);
}

BOOL WINAPI GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD, DWORD dwLen, LPVOID lpData)
{
    if (!lpData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::uint8_t> block;
    if (!ReadBlock(lptstrFilename, block))
        return FALSE;
    if (dwLen < block.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* out = static_cast<std::uint8_t*>(lpData);
    std::memcpy(out, block.data(), block.size());
    std::memset(out + block.size(), 0, dwLen - block.size());
    if (dwLen >= block.size() * 2 + 4)
        std::memcpy(out + block.size(), &AnsiAreaMagic, 4);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI VerQueryValueW(LPCVOID pBlock, LPCWSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen)
{
    if (!pBlock || !lplpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::u16string path = lpSubBlock ? std::u16string(lpSubBlock) : std::u16string();
    const std::uint8_t* value = nullptr;
    std::uint16_t length = 0;
    bool text = false;
    if (!QueryVersionResource(static_cast<const std::uint8_t*>(pBlock), BlockLength(pBlock), path,
                              value, length, text)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    *lplpBuffer = const_cast<std::uint8_t*>(value);
    if (puLen)
        *puLen = length;
    return TRUE;
}

BOOL WINAPI VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen)
{
    if (!pBlock || !lplpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const QString sub = QString::fromLatin1(lpSubBlock ? lpSubBlock : "");
    const std::u16string path = sub.toStdU16String();
    const auto* block = static_cast<const std::uint8_t*>(pBlock);
    const std::uint16_t blockLength = BlockLength(pBlock);
    const std::uint8_t* value = nullptr;
    std::uint16_t length = 0;
    bool text = false;
    if (!QueryVersionResource(block, blockLength, path, value, length, text)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    if (!text || length == 0) {
        *lplpBuffer = const_cast<std::uint8_t*>(value);
        if (puLen)
            *puLen = length;
        return TRUE;
    }
    // A text value: an 8-bit copy in the area after the block.
    std::uint32_t magic = 0;
    std::memcpy(&magic, block + blockLength, 4);
    if (magic != AnsiAreaMagic) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* ansi = const_cast<std::uint8_t*>(block) + blockLength + (value - block);
    for (std::uint16_t i = 0; i < length; ++i) {
        const std::uint16_t c = static_cast<std::uint16_t>(value[2 * i] | value[2 * i + 1] << 8);
        ansi[i] = static_cast<std::uint8_t>(c < 0x100 ? c : '?');
    }
    *lplpBuffer = ansi;
    if (puLen)
        *puLen = length;
    return TRUE;
}
}
