#pragma once
// Whole conversions through the library's exports, from StartConvert to "FinalVideo.AVI", against the
// fake work window.
#include <QTimer>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "Kestrune.h"
#include "arecord2.h"
#include "fakehost.h"
#include "files.h"
#include "image.h"
#include "timer.h"
#include "uCommFunctions.h"
#include "uPPTToVideo.h"

namespace fullrun {

class FullRun : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::App();
    media::TARecord2::SetSystemLines({"Microphone", "Stereo Mix"}, 0);
    delete Convertor;
    if (!CaptureList) CaptureList = new QList<QByteArray>;
    CaptureList->clear();
    AdvanceTickCount = 0;
    CurAdvanceOnClick = CurAdvanceOnTime = false;
    SlideTable.clear();
    PassMainFrmHandlesToDLL(Host.Wnd, Work.BrowserWnd());
  }
  void TearDown() override {
    EndConvert();
    delete Convertor;
    media::TARecord2::ResetSystemLines();
  }

  // A show of three slides: the first advances on a click, the second after a time, the third on a key.
  void PreparePresentation() {
    SlideTable = {{"1", "T", "F", "2"}, {"2", "F", "T", "0.4"}, {"3", "F", "F", "2"}};
    Convertor->FSlideCount = 3;
    Convertor->FIsPPT = true;
    Convertor->FRefPicture->Assign(fakehost::EndPicture());
    Work.Pane->OnSlideShown = [this](int slide) {
      PassCurrProgessToDLL(slide);
      if (slide == 2) QTimer::singleShot(400, Work.Pane, [this] { Work.Pane->Advance(); });
    };
  }

  // Runs until the library reports the end or an error.
  bool Run(int timeoutMs = 60000) {
    StartConvert();
    PassCurrProgessToDLL(1);
    return win::PumpUntil([this] { return Host.Finished(); }, timeoutMs);
  }

  std::vector<std::string> UsableFrames() const {
    std::vector<win::TSearchRec> entries;
    std::vector<std::string> frames;
    win::ListFolder(WorkingFolder(), "*.*", entries);
    for (const win::TSearchRec &entry : entries)
      if (IsUsableFrame(entry)) frames.push_back(entry.Name);
    return frames;
  }

  // The messages' kinds must come in the order the conversion goes through them, their progress never
  // falling, from 1 to 150.
  void ExpectMessagesInOrder() const {
    const std::string frameFolder = WorkingFolder() + "/";
    auto phase = [&](const fakehost::Message &m) {
      if (m.Msg != WM_CONVERT_PROGRESS) return -1;
      if (m.Text == "Creating Picture Files...... ") return 0;
      if (m.Text.empty() || m.Text.rfind("Capture No.", 0) == 0) return 1;
      if (m.Text.rfind(frameFolder, 0) == 0) return 2;
      if (m.Text == "Create Final Video File......") return 3;
      if (m.Text.rfind("File is Being Created", 0) == 0) return 4;
      if (m.Text == "FinalVideo File Is Created,Now Creating Users File !") return 5;
      return -2;
    };
    ASSERT_FALSE(Host.Seen.empty());
    EXPECT_EQ(phase(Host.Seen.front()), 0);
    EXPECT_EQ(Host.Seen.front().LParam, 1);
    int lastPhase = 0, lastProgress = 0, captures = 0;
    for (const fakehost::Message &m : Host.Seen) {
      int p = phase(m);
      ASSERT_GE(p, lastPhase) << "\"" << m.Text << "\" " << m.LParam;
      lastPhase = p;
      if (m.Text.rfind("Capture No.", 0) == 0) {
        EXPECT_EQ(m.Text, "Capture No." + std::to_string(++captures) + "......");
        EXPECT_EQ(m.LParam, 0);
      } else if (m.LParam != 0) {
        EXPECT_GE(m.LParam, lastProgress) << m.Text;
        lastProgress = int(m.LParam);
      }
    }
    EXPECT_EQ(captures, Convertor->FCaptureCount);
    EXPECT_EQ(Host.Seen.back().LParam, 150);
    EXPECT_EQ(phase(Host.Seen.back()), 5);
  }

  fakehost::WithApp App;
  testsupport::FreshPlaces Places;
  fakehost::Receiver Host;
  fakehost::FakeWorkWindow Work;
};

}  // namespace fullrun
