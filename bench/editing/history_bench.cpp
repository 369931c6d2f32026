// Undo and redo on a full kind-5 image (5022 channels): taking back and
// doing again a 1000-channel delete, recording it, and what a history of
// 100 steps holds, counted by the history and seen on the heap.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstring>
#include <memory>

#include "database/edit_history.h"
#include "database/view_state.h"
#include "editing/operations.h"
#include "support/fixtures.h"

namespace {

struct Editor {
  kavor::Image image;
  kavor::ViewState view{image};
  kavor::EditHistory history{view};
  kavor::bench::AnsweringUi ui;
  kavor::EditOperations ops{view, ui, &history};

  Editor() {
    kavor::bench::BuildFullKind5(image);
    view.RebuildIndex();
    view.set_image_loaded();
    history.Reset();
  }
  void Select(const std::vector<int>& rows) { view.SetChannelSelection(rows, rows.back()); }
  void Run(kavor::Operation op, int id = 0) { ops.Run(kavor::Routed{op, id}); }
  // Every third TV row from the second: 1000 rows spread over the list.
  void DeleteThousand() {
    std::vector<int> rows;
    for (int i = 0; i < 1000; ++i) rows.push_back(3 * i + 1);
    Select(rows);
    Run(kavor::Operation::ChannelDelete);
  }
};

void BM_UndoThousandChannelDelete(benchmark::State& state) {
  Editor e;
  e.DeleteThousand();
  if (!e.history.CanUndo()) state.SkipWithError("the delete recorded no step");
  for (auto _ : state) {
    e.history.Undo();
    state.PauseTiming();
    e.history.Redo();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_UndoThousandChannelDelete)->Unit(benchmark::kMillisecond);

void BM_RedoThousandChannelDelete(benchmark::State& state) {
  Editor e;
  e.DeleteThousand();
  for (auto _ : state) {
    state.PauseTiming();
    e.history.Undo();
    state.ResumeTiming();
    e.history.Redo();
  }
}
BENCHMARK(BM_RedoThousandChannelDelete)->Unit(benchmark::kMillisecond);

// What recording adds to a command: the view before it, the diff after it.
void BM_RecordThousandChannelDelete(benchmark::State& state) {
  Editor e;
  const std::vector<std::uint8_t> full(e.image.bytes(), e.image.bytes() + e.image.length());
  std::vector<int> rows;
  for (int i = 0; i < 1000; ++i) rows.push_back(3 * i + 1);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(e.image.bytes(), full.data(), full.size());
    e.history.Reset();
    e.view.RefillChannelList();
    e.Select(rows);
    state.ResumeTiming();
    e.history.Begin();
    state.PauseTiming();
    e.ops.channels().DeleteWithConfirmation();  // timed in the channel benchmarks
    state.ResumeTiming();
    if (!e.history.End("Delete")) state.SkipWithError("no step recorded");
  }
}
BENCHMARK(BM_RecordThousandChannelDelete)->Unit(benchmark::kMillisecond);

std::size_t HeapInUse() { return mallinfo2().uordblks; }

// 100 steps as a user makes them: flags, type changes, moves and deletes.
void MixedSteps(Editor& e) {
  for (int step = 0; step < 100; ++step) {
    const int row = (step * 37) % 3000;
    switch (step % 5) {
      case 0: e.Select({row}); e.Run(kavor::Operation::ChannelFlag, kavor::ID_POPUP_LOCK); break;
      case 1: e.Select({row, row + 1}); e.Run(kavor::Operation::ChannelFlag, kavor::ID_POPUP_SCRAMBLE); break;
      case 2: e.Select({row}); e.ui.number = 1 + (step * 11) % 3000; e.Run(kavor::Operation::ChannelMove); break;
      case 3: e.Select({row, row + 5, row + 9}); e.Run(kavor::Operation::ChannelDelete); break;
      case 4:
        e.Select({row});
        e.Run(kavor::Operation::ChannelFlag, kavor::ID_POPUP_TO_RADIO);
        e.view.SetTvMode(true);  // the change shows the radio list; back to TV
        break;
    }
  }
}

// The worst a channel table gives: each step deletes the first row, so every
// record behind it moves and the whole table is in the step.
void FrontDeletes(Editor& e) {
  for (int step = 0; step < 100; ++step) {
    e.Select({0});
    e.Run(kavor::Operation::ChannelDelete);
  }
}

template <void (*Steps)(Editor&)>
void BM_HundredStepHistoryMemory(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto e = std::make_unique<Editor>();
    const std::size_t heap_before = HeapInUse();
    const std::size_t counted_before = e->history.MemoryBytes();
    state.ResumeTiming();
    Steps(*e);
    state.PauseTiming();
    state.counters["steps"] = double(e->history.undo_count());
    state.counters["counted_MB"] = double(e->history.MemoryBytes()) / 1e6;
    state.counters["added_MB"] = double(e->history.MemoryBytes() - counted_before) / 1e6;
    state.counters["heap_MB"] = double(HeapInUse() - heap_before) / 1e6;
    e.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_HundredStepHistoryMemory<MixedSteps>)->Name("BM_HundredStepHistoryMemory/mixed")->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HundredStepHistoryMemory<FrontDeletes>)->Name("BM_HundredStepHistoryMemory/front_deletes")
    ->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
