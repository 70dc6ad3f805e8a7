// What the self-extractor stub can extract: stored and deflated entries, plain or encrypted with
// the traditional method. The stub refuses other entries, and the conversion to a
// self-extracting program refuses an archive holding one before it writes or deletes anything.
#pragma once

#include "engine/ArchiveLayout.h"

#include <string>

// Why the stub cannot extract the entry ("compression method 14 (LZMA)", "AES encryption"), or
// nothing when it can.
std::string SfxCannotExtract(const LayoutEntry& entry);
