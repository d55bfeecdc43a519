#pragma once
// The mixer: adds two sound blocks at given volumes.
#include "soundblock.h"

namespace media {

class TAudioTransform {
public:
  // Volumes are percent (100.0 keeps a block as it is). The result is as long as the longer block;
  // sums beyond the 16-bit range saturate instead of wrapping.
  TSoundBlock Mix(const TSoundBlock &a, double volumeA, const TSoundBlock &b, double volumeB) const;
};

}  // namespace media
