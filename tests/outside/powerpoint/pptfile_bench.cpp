// A deck saved thousands of times must still open well within the automation answer's time.
#include <benchmark/benchmark.h>

#include "pptfile.h"
#include "ppt_writer.h"

using namespace ppttest;

namespace {

// One slide, then `edits` saves that all name one further directory of `entries` ids.
TDeck ManySaves(int edits, int entries) {
  TDeck deck = Deck(std::vector<TSlide>(1));
  std::vector<std::pair<std::uint32_t, std::uint32_t>> dir;
  for (int id = 3; id < 3 + entries; ++id) dir.push_back({std::uint32_t(id), deck.SlideOffsets[0]});
  const std::uint32_t directory = std::uint32_t(deck.Document.size());
  deck.Document += PersistDirectory(dir);
  std::uint32_t edit = deck.CurrentEdit;
  for (int i = 0; i < edits; ++i) {
    const std::uint32_t next = std::uint32_t(deck.Document.size());
    deck.Document += UserEdit(edit, directory, 1);
    edit = next;
  }
  deck.CurrentEdit = edit;
  return deck;
}

void BM_ReadSlidesOfADeckSavedManyTimes(benchmark::State &state) {
  const TDeck deck = ManySaves(int(state.range(0)), 65000);
  for (auto _ : state) benchmark::DoNotOptimize(ppt::ReadSlides(deck.Document, deck.CurrentEdit));
}
BENCHMARK(BM_ReadSlidesOfADeckSavedManyTimes)->Arg(1)->Arg(8000)->Unit(benchmark::kMillisecond);

}  // namespace
