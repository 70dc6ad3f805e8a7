// Compression methods as messages name them.
#include "engine/CompressionMethods.h"

namespace {

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

std::string CompressionMethodText(std::uint16_t method) {
    std::string text = "compression method " + Decimal(method);
    if (const char* name = CompressionMethodName(method)) {
        text += " (";
        text += name;
        text += ')';
    }
    return text;
}
