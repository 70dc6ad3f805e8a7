// Inflates deflate and Deflate64 (method 9, "enhanced deflate", which Windows' own compressed
// folders write for large files). Deflate64 is deflate with a window of 64 KiB, the length code
// 285 standing for a base of 3 and 16 extra bits instead of the length 258, and the distance codes
// 30 and 31 (14 extra bits each) reaching back up to 65536 bytes. No packaged library decodes it,
// so this decoder is ours; the self-extractor inflates plain deflate with it too, being a fraction
// of zlib's inflater in size. It holds the window and two codes, whatever the entry's size, and
// hands its output on in pieces of up to 64 KiB.
#pragma once

#include "unzdll/PackedReader.h"

enum class DeflateVariant { Deflate, Deflate64 };

StreamEnd DecodeDeflate(PackedReader& in, const UnpackedOutput& out, DeflateVariant variant);
