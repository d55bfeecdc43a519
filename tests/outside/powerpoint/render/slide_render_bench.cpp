// How long a show waits for slides that are already cached, and what drawing a page costs.
#include "slide_render.h"

#include "render_test_support.h"

#include <benchmark/benchmark.h>

namespace fs = std::filesystem;
using namespace render_test;

namespace {

const std::vector<TPdfPage> TenSlides(10, TPdfPage {720, 540, QColor(200, 30, 30)});

void BM_RenderPdfPages(benchmark::State &state) {
  TTestFolder folder;
  fs::path pdf = folder.Path() / "deck.pdf";
  WriteFile(pdf, MakePdf(TenSlides));
  for (auto _ : state) benchmark::DoNotOptimize(ppt::RenderPdfPages(pdf.string()));
}
BENCHMARK(BM_RenderPdfPages)->Unit(benchmark::kMillisecond);

// A stand-in soffice delivers the PDF once; every timed call is a cache hit.
void BM_CachedRenderSlides(benchmark::State &state) {
  TTestFolder folder;
  TScopedEnv cache("XDG_CACHE_HOME", (folder.Path() / "cache").string());
  fs::path pdf = folder.Path() / "deck.pdf";
  WriteFile(pdf, MakePdf(TenSlides));
  fs::path presentation = folder.Path() / "deck.ppt";
  WriteFile(presentation, pdf.string());
  fs::path script = folder.Path() / "fake-soffice";
  WriteFile(script, "#!/bin/sh\nfor a; do out=$prev; prev=$a; done\ncp \"$(cat \"$a\")\" \"$out/presentation.pdf\"\n");
  fs::permissions(script, fs::perms::owner_all);
  ppt::SetOfficeProgram(script.string());
  ppt::RenderSlides(presentation.string());
  int runs = ppt::OfficeRunCount();
  for (auto _ : state) benchmark::DoNotOptimize(ppt::RenderSlides(presentation.string()));
  state.counters["office_runs_while_timed"] = ppt::OfficeRunCount() - runs;
  ppt::SetOfficeProgram("");
}
BENCHMARK(BM_CachedRenderSlides)->Unit(benchmark::kMillisecond);

}  // namespace
