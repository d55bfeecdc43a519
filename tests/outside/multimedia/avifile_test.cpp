#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "avi_layout.h"
#include "avireader.h"
#include "avitestdata.h"
#include "aviwriter.h"
#include "mediaerror.h"
#include "riff.h"
#include "testfolder.h"

using namespace media;

namespace {

std::vector<std::uint8_t> ReadAll(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void PrepareFinalWriter(TAviWriter &w, double rate) {
  w.SetInterleave(-1);
  w.SetWithSound(-1);
  w.SetVideoInputFormat(640, 480, rate);
  w.SetSoundInputFormat(44100, 2);
  w.SetVideoOutputFormat(640, 480, rate);
  w.SetSoundOutputFormat(kPcm16, 44100, 2);
  w.SelectCodec(TAviWriter::kCodecMotionJpeg);
}

struct Written {
  std::vector<std::vector<std::uint8_t>> Frames;
  TSoundBlock Sound;
};

// Frame k, then a second of sound, in turn, as a capture program hands them over.
Written WriteFinal(const std::string &path, int frames, int soundUnits, double rate, std::int64_t riffLimit = 0) {
  Written out;
  TAviWriter w;
  PrepareFinalWriter(w, rate);
  if (riffLimit) w.SetRiffSizeLimit(riffLimit);
  w.CreateFile(path, 1);
  int soundAt = 0;
  for (int k = 0; k < frames || soundAt < soundUnits; ++k) {
    if (k < frames) {
      out.Frames.push_back(NumberedFrame(k));
      w.WriteJpegFrame(out.Frames.back().data(), out.Frames.back().size());
    }
    if (soundAt < soundUnits) {
      const int n = std::min(44100, soundUnits - soundAt);
      TSoundBlock block = Tone(n, soundAt);
      w.WriteSoundBlock(block);
      out.Sound.insert(out.Sound.end(), block.begin(), block.end());
      soundAt += n;
    }
  }
  w.CloseFile();
  return out;
}

struct ChunkSeen {
  std::uint32_t Id;
  std::uint32_t Size;
};

// Every chunk inside the "movi" lists, in file order, and the top-level RIFF forms.
std::vector<ChunkSeen> WalkMovi(const std::vector<std::uint8_t> &f, std::vector<std::uint32_t> *forms = nullptr) {
  std::vector<ChunkSeen> seen;
  std::size_t pos = 0;
  while (pos + 12 <= f.size()) {
    const std::uint32_t riffSize = riff::Get32(&f[pos + 4]);
    if (forms) forms->push_back(riff::Get32(&f[pos + 8]));
    const std::size_t end = pos + 8 + riffSize;
    std::size_t at = pos + 12;
    while (at + 8 <= end) {
      const std::uint32_t id = riff::Get32(&f[at]), size = riff::Get32(&f[at + 4]);
      if (id == riff::FourCC("LIST") && riff::Get32(&f[at + 8]) == riff::FourCC("movi")) {
        for (std::size_t c = at + 12; c + 8 <= at + 8 + size;) {
          const std::uint32_t cid = riff::Get32(&f[c]), csize = riff::Get32(&f[c + 4]);
          seen.push_back({cid, csize});
          c += 8 + csize + (csize & 1);
        }
      }
      at += 8 + size + (size & 1);
    }
    pos = end;
  }
  return seen;
}

}  // namespace

TEST(AviFile, FramesAndSoundReadBackUnchanged) {
  TestFolder dir;
  const std::string path = dir.Path("FinalVideo.AVI");
  const Written w = WriteFinal(path, 10, 44100 * 2 + 1234, 12.5);

  TAviReader r;
  r.OpenFile(path);
  EXPECT_EQ(r.Length(), 10);
  EXPECT_EQ(r.Width(), 640);
  EXPECT_EQ(r.Height(), 480);
  EXPECT_DOUBLE_EQ(r.FrameRate(), 12.5);
  EXPECT_EQ(r.Rate(), 25u);
  EXPECT_EQ(r.Scale(), 2u);
  EXPECT_EQ(r.VideoCodec(), "MJPG");
  EXPECT_TRUE(r.HasAudio());
  EXPECT_EQ(r.AudioChannels(), 2);
  EXPECT_EQ(r.AudioSampleRate(), 44100);
  EXPECT_EQ(r.AudioBitsPerSample(), 16);
  EXPECT_EQ(r.AudioLength(), 44100 * 2 + 1234);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(r.ReadFrameJpeg(k), w.Frames[std::size_t(k)]) << k;

  TSoundBlock sound;
  for (TSoundBlock b = r.ReadSoundBlock(44100); !b.empty(); b = r.ReadSoundBlock(44100)) {
    EXPECT_LE(b.size(), 88200u);
    sound.insert(sound.end(), b.begin(), b.end());
  }
  EXPECT_EQ(sound, w.Sound);
}

TEST(AviFile, ReadsFramesInOrderUntilAnEmptyOne) {
  TestFolder dir;
  const std::string path = dir.Path("FinalVideo.AVI");
  const Written w = WriteFinal(path, 3, 0, 20);
  TAviReader r;
  r.OpenFile(path);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(r.Position(), k);
    const TPixelArray frame = r.ReadNextVideoFrame();
    ASSERT_FALSE(frame.Empty());
    EXPECT_EQ(frame.Jpeg(), w.Frames[std::size_t(k)]);
    EXPECT_EQ(frame.Pixels().size(), 640u * 480 * 3);
  }
  EXPECT_TRUE(r.ReadNextVideoFrame().Empty());
  EXPECT_EQ(r.Position(), 3);
}

