// A presentation file (.ppt, .pps, .pot: compound file and records) as POWERPNT.EXE's automation
// answers for it: every answer is one protocol line, and a file that opens gives a transition for
// each slide it counts. The show's sounds are read from it too: damaged records are refused, and
// every sound a slide starts is one the presentation holds.
#include "automation_session.h"
#include "fuzz_support.h"
#include "pptsounds.h"

namespace {

bool ProtocolLine(const std::string &answer) {
  return (answer == "ok" || answer.rfind("ok ", 0) == 0 || answer.rfind("error ", 0) == 0) &&
         answer.find_first_of("\r\n") == std::string::npos;
}

void ReadSounds(const std::string &path) {
  ppt::TShowSounds show;
  try {
    show = ppt::ReadPresentationSounds(ppt::TCompoundFile(ppt::FileSource(path)));
  } catch (const ppt::EFormatError &) {
    return;
  }
  for (const ppt::TSlideSounds &slide : show.Slides) {
    if (slide.Transition) FUZZ_CHECK(slide.Transition->Sound < show.Sounds.size());
    for (const ppt::TSoundCue &cue : slide.Automatic) FUZZ_CHECK(cue.Sound < show.Sounds.size() && cue.DelayMs >= 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string path = fuzz::WriteInput("deck.ppt", fuzz::Text(data, size));
  ReadSounds(path);
  ppt::TAutomationSession session;
  const std::string opened = session.Handle("open 1 0 0 " + path);
  FUZZ_CHECK(ProtocolLine(opened));
  if (opened.rfind("ok ", 0) != 0) return 0;

  const std::string count = session.Handle("count");
  FUZZ_CHECK(count == opened);
  int slides = 0;
  FUZZ_CHECK(ppt::ParseInt(count.substr(3), slides) && slides >= 0);
  for (int i = 1; i <= slides; ++i) {
    const std::string transition = session.Handle("transition " + std::to_string(i));
    FUZZ_CHECK(transition.rfind("ok ", 0) == 0 && ProtocolLine(transition));
  }
  FUZZ_CHECK(session.Handle("transition " + std::to_string(slides + 1)).rfind("error ", 0) == 0);
  FUZZ_CHECK(session.Handle("close") == "ok");
  return 0;
}
