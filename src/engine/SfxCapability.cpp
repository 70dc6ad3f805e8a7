// What the self-extractor stub can extract.
#include "engine/SfxCapability.h"

namespace {

constexpr std::uint16_t kStrongEncryption = 0x0040;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kAes = 99; // the method of an AES-encrypted entry

// The method's number in decimal (the stub links no C++ runtime, which std::to_string needs).
std::string Decimal(std::uint16_t value) {
    char digits[5];
    char* first = digits + sizeof digits;
    do
        *--first = static_cast<char>('0' + value % 10);
    while ((value /= 10) != 0);
    return std::string(first, digits + sizeof digits);
}

} // namespace

std::string SfxCannotExtract(const LayoutEntry& entry) {
    if (entry.flags & kStrongEncryption)
        return "strong encryption";
    if (entry.method == kAes)
        return "AES encryption";
    if (entry.method != kStored && entry.method != kDeflated)
        return "compression method " + Decimal(entry.method);
    return {};
}
