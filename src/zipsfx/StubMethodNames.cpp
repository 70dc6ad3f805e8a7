// The stub names compression methods by number only (see CompressionMethodName): an archive
// that reaches it with another method was not converted by Pakrune, whose conversion names them.
#include "engine/CompressionMethods.h"

const char* CompressionMethodName(std::uint16_t) {
    return nullptr;
}
