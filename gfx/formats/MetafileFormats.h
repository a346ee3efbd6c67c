// The two metafile file formats: enhanced (".emf") and old-style (".wmf",
// with or without the placeable header). Reading validates the record
// framing of the whole file before anything is kept; the records' contents
// are checked again when they are played back.
#pragma once

#include "gfx/metafile/MetafileData.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace pictor {

// Record types and signatures the readers and writers share.
inline constexpr std::uint32_t kEmrHeader = 1;
inline constexpr std::uint32_t kEmrEof = 14;
inline constexpr std::uint32_t kEmfSignature = 0x464D4520; // " EMF"
inline constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
inline constexpr std::size_t kEmfMinHeaderSize = 88;
inline constexpr std::size_t kWmfHeaderSize = 18;
inline constexpr std::size_t kPlaceableHeaderSize = 22;

bool LooksLikeEmf(std::span<const std::uint8_t> bytes);
bool LooksLikeWmf(std::span<const std::uint8_t> bytes);

// A metafile's data from a whole file; raises EInvalidGraphic (with a detail)
// when the file cannot be taken. A file cut short keeps its complete records.
std::shared_ptr<TMetafile::TData> ReadEmf(std::span<const std::uint8_t> bytes);
std::shared_ptr<TMetafile::TData> ReadWmf(std::span<const std::uint8_t> bytes);

// The enhanced stream of data with its header brought up to date (frame,
// sizes, record count, palette in the end record).
std::vector<std::uint8_t> WriteEmf(const TMetafile::TData& data);

// A placeable old-style file. An enhanced metafile is converted first.
std::vector<std::uint8_t> WriteWmf(const TMetafile::TData& data);

// The units per inch a placeable header gets for a metafile whose Inch is
// inch: the value itself when it resolves the picture at least as finely as
// the screen, else the screen's 96 (also for 0).
int PlaceableUnitsPerInch(int inch);

} // namespace pictor
