#pragma once
// Every failed operation of the multimedia components throws this, as a checked component call would.
#include <stdexcept>

namespace media {

struct EMediaError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace media
