#pragma once
// A block of sound: interleaved signed 16-bit samples, one unit being one sample of every channel.
#include <cstdint>
#include <vector>

namespace media {

using TSoundBlock = std::vector<std::int16_t>;

// The highest index of a block; below 0 for an empty block (end of data).
template <typename T>
int UpperBound(const std::vector<T> &block) {
  return static_cast<int>(block.size()) - 1;
}

// Format code of 16-bit PCM in the components' format calls.
constexpr int kPcm16 = 128;

}  // namespace media
