// Writes the fuzz targets' seeds into <name>/corpus below the folder given: small files of each
// format, made by our own writers, copied from the data files beside the program, or taken from what
// ffprobe, ffmpeg and register.dat print for a small clip. Run by hand when the seeds must change:
//   build/tests/fuzz/make_seeds tests/fuzz build/bin
// (ffmpeg on PATH; build/bin must hold register.dat, WebInfo.dll and the DVD fixture's build).
#include <QGuiApplication>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "aviwriter.h"
#include "encoder_options.h"
#include "jpeg.h"
#include "ppt_writer.h"
#include "skin_test_support.h"
#include "testsupport.h"
#include "wavfile.h"

namespace fs = std::filesystem;

namespace {

fs::path Root;

void Seed(const std::string &target, const std::string &name, const std::string &bytes) {
  const fs::path folder = Root / target / "corpus";
  fs::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadFile(const fs::path &path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream out;
  out << file.rdbuf();
  return out.str();
}

void CopySeed(const std::string &target, const fs::path &from) { Seed(target, from.filename().string(), ReadFile(from)); }

// What a program prints on stdout and stderr; the words are ours and hold no shell characters.
std::string Output(const std::vector<std::string> &words) {
  std::string command;
  for (const std::string &word : words) command += "'" + word + "' ";
  command += "2>&1";
  FILE *pipe = popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run " + words[0]);
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  return out;
}

std::string Bytes(const std::vector<std::uint8_t> &data) { return std::string(data.begin(), data.end()); }

// A picture with a gradient, so that its JPEG stream has more than one kind of block.
media::TPixelArray Picture(int width, int height, int shade) {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      rgb.insert(rgb.end(), {std::uint8_t(x * 16), std::uint8_t(y * 16), std::uint8_t(shade)});
  return media::TPixelArray(width, height, rgb);
}

media::TSoundBlock Tone(int units, int channels) {
  media::TSoundBlock block;
  for (int i = 0; i < units * channels; ++i) block.push_back(std::int16_t((i % 50) * 600 - 15000));
  return block;
}

void WriteAvi(const std::string &path, std::int64_t riffLimit, int frames) {
  media::TAviWriter avi;
  avi.SelectCodec(media::TAviWriter::kCodecMotionJpeg);
  avi.SetWithSound(1);
  avi.SetInterleave(1);
  avi.SetVideoInputFormat(16, 16, 20);
  avi.SetVideoOutputFormat(16, 16, 20);
  avi.SetSoundInputFormat(8000, 2);
  avi.SetSoundOutputFormat(media::kPcm16, 8000, 2);
  if (riffLimit) avi.SetRiffSizeLimit(riffLimit);
  avi.CreateFile(path, 1);
  for (int i = 0; i < frames; ++i) {
    avi.WriteVideoFrame(Picture(16, 16, i * 60));
    avi.WriteSoundBlock(Tone(400, 2));
  }
  avi.CloseFile();
}

void Media(const fs::path &work, const fs::path &bin) {
  const std::string clip = (work / "clip.avi").string();
  WriteAvi(clip, 0, 3);
  CopySeed("avi", clip);
  WriteAvi((work / "opendml.avi").string(), 2048, 4);
  CopySeed("avi", work / "opendml.avi");

  media::TWavWriter wav;
  wav.SetOutputFormat(8000, media::kPcm16, 2);
  wav.CreateFile((work / "sound.wav").string(), 1);
  wav.WriteBlock(Tone(100, 2));
  wav.CloseFile();
  CopySeed("wav", work / "sound.wav");
  wav.SetOutputFormat(8000, media::kPcm16, 1);
  wav.CreateFile((work / "mono.wav").string(), 1);
  wav.WriteBlock(Tone(60, 1));
  wav.CloseFile();
  CopySeed("wav", work / "mono.wav");

  Seed("jpeg", "gradient.jpg", Bytes(media::JpegCompress(Picture(16, 8, 90).Pixels().data(), 16, 8, 48, 75)));
  Seed("jpeg", "solid.jpg", Bytes(media::JpegCompress(std::vector<std::uint8_t>(8 * 8 * 3, 200).data(), 8, 8, 24, 100)));

  // The encoder reads what ffprobe and ffmpeg print; the program reads what the encoder prints.
  std::vector<std::string> probe{"ffprobe"};
  for (const std::string &word : encoder::FfprobeArguments(clip)) probe.push_back(word);
  Seed("encoder_report", "ffprobe.json", Output(probe));
  Seed("encoder_report", "progress.txt",
       Output({"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-nostats", "-progress", "pipe:1", "-i",
               clip, "-f", "null", "-"}));
  const std::string encoder = (bin / "register.dat").string();
  Seed("console", "probe.txt", Output({encoder, "-i", clip}));
  Seed("console", "convert.txt", Output({encoder, "-y", "-i", clip, (work / "clip.mp4").string()}));
  Seed("console", "missing.txt", Output({encoder, "-i", (work / "missing.avi").string()}));
}

void Files(const fs::path &bin) {
  const fs::path data = fs::path(VANTREL_SOURCE_DIR) / "data";
  CopySeed("skin", data / "skins" / "skn.skn");
  CopySeed("skin", data / "skins" / "Orvenc.skn");
  CopySeed("profiles_qev", data / "profiles.qev");
  CopySeed("language_info", data / "language.info");
  CopySeed("webinfo", bin / "WebInfo.dll");
  const fs::path dvd = bin / ".." / "fixtures" / "dvd" / "VIDEO_TS";
  CopySeed("ifo", dvd / "VTS_01_0.IFO");
  CopySeed("ifo", dvd / "VIDEO_TS.IFO");

  ThemeFileWriter theme;
  theme.AddBitmap("ButtonImage", SolidBitmap(8, 4, 0x00336699));
  theme.AddBoolean("ButtonTransparentBool", 1);
  theme.AddInteger("FormRoundCornerInt", 6);
  theme.AddInteger("FormBackgroundColor", 0x00C0C0C0);
  theme.AddText("Author", "Vantrel");
  Seed("theme", "theme.skn", theme.Build());

  Seed("ini", "Vantrel.ini", "[plane]\nvideo=1\naudio=0\n\n[output]\npath=/home/user/My Video/\n\n"
                             "[profiles]\nselcetindex=3\nselcetsubindex=57\nFinishSelcet=0x1\n");
  Seed("ini", "pro Vantrel.ini", "\xEF\xBB\xBF[57]\r\nsize=2\r\nvideo bitrate=$1\r\n; note\r\naudio bitrate=\"3\"\r\n"
                                 "Channel=-1\r\n[ 58 ]\r\nsize = 0\r\n");

  Seed("registry", "HKEY_LOCAL_MACHINE.reg",
       "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\PowerPoint.Show.8]\n"
       "\"EditFlags\"=dword:00010000\n@=\"PowerPoint \\\"Show\\\"\"\n\"Note\"=hex(1):61,00,0a,00,62,00,\\\n"
       "  00,00\n\"Bytes\"=hex(4):00,00,01,00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n\"Name\"=\"x\"\n");

  using namespace std::string_literals;
  Seed("cmdline", "paths", "register.dat\0/home/user/My Video/in put.avi\0-i\0out.mp4\0\xC3\xA9t\xC3\xA9 clip.mp4"s);
}

// A deck saved twice: the second edit changes slide 2 and keeps the first edit's directory for the rest.
void Decks() {
  using namespace ppttest;
  TDeck deck = Deck({{SlideInfo(0, fManualAdvance)}, {SlideInfo(3500, fManualAdvance | fAutoAdvance)}, {}});
  const std::uint32_t slide = std::uint32_t(deck.Document.size());
  deck.Document += SlideContainer({SlideInfo(1500, fAutoAdvance)});
  const std::uint32_t directory = std::uint32_t(deck.Document.size());
  deck.Document += PersistDirectory({{3, slide}});
  const std::uint32_t edit = std::uint32_t(deck.Document.size());
  deck.Document += UserEdit(deck.CurrentEdit, directory, 1);
  deck.CurrentEdit = edit;
  Seed("ppt", "two_edits.ppt", DeckFile(deck));
  Seed("ppt", "big_sectors.ppt", DeckFile(Deck({{SlideInfo(2000, fAutoAdvance)}}), 4096));
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::cerr << "usage: make_seeds <tests/fuzz folder> <program folder>\n";
    return 2;
  }
  QGuiApplication app(argc, argv);
  Root = argv[1];
  const fs::path bin = argv[2];
  testsupport::TempDir work;
  try {
    Media(work.Path, bin);
    Files(bin);
    Decks();
  } catch (const std::exception &error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  return 0;
}