TEST(AviFile, FramesOnlyFileStillReportsTheRecordersSoundFormat) {
  TestFolder dir;
  const std::string path = dir.Path("OutVideo.AVI");
  TAviWriter w;
  for (int i = 1; i <= w.CodecCount(); ++i) w.SelectCodec(i);
  w.SetInterleave(-1);
  w.SetWithSound(0);
  w.SetVideoInputFormat(640, 480, 9.0);
  w.SetVideoOutputFormat(640, 480, 9.0);
  w.SelectCodec(14);
  w.CreateFile(path, 1);
  const auto frame = NumberedFrame(1);
  w.WriteJpegFrame(frame.data(), frame.size());
  EXPECT_THROW(w.WriteSoundBlock(Tone(100)), EMediaError);
  w.CloseFile();

  TAviReader r;
  r.OpenFile(path);
  EXPECT_FALSE(r.HasAudio());
  EXPECT_EQ(r.AudioChannels(), 2);
  EXPECT_EQ(r.AudioSampleRate(), 44100);
  EXPECT_TRUE(r.ReadSoundBlock(22050).empty());
  EXPECT_EQ(r.Length(), 1);
  EXPECT_DOUBLE_EQ(r.FrameRate(), 9.0);
}

TEST(AviFile, PicturesOfAnotherSizeAreFittedToTheOutputSize) {
  TestFolder dir;
  const std::string path = dir.Path("OutVideo.AVI");
  QImage capture(800, 600, QImage::Format_RGB32);
  capture.fill(qRgb(200, 30, 60));
  TAviWriter w;
  w.SetVideoOutputFormat(640, 480, 10);
  w.CreateFile(path, 1);
  w.WriteVideoFrame(TPixelArray::FromImage(capture));                          // pixels
  w.WriteVideoFrame(TPixelArray::FromJpeg(JpegCompress(capture, 100)));       // a JPEG stream of 800x600
  const auto small = NumberedFrame(3, 320, 240);
  w.WriteJpegFrame(small.data(), small.size());
  EXPECT_THROW(w.WriteVideoFrame(TPixelArray()), EMediaError);
  w.CloseFile();

  TAviReader r;
  r.OpenFile(path);
  ASSERT_EQ(r.Length(), 3);
  for (int k = 0; k < 3; ++k) {
    std::vector<std::uint8_t> data = r.ReadFrameJpeg(k);
    int fw = 0, fh = 0;
    ASSERT_TRUE(JpegImageSize(data.data(), data.size(), fw, fh));
    EXPECT_EQ(fw, 640);
    EXPECT_EQ(fh, 480);
  }
  const TPixelArray first = r.ReadNextVideoFrame();
  const std::uint8_t *p = first.Pixels().data() + (240 * 640 + 320) * 3;
  EXPECT_NEAR(p[0], 200, 6);
  EXPECT_NEAR(p[1], 30, 6);
  EXPECT_NEAR(p[2], 60, 6);
}

