#include "audiotransform.h"

#include <gtest/gtest.h>

using namespace media;

TEST(Mixer, AddsBlocksAtFullVolume) {
  const TSoundBlock mixed = TAudioTransform().Mix({100, -200, 300, 0}, 100.0, {1, 2, -3, -4}, 100.0);
  EXPECT_EQ(mixed, (TSoundBlock{101, -198, 297, -4}));
}

TEST(Mixer, SaturatesInsteadOfWrapping) {
  const TSoundBlock mixed = TAudioTransform().Mix({30000, -30000, 32767, -32768}, 100.0, {10000, -10000, 1, -1}, 100.0);
  EXPECT_EQ(mixed, (TSoundBlock{32767, -32768, 32767, -32768}));
}

TEST(Mixer, ScalesByVolumeInPercent) {
  const TSoundBlock mixed = TAudioTransform().Mix({1000, 1000}, 50.0, {0, 400}, 25.0);
  EXPECT_EQ(mixed, (TSoundBlock{500, 600}));
}

TEST(Mixer, ResultIsAsLongAsTheLongerBlock) {
  TAudioTransform mixer;
  EXPECT_EQ(mixer.Mix({1, 2}, 100.0, {10, 20, 30, 40}, 100.0), (TSoundBlock{11, 22, 30, 40}));
  EXPECT_EQ(mixer.Mix({5, 6, 7}, 100.0, {}, 100.0), (TSoundBlock{5, 6, 7}));
  EXPECT_TRUE(mixer.Mix({}, 100.0, {}, 100.0).empty());
}
