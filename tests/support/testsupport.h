#pragma once
// Small helpers shared by the test suites: a Qt application, fresh folders, the program folder.
#include <QApplication>
#include <QGlyphRun>
#include <QTextLayout>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace testsupport {

// One application object per test process; offscreen unless the environment says otherwise.
inline QApplication &App() {
  static int argc = 1;
  static char name[] = "vantrel-test";
  static char *argv[] = {name, nullptr};
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication *app = new QApplication(argc, argv);
  return *app;
}

// An environment variable set while the object lives, then put back as it was.
class ScopedEnv {
public:
  ScopedEnv(const char *name, const std::string &value) : FName(name) {
    if (const char *old = std::getenv(name)) {
      FHad = true;
      FOld = old;
    }
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (FHad)
      setenv(FName.c_str(), FOld.c_str(), 1);
    else
      unsetenv(FName.c_str());
  }
  ScopedEnv(const ScopedEnv &) = delete;
  ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
  std::string FName;
  bool FHad = false;
  std::string FOld;
};

// A fresh folder removed with everything in it when the object goes.
class TempDir {
public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-test-XXXXXX").string();
    Path = mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(Path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(Path, ec);
  }
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  std::string operator/(const std::string &name) const { return Path + "/" + name; }
  std::string Path;
};

// Points the Windows folder and the Program Files folder at fresh folders for this test.
class FreshPlaces {
public:
  FreshPlaces() {
    setenv("VANTREL_WINDIR", WinDir.Path.c_str(), 1);
    setenv("VANTREL_WORKDIR", WorkDir.Path.c_str(), 1);
  }
  TempDir WinDir;
  TempDir WorkDir;
};

// Writes `bytes` to a new file at `path`, replacing what was there.
inline void WriteFile(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

#ifdef VANTREL_SHOTS_DIR
// Where a test leaves a picture for a person to look at: a folder of this build, which belongs to
// whoever builds, never a fixed name in a folder that every user shares.
inline QString ShotPath(const std::string &name) {
  std::error_code ec;
  std::filesystem::create_directories(VANTREL_SHOTS_DIR, ec);
  return QString::fromStdString(std::string(VANTREL_SHOTS_DIR) + "/" + name);
}
#endif

// How many characters of `text` show as the missing-glyph box in `font`, after the fallback through
// the system's other fonts that drawing the text would take.
inline int MissingGlyphs(const QString &text, const QFont &font) {
  QTextLayout layout(text, font);
  layout.beginLayout();
  while (layout.createLine().isValid()) {
  }
  layout.endLayout();
  int missing = 0;
  for (const QGlyphRun &run : layout.glyphRuns())
    for (quint32 glyph : run.glyphIndexes()) missing += glyph == 0;
  return missing;
}

// Folder of the committed fixtures.
inline std::string FixturesFolder() { return std::string(VANTREL_SOURCE_DIR) + "/tests/fixtures/"; }

}  // namespace testsupport
