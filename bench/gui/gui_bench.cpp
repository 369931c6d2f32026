// Start-up to a shown window with a full kind-5 image, measured from process
// start (the same steps as kavor's main), then satellite clicks that refilter
// and redraw both lists, and moving and deleting 1000 selected channels from
// the channel popup with the list's repaint. Run with QT_QPA_PLATFORM=offscreen
// or on a display.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListView>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

#include "app/main_frame.h"
#include "database/data_file.h"
#include "database/image_builder.h"
#include "editing/command_routing.h"
#include "editing/qt_user_interface.h"

namespace {

std::string WriteFullImage() {
  kavor::Image image;
  kavor::ImageBuilder b(image, 5);
  for (int t = 0; t < kavor::kTransponderSlots; ++t) b.AddTransponder(1 + t / 21, std::uint16_t(10700 + t), 27500, t % 2);
  for (int n = 0; n < kavor::ChannelCapacity(5); ++n) {
    const int tp = n % kavor::kTransponderSlots;
    b.AddChannel(1 + tp / 21, 1 + tp % 21, {n % 4 == 3 ? kavor::kServiceTypeRadio : kavor::kServiceTypeTv, "Channel " + std::to_string(n)});
  }
  b.Finish();
  const std::string path = QDir::tempPath().toStdString() + "/kavor-bench-gui-full5.bin";
  kavor::WriteDataFile(path, image);
  return path;
}

// Seconds since this process started, from /proc.
double SecondsSinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string field;
  unsigned long long start_ticks = 0;
  for (int i = 1; i <= 22 && stat >> field; ++i)
    if (i == 22) start_ticks = std::stoull(field);
  std::ifstream uptime_file("/proc/uptime");
  double uptime = 0;
  uptime_file >> uptime;
  return uptime - double(start_ticks) / double(sysconf(_SC_CLK_TCK));
}

// The real dialogs, except that the confirmation and the Move number are
// answered at once: the benchmark measures the operation, not a user.
class AnsweringUi : public kavor::QtUserInterface {
 public:
  bool AskOkCancel(const std::string&, const std::string&) override { return true; }
  std::optional<long long> AskNumber(const std::string&, long long) override { return 1; }
};

kavor::CMainFrame* g_frame = nullptr;
std::string g_path;

// Reloads the image and selects 1000 TV rows, every third, as Ctrl+clicks would.
void PrepareThousandSelected() {
  kavor::CKavorView* view = g_frame->view();
  view->OpenFile(g_path);
  QListView* list = view->channel_list();
  QItemSelection selection;
  for (int i = 0; i < 1000; ++i) {
    const QModelIndex index = list->model()->index(3 * i + 1, 0);
    selection.select(index, index);
  }
  list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  list->selectionModel()->setCurrentIndex(list->model()->index(1, 0), QItemSelectionModel::NoUpdate);
  list->repaint();
}

void RunOnChannels(benchmark::State& state, int id) {
  kavor::CKavorView* view = g_frame->view();
  for (auto _ : state) {
    state.PauseTiming();
    PrepareThousandSelected();
    if (view->document().view().SelectedChannelCount() != 1000) state.SkipWithError("selection not made");
    const std::vector<std::uint8_t> before(view->document().image().bytes(),
                                           view->document().image().bytes() + kavor::kMaxImageLength);
    state.ResumeTiming();
    view->OnPopupCommand(kavor::ListId::Channel, id);
    view->channel_list()->repaint();
    state.PauseTiming();
    if (std::memcmp(before.data(), view->document().image().bytes(), before.size()) == 0)
      state.SkipWithError("the command changed nothing");
    state.ResumeTiming();
  }
}

void BM_MoveThousandChannels(benchmark::State& state) { RunOnChannels(state, kavor::ID_POPUP_MOVETO); }
BENCHMARK(BM_MoveThousandChannels)->Unit(benchmark::kMillisecond);

void BM_DeleteThousandChannels(benchmark::State& state) { RunOnChannels(state, kavor::ID_KEY_DELETE); }
BENCHMARK(BM_DeleteThousandChannels)->Unit(benchmark::kMillisecond);

void BM_SatelliteClick(benchmark::State& state) {
  QListView* list = g_frame->view()->satellite_list();
  int row = 0;
  for (auto _ : state) {
    row = row == 0 ? 1 : 0;
    list->selectionModel()->setCurrentIndex(list->model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
    g_frame->view()->channel_list()->repaint();
    g_frame->view()->transponder_list()->repaint();
  }
}
BENCHMARK(BM_SatelliteClick)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // The image file is made before the clock matters: kavor gets it ready-made.
  const std::string path = argc > 1 && argv[1][0] != '-' ? argv[1] : WriteFullImage();
  g_path = path;
  const double before = SecondsSinceProcessStart();
  QApplication app(argc, argv);
  kavor::Document doc;
  AnsweringUi ui;
  kavor::CMainFrame frame(doc, ui);
  ui.set_parent(&frame);
  frame.view()->OnInitialUpdate(QDir::currentPath().toStdString());
  frame.show();
  frame.view()->OpenFile(path);
  frame.repaint();
  QApplication::processEvents();
  const double shown = SecondsSinceProcessStart();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("start-up to shown window: %.0f ms since process start (%.0f ms of it before main's image step)\n",
              shown * 1000, before * 1000);
  std::printf("peak memory: %.1f MB\n", double(usage.ru_maxrss) / 1024.0);
  g_frame = &frame;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
