// The binary form of the scene document: the layout BinaryWriter writes and
// BinaryReader reads, described byte for byte in docs/scene-document.md.
// Every number is little-endian; floats are IEEE 754 (32-bit, the system
// unit 64-bit), stored bit for bit.
//
//   header        48 bytes (kHeaderSize)
//   string table  string count x (u32 byte length, UTF-8 bytes)
//   nodes         node count x (fixed record, then its variable parts)
//
// A node's fixed record is kNodeRecordSize bytes; after it come, in order,
// its object (when it has one), its object offset (when not the identity),
// its user properties and the keys of its position, rotation and scale,
// each track as a block of ticks then a block of values.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brindle::host {

// The first bytes of every binary document. The first byte is not ASCII, so
// no text file (and no JSON document) begins like this; the line feed at the
// end shows a file mangled by a conversion of line endings.
constexpr unsigned char kBinaryMagic[8] = {0x89, 'T', 'O', 'V', 'S', 'C', 'N', '\n'};
constexpr std::uint32_t kBinaryVersion = 1;

constexpr std::size_t kHeaderSize = 48;
// Header offsets.
constexpr std::size_t kHeaderVersion = 8;
constexpr std::size_t kHeaderFrameRate = 12;
constexpr std::size_t kHeaderSystemUnit = 16;
constexpr std::size_t kHeaderTime = 24;
constexpr std::size_t kHeaderFlags = 28;
constexpr std::size_t kHeaderRangeStart = 32;
constexpr std::size_t kHeaderRangeEnd = 36;
constexpr std::size_t kHeaderStringCount = 40;
constexpr std::size_t kHeaderNodeCount = 44;

// Header flags.
constexpr std::uint32_t kHasAnimationRange = 1u << 0;
constexpr std::uint32_t kKnownHeaderFlags = kHasAnimationRange;

// A node's fixed record, and its offsets.
constexpr std::size_t kNodeRecordSize = 88;
constexpr std::size_t kNodeName = 0;          // u32 string index
constexpr std::size_t kNodeHandle = 4;        // u32
constexpr std::size_t kNodeParent = 8;        // u32 the parent's handle, 0 for top level
constexpr std::size_t kNodeFlags = 12;        // u32, the bits below
constexpr std::size_t kNodeWireColor = 16;    // u32
constexpr std::size_t kNodeBoneDisplay = 20;  // i32
constexpr std::size_t kNodeTransform = 24;    // u32 class id part a, u32 part b
constexpr std::size_t kNodePosition = 32;     // f32 x 3, held while unkeyed
constexpr std::size_t kNodeRotation = 44;     // f32 x 4 (x, y, z, w)
constexpr std::size_t kNodeScale = 60;        // f32 x 3
constexpr std::size_t kNodePropertyCount = 72;
constexpr std::size_t kNodePositionKeys = 76;  // u32 key counts
constexpr std::size_t kNodeRotationKeys = 80;
constexpr std::size_t kNodeScaleKeys = 84;

// Node flags.
constexpr std::uint32_t kBoneOn = 1u << 0;
constexpr std::uint32_t kTcbRotation = 1u << 1;
constexpr std::uint32_t kPositionLocked = 1u << 2;
constexpr std::uint32_t kRotationLocked = 1u << 3;
constexpr std::uint32_t kScaleLocked = 1u << 4;
constexpr std::uint32_t kHasObject = 1u << 5;
constexpr std::uint32_t kHasObjectOffset = 1u << 6;
constexpr std::uint32_t kKnownNodeFlags = (1u << 7) - 1;

// An object: u32 super class id, u32 class id part a, part b, u32 parameter
// count, f32 x 6 its box (min then max, used by dummies), then per
// parameter an i32 id and its value's 4 bytes (i32 or f32, as the class
// keeps that parameter).
constexpr std::size_t kObjectRecordSize = 40;
constexpr std::size_t kParamSize = 8;
// The object offset: four rows of three f32, the fourth the translation.
constexpr std::size_t kObjectOffsetSize = 48;
// A user property: u32 string index of its key, f32 value.
constexpr std::size_t kPropertySize = 8;

}  // namespace brindle::host
