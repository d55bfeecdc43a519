#include "audiotransform.h"

#include <algorithm>
#include <cmath>

namespace media {

TSoundBlock TAudioTransform::Mix(const TSoundBlock &a, double volumeA, const TSoundBlock &b, double volumeB) const {
  const double ga = volumeA / 100.0;
  const double gb = volumeB / 100.0;
  TSoundBlock out(std::max(a.size(), b.size()));
  for (std::size_t i = 0; i < out.size(); ++i) {
    double sum = (i < a.size() ? a[i] * ga : 0.0) + (i < b.size() ? b[i] * gb : 0.0);
    if (!(sum == sum)) sum = 0;  // NaN volumes mix to silence
    out[i] = std::int16_t(std::lround(std::clamp(sum, -32768.0, 32767.0)));
  }
  return out;
}

}  // namespace media
