#pragma once
// Helpers of the slide rendering tests: fresh folders, environment, small PDF files.
#include <QColor>
#include <QImage>
#include <filesystem>
#include <string>
#include <vector>

#include "testsupport.h"

namespace render_test {

// A fresh folder under the system's temporary folder, removed with its contents at the end.
class TTestFolder {
public:
  TTestFolder();
  ~TTestFolder();
  TTestFolder(const TTestFolder &) = delete;
  TTestFolder &operator=(const TTestFolder &) = delete;
  const std::filesystem::path &Path() const { return FPath; }

private:
  std::filesystem::path FPath;
};

// Sets an environment variable for the scope, then puts the old value back.
using TScopedEnv = testsupport::ScopedEnv;

struct TPdfPage {
  double Width;   // points
  double Height;  // points
  QColor Fill;    // the whole page
};
// A PDF whose pages are each filled with one colour.
std::string MakePdf(const std::vector<TPdfPage> &pages);

void WriteFile(const std::filesystem::path &path, const std::string &bytes);
std::string ReadFile(const std::filesystem::path &path);
// Files (not folders) below `folder`, recursively.
int CountFiles(const std::filesystem::path &folder);

// The colour is within `tolerance` of `expected` in each channel.
bool Near(QRgb actual, const QColor &expected, int tolerance = 8);
std::string Describe(QRgb colour);

}  // namespace render_test
