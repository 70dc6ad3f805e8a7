// The stub's CRC-32, with zlib's declaration but without zlib, whose CRC-32 carries 9 KiB of
// tables for speed: one 1 KiB table made at first use is fast enough to check an installer's
// files and keeps the stub small enough for the directory reader to find the archive behind it.
// Same results as zlib's for every input.
#include <cstdint>
#include <zlib.h>

uLong crc32(uLong crc, const Bytef* data, uInt length) {
    static std::uint32_t table[256];
    static bool made = false;
    if (!made) {
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        made = true;
    }
    if (!data)
        return 0;
    std::uint32_t c = ~static_cast<std::uint32_t>(crc);
    while (length-- > 0)
        c = table[(c ^ *data++) & 0xFF] ^ (c >> 8);
    return ~c;
}
