#include "render_test_support.h"

#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace render_test {

TTestFolder::TTestFolder() {
  std::string pattern = (fs::temp_directory_path() / "vantrel-render-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  FPath = pattern;
}

TTestFolder::~TTestFolder() {
  std::error_code ec;
  fs::remove_all(FPath, ec);
}

std::string MakePdf(const std::vector<TPdfPage> &pages) {
  std::vector<std::string> objects;  // object i+1
  std::string kids;
  for (size_t i = 0; i < pages.size(); ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
  objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>");
  for (size_t i = 0; i < pages.size(); ++i) {
    const TPdfPage &p = pages[i];
    char content[160];
    std::snprintf(content, sizeof content, "%.4f %.4f %.4f rg 0 0 %.2f %.2f re f\n", p.Fill.redF(), p.Fill.greenF(),
                  p.Fill.blueF(), p.Width, p.Height);
    char page[160];
    std::snprintf(page, sizeof page, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %.2f %.2f] /Contents %zu 0 R >>",
                  p.Width, p.Height, 4 + 2 * i);
    objects.push_back(page);
    objects.push_back("<< /Length " + std::to_string(std::string(content).size()) + " >>\nstream\n" + content +
                      "endstream");
  }
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

void WriteFile(const fs::path &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

int CountFiles(const fs::path &folder) {
  int count = 0;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); it != fs::recursive_directory_iterator(); ++it)
    if (it->is_regular_file()) ++count;
  return count;
}

bool Near(QRgb actual, const QColor &expected, int tolerance) {
  return std::abs(qRed(actual) - expected.red()) <= tolerance &&
         std::abs(qGreen(actual) - expected.green()) <= tolerance &&
         std::abs(qBlue(actual) - expected.blue()) <= tolerance;
}

std::string Describe(QRgb colour) {
  char text[32];
  std::snprintf(text, sizeof text, "rgb(%d,%d,%d)", qRed(colour), qGreen(colour), qBlue(colour));
  return text;
}

}  // namespace render_test
