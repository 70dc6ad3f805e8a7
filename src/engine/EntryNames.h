// How stored entry names are read, in one place for the listing and both engines: a name is UTF-8
// when its bytes are valid UTF-8 (which every name flagged UTF-8 by general purpose bit 11 should
// be), otherwise code page 437. The result is UTF-8, the program's code page on this platform.
#pragma once

#include <string>
#include <string_view>
std::string Cp437ToUtf8(std::string_view bytes);
std::string DecodeEntryName(std::string_view stored);
