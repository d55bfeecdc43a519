#pragma once
// Fixed parts of the AVI layout shared by the writer and the reader.
#include <cstdint>

#include "riff.h"

namespace media::avi {

constexpr std::uint32_t kAvihSize = 56;
constexpr std::uint32_t kStrhSize = 56;
constexpr std::uint32_t kBitmapInfoSize = 40;
constexpr std::uint32_t kWaveFormatSize = 16;
constexpr std::uint32_t kDmlhSize = 248;
constexpr std::uint32_t kSuperIndexCapacity = 256;
constexpr std::uint32_t kIndexHeaderSize = 24;  // after the chunk header, for both index kinds

constexpr std::uint32_t AVIF_HASINDEX = 0x10;
constexpr std::uint32_t AVIF_ISINTERLEAVED = 0x100;
constexpr std::uint32_t AVIF_TRUSTCKTYPE = 0x800;
constexpr std::uint32_t AVIIF_KEYFRAME = 0x10;
constexpr std::uint8_t AVI_INDEX_OF_INDEXES = 0;
constexpr std::uint8_t AVI_INDEX_OF_CHUNKS = 1;

constexpr std::uint32_t kVideoChunk = riff::FourCC("00dc");
constexpr std::uint32_t kAudioChunk = riff::FourCC("01wb");
constexpr std::uint32_t kMJPG = riff::FourCC("MJPG");

}  // namespace media::avi
