#pragma once
// The image decoder: a JPEG file to a 24-bit pixel array.
#include <string>

#include "pixelarray.h"

namespace media {

class TImageFile {
public:
  // Reads the whole file; throws EMediaError when it is missing or holds no JPEG picture. The pixels
  // are decoded when first asked for (a stream damaged past its header fails then).
  TPixelArray LoadFileAsPixels(const std::string &path) const;
};

}  // namespace media
