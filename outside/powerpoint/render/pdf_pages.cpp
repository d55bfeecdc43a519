// PDF pages to 800 x 600 slide pictures with poppler.
#include "slide_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

namespace ppt {
namespace {

QImage RenderPage(const poppler::page &page, int index) {
  poppler::rectf box = page.page_rect(poppler::crop_box);
  double pageWidth = box.width();
  double pageHeight = box.height();
  // The renderer applies the page's own rotation, so a quarter turn swaps the sides.
  auto orientation = page.orientation();
  if (orientation == poppler::page::landscape || orientation == poppler::page::seascape)
    std::swap(pageWidth, pageHeight);
  if (!(pageWidth > 0) || !(pageHeight > 0))
    throw ERenderError("Page " + std::to_string(index + 1) + " of the converted slides has no size.");

  double pixelsPerPoint = std::min(SlideWidth / pageWidth, SlideHeight / pageHeight);
  int width = std::clamp(static_cast<int>(std::lround(pageWidth * pixelsPerPoint)), 1, SlideWidth);
  int height = std::clamp(static_cast<int>(std::lround(pageHeight * pixelsPerPoint)), 1, SlideHeight);
  double dpi = pixelsPerPoint * 72.0;

  poppler::page_renderer renderer;
  renderer.set_render_hints(poppler::page_renderer::antialiasing | poppler::page_renderer::text_antialiasing |
                            poppler::page_renderer::text_hinting);
  renderer.set_paper_color(0xffffffff);
  renderer.set_image_format(poppler::image::format_argb32);
  poppler::image rendered = renderer.render_page(&page, dpi, dpi, 0, 0, width, height);
  if (!rendered.is_valid())
    throw ERenderError("Page " + std::to_string(index + 1) + " of the converted slides could not be drawn.");

  QImage slide(SlideWidth, SlideHeight, QImage::Format_RGB32);
  slide.fill(Qt::black);
  int drawWidth = std::min(width, rendered.width());
  int drawHeight = std::min(height, rendered.height());
  int left = (SlideWidth - drawWidth) / 2;
  int top = (SlideHeight - drawHeight) / 2;
  const char *source = rendered.const_data();
  for (int y = 0; y < drawHeight; ++y) {
    auto *from = reinterpret_cast<const quint32 *>(source + static_cast<size_t>(y) * rendered.bytes_per_row());
    auto *to = reinterpret_cast<quint32 *>(slide.scanLine(top + y)) + left;
    // The paper is opaque white, so the rendered pixels are opaque; keep RGB32's top byte set.
    for (int x = 0; x < drawWidth; ++x) to[x] = from[x] | 0xff000000u;
  }
  return slide;
}

}  // namespace

std::vector<QImage> RenderPdfPages(const std::string &pdfPath, int maxPages) {
  // poppler writes its complaints to stderr, which a host may read as part of its output; the
  // reasons reach the caller as exceptions instead.
  static std::once_flag quiet;
  std::call_once(quiet, [] { poppler::set_debug_error_function([](const std::string &, void *) {}, nullptr); });
  std::unique_ptr<poppler::document> document(poppler::document::load_from_file(pdfPath));
  if (!document || document->is_locked())
    throw ERenderError("The converted slides (" + pdfPath + ") are not a readable PDF.");
  int count = document->pages();
  if (count <= 0) throw ERenderError("The converted slides (" + pdfPath + ") have no pages.");
  count = std::min(count, std::max(maxPages, 1));
  std::vector<QImage> slides;
  slides.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    std::unique_ptr<poppler::page> page(document->create_page(i));
    if (!page) throw ERenderError("Page " + std::to_string(i + 1) + " of the converted slides is unreadable.");
    slides.push_back(RenderPage(*page, i));
  }
  return slides;
}

}  // namespace ppt