TEST(AviFile, EqualCapturesAreFittedOnceAndStoredForEveryFrame) {
  TestFolder dir;
  QImage red(800, 600, QImage::Format_RGB32), blue(800, 600, QImage::Format_RGB32);
  red.fill(qRgb(210, 20, 30));
  blue.fill(qRgb(20, 30, 210));
  const std::vector<std::uint8_t> redJpeg = JpegCompress(red, 100), blueJpeg = JpegCompress(blue, 100);
  TAviWriter w;
  w.SetVideoOutputFormat(640, 480, 20);
  w.CreateFile(dir.Path("OutVideo.AVI"), 1);
  w.WriteVideoFrame(TPixelArray::FromJpeg(redJpeg));
  w.WriteVideoFrame(TPixelArray::FromJpeg(redJpeg));  // the same bytes, read from another file
  w.WriteVideoFrame(TPixelArray::FromImage(blue));    // pixels between two equal captures
  w.WriteVideoFrame(TPixelArray::FromJpeg(redJpeg));
  w.WriteVideoFrame(TPixelArray::FromJpeg(blueJpeg));
  w.CloseFile();

  TAviReader r;
  r.OpenFile(dir.Path("OutVideo.AVI"));
  ASSERT_EQ(r.Length(), 5);
  auto centre = [&](int k) { return TPixelArray::FromJpeg(r.ReadFrameJpeg(k)).ToImage().pixelColor(320, 240); };
  EXPECT_EQ(r.ReadFrameJpeg(1), r.ReadFrameJpeg(0));
  EXPECT_EQ(r.ReadFrameJpeg(3), r.ReadFrameJpeg(0));
  for (int k : {0, 3}) EXPECT_GT(centre(k).red(), 180) << "frame " << k;
  for (int k : {2, 4}) EXPECT_GT(centre(k).blue(), 180) << "frame " << k;

  // A new file of another size never takes the last file's fitted picture.
  w.SetVideoOutputFormat(320, 240, 20);
  w.CreateFile(dir.Path("Small.AVI"), 1);
  w.WriteVideoFrame(TPixelArray::FromJpeg(blueJpeg));
  w.CloseFile();
  TAviReader small;
  small.OpenFile(dir.Path("Small.AVI"));
  const std::vector<std::uint8_t> frame = small.ReadFrameJpeg(0);
  int fw = 0, fh = 0;
  ASSERT_TRUE(JpegImageSize(frame.data(), frame.size(), fw, fh));
  EXPECT_EQ(fw, 320);
  EXPECT_EQ(fh, 240);
}

TEST(AviFile, FrameCopiedFromOneFileToAnotherKeepsItsBytes) {
  TestFolder dir;
  const Written w = WriteFinal(dir.Path("OutVideo.AVI"), 4, 0, 15);
  TAviReader r;
  r.OpenFile(dir.Path("OutVideo.AVI"));
  TAviWriter copy;
  copy.SetVideoOutputFormat(r.Width(), r.Height(), r.FrameRate());
  copy.CreateFile(dir.Path("FinalVideo.AVI"), 1);
  for (TPixelArray f = r.ReadNextVideoFrame(); !f.Empty(); f = r.ReadNextVideoFrame()) copy.WriteVideoFrame(f);
  copy.CloseFile();
  EXPECT_EQ(copy.Rate(), 15u);
  EXPECT_EQ(copy.Scale(), 1u);
  TAviReader back;
  back.OpenFile(dir.Path("FinalVideo.AVI"));
  for (int k = 0; k < 4; ++k) EXPECT_EQ(back.ReadFrameJpeg(k), w.Frames[std::size_t(k)]);
}

TEST(AviFile, SmallRiffLimitContinuesInExtensionLists) {
  TestFolder dir;
  const std::string path = dir.Path("FinalVideo.AVI");
  const Written w = WriteFinal(path, 40, 44100 * 3, 12.5, 64 * 1024);
  const std::vector<std::uint8_t> f = ReadAll(path);
  std::vector<std::uint32_t> forms;
  WalkMovi(f, &forms);
  ASSERT_GT(forms.size(), 2u);
  EXPECT_EQ(forms[0], riff::FourCC("AVI "));
  for (std::size_t i = 1; i < forms.size(); ++i) EXPECT_EQ(forms[i], riff::FourCC("AVIX"));

  TAviReader r;
  r.OpenFile(path);
  EXPECT_EQ(r.RiffCount(), int(forms.size()));
  ASSERT_EQ(r.Length(), 40);
  for (int k = 0; k < 40; ++k) EXPECT_EQ(r.ReadFrameJpeg(k), w.Frames[std::size_t(k)]) << k;
  TSoundBlock sound;
  for (TSoundBlock b = r.ReadSoundBlock(44100); !b.empty(); b = r.ReadSoundBlock(44100))
    sound.insert(sound.end(), b.begin(), b.end());
  EXPECT_EQ(sound, w.Sound);
}

