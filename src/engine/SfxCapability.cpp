// What the self-extractor stub can extract.
#include "engine/SfxCapability.h"

#include "engine/CompressionMethods.h"

namespace {

constexpr std::uint16_t kStrongEncryption = 0x0040;

} // namespace

std::string SfxCannotExtract(const LayoutEntry& entry) {
    if (entry.flags & kStrongEncryption)
        return "strong encryption";
    if (entry.method == kMethodAes)
        return "AES encryption";
    if (entry.method != kMethodStored && entry.method != kMethodDeflated)
        return CompressionMethodText(entry.method);
    return {};
}
