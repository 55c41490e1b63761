// Time from Timer1's tick to a filled station list, on loopback: download, scan and the three
// list boxes filled. Holland's list of the bundled directory, and generated lists of growing size.
#include <QListWidget>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bundled_directory.h"
#include "fake_media_player.h"
#include "fake_system_tray.h"
#include "loopback_server.h"
#include "player/Form1.h"
#include "recording_prompt.h"
#include "temp_program_folder.h"
#include "qt_bench_main.h"

namespace {

struct Window {
  TempProgramFolder dir{TempProgramFolder::Contents::ShippedData};
  RecordingPrompt prompt;
  FakeMediaPlayer player;
  Listening listening{player};
  std::unique_ptr<Form1> form;
  explicit Window(const std::string& base) {
    form = std::make_unique<Form1>(Form1Services{dir.folder(), prompt, listening,
                                                 std::make_unique<FakeSystemTray>(),
                                                 DirectoryAddress(QString::fromStdString(base))});
  }
  int stations() const { return form->findChild<QListWidget*>("List1")->count(); }
};

void BM_Timer1ToFilledList_Bundled(benchmark::State& state) {
  BundledDirectory directory;
  Window window(directory.base());
  for (auto _ : state) window.form->LaadLijst_Radio("holland.txt");
  state.counters["stations"] = window.stations();
  if (!window.prompt.boxes().empty()) state.SkipWithError("the list did not load");
}
BENCHMARK(BM_Timer1ToFilledList_Bundled)->Unit(benchmark::kMillisecond);

void BM_Timer1ToFilledList_Generated(benchmark::State& state) {
  std::string body;
  // Up to N bytes, not past them: the largest size is the download cap.
  for (int i = 0;; ++i) {
    const std::string station = "<naam>Station " + std::to_string(i) + "</naam><url>http://127.0.0.1/s/" +
                                std::to_string(i) + "</url><homepage>station" + std::to_string(i) +
                                ".example/</homepage>\r\n";
    if (body.size() + station.size() > size_t(state.range(0))) break;
    body += station;
  }
  LoopbackServer http;
  http.server().Get("/radio/inter/zenders/big.txt", [&body](const httplib::Request&, httplib::Response& res) {
    res.set_content(body, "application/octet-stream");
  });
  http.start();
  Window window(http.base());
  for (auto _ : state) window.form->LaadLijst_Radio("big.txt");
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(body.size()));
  state.counters["stations"] = window.stations();
  if (!window.prompt.boxes().empty()) state.SkipWithError("the list did not load");
}
BENCHMARK(BM_Timer1ToFilledList_Generated)
    ->RangeMultiplier(4)
    ->Range(64 << 10, 4 << 20)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunQtBenchmarks(argc, argv); }