TEST(AviFile, HeadersCountEveryFrameAndTheFirstRiffOnItsOwn) {
  TestFolder dir;
  const std::string path = dir.Path("FinalVideo.AVI");
  WriteFinal(path, 30, 0, 10, 64 * 1024);
  const std::vector<std::uint8_t> f = ReadAll(path);
  // avih's frame count covers the first RIFF list; the stream header and dmlh cover the file.
  const std::uint32_t avihFrames = riff::Get32(&f[12 + 12 + 8 + 16]);
  std::vector<std::uint32_t> forms;
  WalkMovi(f, &forms);
  // Frames in the first RIFF list: video chunks before its end.
  std::uint32_t firstRiffFrames = 0;
  const std::size_t firstEnd = 8 + riff::Get32(&f[4]);
  for (std::size_t at = 12; at + 8 <= firstEnd;) {
    const std::uint32_t id = riff::Get32(&f[at]), size = riff::Get32(&f[at + 4]);
    if (id == riff::FourCC("LIST") && riff::Get32(&f[at + 8]) == riff::FourCC("movi"))
      for (std::size_t c = at + 12; c + 8 <= at + 8 + size;) {
        const std::uint32_t cs = riff::Get32(&f[c + 4]);
        if (riff::Get32(&f[c]) == avi::kVideoChunk) ++firstRiffFrames;
        c += 8 + cs + (cs & 1);
      }
    at += 8 + size + (size & 1);
  }
  EXPECT_GT(forms.size(), 1u);
  EXPECT_EQ(avihFrames, firstRiffFrames);
  EXPECT_LT(firstRiffFrames, 30u);
  const auto dmlh = std::search(f.begin(), f.end(), std::begin("dmlh"), std::end("dmlh") - 1);
  ASSERT_NE(dmlh, f.end());
  EXPECT_EQ(riff::Get32(&*(dmlh + 8)), 30u);
}

TEST(AviFile, IndexesPointAtEveryChunk) {
  TestFolder dir;
  const std::string path = dir.Path("FinalVideo.AVI");
  WriteFinal(path, 40, 44100 * 3 + 100, 12.5, 64 * 1024);
  const std::vector<std::uint8_t> f = ReadAll(path);
  const auto chunkAt = [&](std::uint64_t pos, std::uint32_t id, std::uint32_t size) {
    return pos + 8 <= f.size() && riff::Get32(&f[pos]) == id && riff::Get32(&f[pos + 4]) == size;
  };
  const std::size_t movi = std::search(f.begin(), f.end(), std::begin("movi"), std::end("movi") - 1) - f.begin();
  ASSERT_LT(movi, f.size());

  // One super index per stream in the header, each entry naming a standard index chunk.
  std::vector<std::size_t> supers;
  for (std::size_t at = 0; at + 4 < movi; ++at)
    if (riff::Get32(&f[at]) == riff::FourCC("indx")) supers.push_back(at);
  ASSERT_EQ(supers.size(), 2u);
  const std::uint32_t ids[2] = {avi::kVideoChunk, avi::kAudioChunk};
  const std::uint64_t totals[2] = {40, 44100 * 3 + 100};
  for (int s = 0; s < 2; ++s) {
    const std::uint8_t *h = &f[supers[std::size_t(s)] + 8];
    EXPECT_EQ(riff::Get16(h), 4);
    EXPECT_EQ(h[3], avi::AVI_INDEX_OF_INDEXES);
    EXPECT_EQ(riff::Get32(h + 8), ids[s]);
    const std::uint32_t used = riff::Get32(h + 4);
    EXPECT_GT(used, 1u);
    std::uint64_t duration = 0;
    for (std::uint32_t e = 0; e < used; ++e) {
      const std::uint8_t *entry = h + 24 + 16 * e;
      const std::uint64_t ix = riff::Get64(entry);
      const std::uint32_t ixSize = riff::Get32(entry + 8);
      duration += riff::Get32(entry + 12);
      ASSERT_TRUE(chunkAt(ix, s == 0 ? riff::FourCC("ix00") : riff::FourCC("ix01"), ixSize - 8));
      const std::uint8_t *std = &f[ix + 8];
      EXPECT_EQ(std[3], avi::AVI_INDEX_OF_CHUNKS);
      EXPECT_EQ(riff::Get32(std + 8), ids[s]);
      const std::uint64_t base = riff::Get64(std + 12);
      std::uint64_t units = 0;
      for (std::uint32_t n = 0; n < riff::Get32(std + 4); ++n) {
        const std::uint32_t off = riff::Get32(std + 24 + 8 * n), size = riff::Get32(std + 28 + 8 * n);
        EXPECT_EQ(size & 0x80000000u, 0u);  // key frame
        ASSERT_TRUE(chunkAt(base + off - 8, ids[s], size)) << "stream " << s << " entry " << n;
        units += s == 0 ? 1 : size / 4;
      }
      EXPECT_EQ(units, riff::Get32(entry + 12));
    }
    EXPECT_EQ(duration, totals[s]);
  }

  // The old index covers the first RIFF list, by offsets from the "movi" tag.
  const std::size_t idx1 = 8 + riff::Get32(&f[4]);
  std::size_t at = 12;
  std::size_t found = 0;
  while (at + 8 < idx1) {
    const std::uint32_t id = riff::Get32(&f[at]), size = riff::Get32(&f[at + 4]);
    if (id == riff::FourCC("idx1")) {
      found = at;
      break;
    }
    at += (id == riff::FourCC("LIST") ? 8 + size : 8 + size + (size & 1));
  }
  ASSERT_NE(found, 0u);
  const std::uint32_t entries = riff::Get32(&f[found + 4]) / 16;
  EXPECT_GT(entries, 0u);
  for (std::uint32_t n = 0; n < entries; ++n) {
    const std::uint8_t *e = &f[found + 8 + 16 * n];
    EXPECT_EQ(riff::Get32(e + 4), avi::AVIIF_KEYFRAME);
    ASSERT_TRUE(chunkAt(movi + riff::Get32(e + 8), riff::Get32(e), riff::Get32(e + 12))) << n;
  }
}

