#pragma once
// Slide pictures of a presentation for the show: LibreOffice turns the file into a PDF, poppler turns
// each page into an 800 x 600 picture. Pictures are cached on disk per version of the file (its
// canonical path, size and modification time), so that a second show of the same file starts at once.
// The presentation file itself is only ever read.
#include <QImage>
#include <climits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ppt {

struct ERenderError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

constexpr int SlideWidth = 800;
constexpr int SlideHeight = 600;
constexpr int DefaultOfficeTimeoutMs = 120000;

// What is drawn of a file: every slide of a file that loads as a presentation, or the first page
// (or slide) of any file LibreOffice opens: web pages, outlines, text documents, newer presentations.
// The two are cached apart.
enum class TPages { EverySlide, FirstPage };

// Every slide (or the first page) as an 800 x 600 picture, the page scaled to fit and centred on
// black. Blocks while LibreOffice runs (seconds) unless this version of the file is cached. Throws
// ERenderError with a readable reason: LibreOffice missing or timed out, file unreadable, conversion
// produced nothing.
std::vector<QImage> RenderSlides(const std::string &path, TPages pages = TPages::EverySlide);

// Begins rendering `path` in the background; a rendering of it already under way is kept.
void StartRendering(const std::string &path, TPages pages = TPages::EverySlide);

// Collects the rendering begun by StartRendering (begins one when there is none). Waits up to
// `timeoutMs` (negative: no limit); std::nullopt when it is still running then, and it runs on.
// Throws ERenderError when the rendering failed. A collected result is forgotten, so that a later
// call renders anew (from the cache when the file is unchanged).
std::optional<std::vector<QImage>> WaitSlides(const std::string &path, int timeoutMs,
                                              TPages pages = TPages::EverySlide);

// The first `maxPages` pages of a PDF file (every page by default), each as an 800 x 600 picture,
// scaled to fit and centred on black. Throws ERenderError when the file cannot be read as a PDF or
// has no pages.
std::vector<QImage> RenderPdfPages(const std::string &pdfPath, int maxPages = INT_MAX);

// $XDG_CACHE_HOME/vantrel/slides, else ~/.cache/vantrel/slides (without a trailing "/").
std::string SlideCacheFolder();

// The LibreOffice executable; empty (the default) searches "soffice" on PATH.
void SetOfficeProgram(const std::string &program);
// Longest time one LibreOffice run may take before it is killed.
void SetOfficeTimeoutMs(int timeoutMs);
// LibreOffice runs started by this process so far.
int OfficeRunCount();

}  // namespace ppt
