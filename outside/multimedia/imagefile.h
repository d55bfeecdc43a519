#pragma once
// The image decoder: a JPEG file to a 24-bit pixel array.
#include <string>

#include "pixelarray.h"

namespace media {

class TImageFile {
public:
  // Reads and decodes the whole file; throws EMediaError when it is missing or no JPEG picture.
  TPixelArray LoadFileAsPixels(const std::string &path) const;
};

}  // namespace media