TEST(AviFile, SoundIsSpreadBetweenTheFramesByTime) {
  TestFolder dir;
  const std::string path = dir.Path("FinalVideo.AVI");
  {
    TAviWriter w;
    PrepareFinalWriter(w, 10);
    w.CreateFile(path, 1);
    w.WriteSoundBlock(Tone(44100 * 4));  // the whole sound before any frame
    for (int k = 0; k < 40; ++k) {
      const auto frame = NumberedFrame(k);
      w.WriteJpegFrame(frame.data(), frame.size());
    }
    w.CloseFile();
  }
  // No more than a second and a half of sound ever lies ahead of the frames before it.
  int frames = 0;
  std::int64_t soundUnits = 0;
  for (const ChunkSeen &c : WalkMovi(ReadAll(path))) {
    if (c.Id == avi::kVideoChunk) ++frames;
    if (c.Id == avi::kAudioChunk) {
      soundUnits += c.Size / 4;
      EXPECT_LE(double(soundUnits) / 44100.0, frames / 10.0 + 1.5) << "after frame " << frames;
    }
  }
  EXPECT_EQ(frames, 40);
  EXPECT_EQ(soundUnits, 44100 * 4);
}

TEST(AviFile, FrameRateKeepsItsExactRatio) {
  std::uint32_t rate = 0, scale = 0;
  TAviWriter::RateToRatio(12.5, rate, scale);
  EXPECT_EQ(rate, 25u);
  EXPECT_EQ(scale, 2u);
  TAviWriter::RateToRatio(29.97, rate, scale);
  EXPECT_EQ(rate, 2997u);
  EXPECT_EQ(scale, 100u);
  TAviWriter::RateToRatio(30000.0 / 1001.0, rate, scale);
  EXPECT_EQ(rate, 30000u);
  EXPECT_EQ(scale, 1001u);
  TAviWriter::RateToRatio(9.0, rate, scale);
  EXPECT_EQ(rate, 9u);
  EXPECT_EQ(scale, 1u);
  const double odd = 1234 * 1000.0 / 65431.0 - 1;  // frames over a recording, less one
  TAviWriter::RateToRatio(odd, rate, scale);
  EXPECT_NEAR(double(rate) / scale, odd, 1e-8);
}

