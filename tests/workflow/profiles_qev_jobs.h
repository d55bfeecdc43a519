#pragma once
// The shipped profile data file read line by line, and encoder jobs filled for its profiles the way
// the batch driver fills them: the profile selected on the main form, the first listed size ("PAL"
// for the disc targets), "Normal" video and audio quality, "Stereo".
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "convertTh.h"
#include "main.h"
#include "paths.h"

namespace profiles_qev {

inline std::string ReadAll(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Lines as the program counts them: ended by LF or CR LF.
inline std::vector<std::string> SplitLines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

inline std::string ProgramFile() { return win::ProgramFolder() + "profiles.qev"; }
inline std::string SourceFile() { return std::string(VANTREL_SOURCE_DIR) + "/data/profiles.qev"; }

// Line k (0..3) of profile n's block in the shipped file.
inline std::string BlockLine(int n, int k) {
  static const std::vector<std::string> lines = SplitLines(ReadAll(ProgramFile()));
  const std::size_t index = 4 * static_cast<std::size_t>(n - 1) + static_cast<std::size_t>(k);
  return index < lines.size() ? lines[index] : std::string("<missing line>");
}

inline bool Described(int n) { return Tfm_main::ProfileDescription(n) != nullptr; }
inline bool AudioOnly(int n) { return BlockLine(n, 2) == "*"; }

inline std::vector<int> DescribedProfiles() {
  std::vector<int> numbers;
  for (int n = 1; n <= 132; ++n)
    if (Described(n)) numbers.push_back(n);
  return numbers;
}

// A size item without the text that may follow it in brackets.
inline std::string SizeOfItem(const std::string &item) { return item.substr(0, item.find('(')); }

// What the disc targets make of "PAL".
inline std::string PalTargetSize(int n) {
  switch (n) {
    case 112: return "352x288";
    case 113: return "480x576";
    default: return "720x576";
  }
}

// The items the form design gives the quality and channel lists, for a form that does not hold
// them yet.
inline void EnsureDesignItems(Tfm_main &form) {
  static const char *const qualities[] = {"Higher Quality", "High Quality", "Normal", "Low Quality",
                                          "Lower Quality"};
  for (TComboBox *list : {form.cb_videobitrate, form.cb_audiobitrate})
    if (list->Items().Count() == 0)
      for (const char *item : qualities) list->Add(item);
  if (form.cb_channel->Items().Count() == 0) {
    form.cb_channel->Add("Mono");
    form.cb_channel->Add("Stereo");
  }
}

// Selects profile n as the chooser does, makes the test's choices and fills a copy of the job with
// the option pieces in the callers' order. The output goes to Folder as "profile <n>" with the
// profile's extension.
inline intputrec JobFor(Tfm_main &form, int n, const std::string &input, const std::string &folder) {
  Main.SelProfile = n;
  form.SelectProfile(n);
  form.cb_size->SetItemIndex(Tfm_main::IsDiscTarget(n) ? form.cb_size->Items().IndexOf("PAL") : 0);
  // An audio-only profile keeps its disabled "No Video".
  if (form.cb_videobitrate->Enabled()) form.cb_videobitrate->SetItemIndex(2);
  form.cb_audiobitrate->SetItemIndex(2);
  form.cb_channel->SetItemIndex(1);

  intputrec job = Main.EncoderJob;
  job.InputFile = input;
  job.OutputFile = folder + "/profile " + std::to_string(n) + form.OutputExtension();
  job.SizeArg = form.SizeArgument();
  job.AspectArg = form.AspectArgument(job.SizeArg);
  job.VideoRateArg = form.VideoBitrateArgument();
  job.AudioBitrateArg = form.AudioBitrateArgument();
  job.DurationSecs = 2;
  job.SampleRateArg = form.SampleRateArgument(job.AudioBitrateArg);
  job.ChannelsArg = form.ChannelsArgument();
  if (Tfm_main::IsDiscTarget(n)) job.ProfileOptions = form.TargetOptions();
  job.StartArg.clear();
  job.LengthArg.clear();
  return job;
}

}  // namespace profiles_qev
