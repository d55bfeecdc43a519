// "profiles.qev" as choosing a profile reads it: each profile's block fills the lists, and the
// encoder option pieces are built from what it gave at every quality. A bitrate that is no number
// ends the step with the conversion error the user is shown, as it does in the program.
#include <algorithm>

#include "fuzz_form.h"

namespace {

// Pieces are joined into one command line by plain concatenation.
bool Piece(const std::string &piece) { return piece.empty() || piece.front() == ' '; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz::Form();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  Tfm_main &form = fuzz::Form();
  const std::string text = fuzz::Text(data, size);
  fuzz::WriteProgramFile("profiles.qev", text);
  // Every profile the file reaches, and the first one it does not.
  const long long blocks = std::count(text.begin(), text.end(), '\n') / 4 + 1;
  for (int n = 1; n <= std::min(132LL, blocks + 1); ++n) {
    Main.SelProfile = n;
    try {
      form.SelectProfile(n);
    } catch (const std::runtime_error &) {
    }
    for (int quality = 0; quality < 5; ++quality) {
      form.cb_videobitrate->SetItemIndex(quality);
      form.cb_audiobitrate->SetItemIndex(quality);
      try {
        form.TotalBitrateKbps();
        const std::string size = form.SizeArgument(), audio = form.AudioBitrateArgument();
        FUZZ_CHECK(Piece(size) && Piece(form.AspectArgument(size)) && Piece(form.VideoBitrateArgument()) &&
                   Piece(audio) && Piece(form.SampleRateArgument(audio)));
      } catch (const std::runtime_error &) {
      }
    }
  }
  return 0;
}