TEST(AviFile, RefusesFormatsItCannotWrite) {
  TestFolder dir;
  TAviWriter w;
  EXPECT_EQ(w.CodecCount(), 14);
  EXPECT_EQ(w.CodecName(14), "Motion JPEG (MJPG)");
  EXPECT_THROW(w.SelectCodec(0), EMediaError);
  EXPECT_THROW(w.SelectCodec(15), EMediaError);
  EXPECT_THROW(w.CreateFile(dir.Path("a.avi"), 1), EMediaError);  // no format yet
  // No usable frame gives a rate of -1; a recording shorter than its frames, 0.
  EXPECT_THROW(w.SetVideoOutputFormat(640, 480, -1), EMediaError);
  EXPECT_THROW(w.SetVideoOutputFormat(640, 480, 0), EMediaError);
  EXPECT_THROW(w.SetVideoOutputFormat(640, 480, std::nan("")), EMediaError);
  w.SetVideoOutputFormat(640, 480, 10);
  w.SelectCodec(3);
  EXPECT_THROW(w.CreateFile(dir.Path("a.avi"), 1), EMediaError);
  w.SelectCodec(14);
  w.SetWithSound(-1);
  w.SetSoundInputFormat(22050, 2);
  EXPECT_THROW(w.CreateFile(dir.Path("a.avi"), 1), EMediaError);
  w.SetSoundInputFormat(44100, 2);
  w.CreateFile(dir.Path("a.avi"), 1);
  EXPECT_THROW(w.WriteSoundBlock({1, 2, 3}), EMediaError);
  const std::vector<std::uint8_t> junk(100, 7);
  EXPECT_THROW(w.WriteJpegFrame(junk.data(), junk.size()), EMediaError);
  w.CloseFile();
}

TEST(AviReader, RefusesFilesThatAreNoVideo) {
  TestFolder dir;
  TAviReader r;
  EXPECT_THROW(r.OpenFile(dir.Path("missing.avi")), EMediaError);
  std::ofstream(dir.Path("text.avi")) << "RIFF\x10\0\0\0WAVEjunkjunk";
  EXPECT_THROW(r.OpenFile(dir.Path("text.avi")), EMediaError);
  EXPECT_FALSE(r.IsOpen());
}

TEST(AviReader, FileCutShortKeepsItsWholeFrames) {
  TestFolder dir;
  const std::string path = dir.Path("OutVideo.AVI");
  const Written w = WriteFinal(path, 10, 0, 10);
  std::vector<std::uint8_t> f = ReadAll(path);
  // Keep the header and a bit more than half of the frames.
  f.resize(f.size() * 6 / 10);
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(f.data()), std::streamsize(f.size()));
  TAviReader r;
  r.OpenFile(path);
  ASSERT_GE(r.Length(), 4);
  ASSERT_LT(r.Length(), 10);
  for (int k = 0; k < r.Length(); ++k) EXPECT_EQ(r.ReadFrameJpeg(k), w.Frames[std::size_t(k)]);
}

TEST(AviReader, AnEmptyFrameRepeatsTheOneBeforeIt) {
  TestFolder dir;
  const std::string path = dir.Path("OutVideo.AVI");
  const Written w = WriteFinal(path, 6, 0, 10);
  // Frames 0, 2, 3 and 4 become empty chunks, each followed by a JUNK chunk over its old bytes.
  std::vector<std::uint8_t> f = ReadAll(path);
  auto set32 = [&f](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
  };
  int frame = 0;
  for (std::size_t at = 0; at + 8 <= f.size();) {
    const std::uint32_t id = riff::Get32(&f[at]), size = riff::Get32(&f[at + 4]);
    if (id == riff::FourCC("RIFF") || (id == riff::FourCC("LIST") && riff::Get32(&f[at + 8]) == riff::FourCC("movi"))) {
      at += 12;
      continue;
    }
    if (id == riff::FourCC("00dc") && (frame == 0 || (frame >= 2 && frame <= 4))) {
      set32(at + 4, 0);
      set32(at + 8, riff::FourCC("JUNK"));
      set32(at + 12, size - 8);
    }
    if (id == riff::FourCC("00dc")) ++frame;
    at += 8 + size + (size & 1);
  }
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(f.data()), std::streamsize(f.size()));
  TAviReader r;
  r.OpenFile(path);
  ASSERT_EQ(r.Length(), 6);
  EXPECT_TRUE(r.ReadFrameJpeg(0).empty()) << "nothing before the first frame to repeat";
  for (int k : {1, 2, 3, 4}) EXPECT_EQ(r.ReadFrameJpeg(k), w.Frames[1]) << k;
  EXPECT_EQ(r.ReadFrameJpeg(5), w.Frames[5]);
}
