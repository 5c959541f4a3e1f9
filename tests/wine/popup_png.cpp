#include "popup_png.h"

#include <windows.h>

#include <vector>

namespace {

std::uint32_t crc32(const unsigned char* data, size_t length, std::uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBig32(std::vector<unsigned char>& out, std::uint32_t v)
{
    out.push_back(static_cast<unsigned char>(v >> 24));
    out.push_back(static_cast<unsigned char>(v >> 16));
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

void putChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data)
{
    putBig32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    putBig32(out, crc32(body.data(), body.size()));
}

// zlib stream of stored blocks (at most 65535 bytes each) with its Adler-32.
std::vector<unsigned char> storedZlib(const std::vector<unsigned char>& raw)
{
    std::vector<unsigned char> out = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        out.push_back(at + n == raw.size() ? 1 : 0);
        out.push_back(static_cast<unsigned char>(n));
        out.push_back(static_cast<unsigned char>(n >> 8));
        out.push_back(static_cast<unsigned char>(~n));
        out.push_back(static_cast<unsigned char>(~n >> 8));
        out.insert(out.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + n));
        at += n;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    putBig32(out, (b << 16) | a);
    return out;
}

} // namespace

bool writePng(const std::wstring& path, int width, int height, const std::uint32_t* pixels)
{
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(height) * (1 + 3 * width));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[static_cast<size_t>(y) * width + x];
            raw.push_back(static_cast<unsigned char>(p >> 16));
            raw.push_back(static_cast<unsigned char>(p >> 8));
            raw.push_back(static_cast<unsigned char>(p));
        }
    }
    std::vector<unsigned char> header;
    putBig32(header, static_cast<std::uint32_t>(width));
    putBig32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB

    std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(file, "IHDR", header);
    putChunk(file, "IDAT", storedZlib(raw));
    putChunk(file, "IEND", {});

    const HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(out, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
    CloseHandle(out);
    return ok && written == file.size();
}
