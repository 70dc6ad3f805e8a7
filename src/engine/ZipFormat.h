// The fixed numbers of the archive format that the readers, the writer and the self-extractor
// share: the signatures that open its records and the sizes of the records' fixed parts.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t kDescriptorSignature = 0x08074B50;
constexpr std::uint32_t kExtraDataSignature = 0x08064B50; // the archive extra data record
constexpr std::uint32_t kEndRecordSignature = 0x06054B50;
constexpr std::uint32_t kZip64EndRecordSignature = 0x06064B50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;

// A 32-bit size or offset of this value stands in a Zip64 field instead.
constexpr std::uint32_t kInZip64 = 0xFFFFFFFF;

constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kZip64EndRecordSize = 56;
constexpr std::size_t kZip64LocatorSize = 20;
