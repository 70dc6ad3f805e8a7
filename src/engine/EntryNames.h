// How stored entry names are read, in one place for the listing, both engines and the
// self-extractor: a name is UTF-8 when its bytes are valid UTF-8 (which every name flagged UTF-8
// by general purpose bit 11 should be), otherwise code page 437. The result is UTF-8, the
// program's code page on this platform. A Unicode Path extra field that stands for the stored
// name gives the name instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct ArchiveLayout;
struct LayoutEntry;

std::string Cp437ToUtf8(std::string_view bytes);
std::string DecodeEntryName(std::string_view stored);

// The name that an Info-ZIP Unicode Path extra field (0x7075) among the blocks of extra gives an
// entry whose stored name is storedName: UTF-8, from writers that store the name itself in a
// legacy code page. Taken only from a field of version 1 that records the CRC-32 of this very
// stored name (a tool that renamed the entry without knowing the field leaves it stale) and that
// holds valid UTF-8; nothing otherwise.
std::optional<std::string_view> UnicodePathName(std::string_view storedName,
                                                std::string_view extra);

// The name an entry of the central directory goes by in both engines and the self-extractor: the
// Unicode Path name of its record, else its stored name decoded; with the "/" of a folder name
// added when its attributes make it a folder (FolderByAttributes).
std::string EntryNameOf(const ArchiveLayout& layout, const LayoutEntry& entry);
