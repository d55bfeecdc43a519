// The recorder and the player on a real sound server: run under tests/support/with_sound_server.sh,
// whose null sink sits idle until something plays, as a desktop's does.
#include <QCoreApplication>
#include <QEventLoop>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "arecord2.h"
#include "soundserver.h"
#include "testfolder.h"

using namespace media;
using namespace std::chrono_literals;

namespace {

QCoreApplication &App() {
  static int argc = 1;
  static char name[] = "soundserver_test";
  static char *argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  return *QCoreApplication::instance();
}

void RunUntil(sound::TClock::time_point end) {
  App();
  while (sound::TClock::now() < end) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}

// A raw 1 kHz tone of `seconds` at 44100 Hz, 16-bit stereo.
std::string Tone(const TestFolder &folder, double seconds) {
  std::string path = folder.Path("tone.raw");
  std::ofstream out(path, std::ios::binary);
  for (int i = 0; i < int(44100 * seconds); ++i) {
    auto s = std::int16_t(12000 * std::sin(2 * M_PI * 1000 * i / 44100.0));
    for (int c = 0; c < 2; ++c) out.write(reinterpret_cast<const char *>(&s), 2);
  }
  return path;
}

double Seconds(sound::TClock::duration d) { return std::chrono::duration<double>(d).count(); }

// Start and end of the first loud stretch, in seconds from the recording's start; -1 when silent.
std::pair<double, double> LoudStretch(const std::vector<std::int16_t> &samples) {
  double first = -1, last = -1;
  for (std::size_t i = 0; i < samples.size(); i += 2)
    if (std::abs(samples[i]) > 3000) {
      if (first < 0) first = double(i / 2) / 44100;
      last = double(i / 2) / 44100;
    }
  return {first, last};
}

}  // namespace

TEST(RecorderOnASoundServer, WhatPlaysLiesWhereItWasHeardAlsoWhenTheServerAnswersLate) {
  App();
  TestFolder folder;
  const std::string tone = Tone(folder, 0.3);
  std::string why;
  auto player = sound::TServer::Connect("player", &why);
  ASSERT_TRUE(player) << why;

  TARecord2::ResetSystemLines();
  TARecord2 rec;
  rec.SelectLine(0);  // Stereo Mix: the monitor of the speakers
  rec.MakeSource(-1);
  rec.SetRecordingFormat(44100, 2);
  rec.SetBlockSize(rec.BlockSizeForDuration(200));
  std::vector<std::int16_t> recorded;
  rec.OnEndArrayRecord = [&] {
    TSoundBlock block = rec.RecordedBlock();
    recorded.insert(recorded.end(), block.begin(), block.end());
  };
  const auto started = sound::TClock::now();
  rec.Start();
  // The idle sink's monitor sends nothing at first; then a tone plays.
  RunUntil(started + 2s);
  const double played = Seconds(sound::TClock::now() - started);
  ASSERT_NE(player->Play(tone, false), 0);
  RunUntil(started + 3s);
  EXPECT_FALSE(player->Playing(1));
  rec.Stop();
  const double ran = Seconds(sound::TClock::now() - started);

  EXPECT_NEAR(double(recorded.size() / 2) / 44100, ran, 0.03);
  auto [from, to] = LoudStretch(recorded);
  EXPECT_GE(from, played - 0.03);
  EXPECT_LE(from, played + 0.1) << "played at " << played << " s";
  EXPECT_NEAR(to - from, 0.3, 0.03);
}

TEST(PlayerOnASoundServer, LoopsUntilStoppedAndAnUnreadableFileDoesNotPlay) {
  TestFolder folder;
  const std::string tone = Tone(folder, 0.1);
  auto player = sound::TServer::Connect("player");
  ASSERT_TRUE(player);
  EXPECT_EQ(player->Play(folder.Path("missing.raw"), false), 0);
  int looping = player->Play(tone, true);
  ASSERT_NE(looping, 0);
  RunUntil(sound::TClock::now() + 400ms);
  EXPECT_TRUE(player->Playing(looping));
  player->Stop(looping);
  EXPECT_FALSE(player->Playing(looping));
  player->Stop(looping);  // twice is harmless
}
