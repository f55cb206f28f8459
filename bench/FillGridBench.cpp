// FillGrid of a 100-value window in each display format: the window's tables
// alone, and the whole data window with its grid widget (offscreen).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "datawindow/DataWindowModel.h"

#ifdef MMS_BENCH_GUI
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "datawindow/DataWindow.h"
#endif

namespace {

std::vector<uint16_t> PolledWords() {
  std::vector<uint16_t> words(mms::kReadBufferSize);
  for (size_t k = 0; k < words.size(); ++k) words[k] = static_cast<uint16_t>(k * 2654435761u >> 8);
  return words;
}

// Arguments: display format (0..7), ASCII display on (0/1).
void Formats(benchmark::internal::Benchmark* b) {
  for (int format = 0; format < 8; ++format) b->Args({format, 0});
  b->Args({0, 1});
}

void BM_ModelFillGrid(benchmark::State& state) {
  auto model = std::make_unique<mms::DataWindowModel>();
  model->RebuildGrid(0, 100);
  const std::vector<uint16_t> words = PolledWords();
  const mms::CellFormat format{static_cast<mms::DisplayFormat>(state.range(0)),
                               {state.range(1) != 0, mms::AsciiMode::TwoChar},
                               '.'};
  for (auto _ : state) {
    model->FillGrid(words.data(), words.size(), format);
    benchmark::DoNotOptimize(model->CellText(22, 10));
  }
}
BENCHMARK(BM_ModelFillGrid)->Apply(Formats);

#ifdef MMS_BENCH_GUI
void BM_WindowFillGrid(benchmark::State& state) {
  DataWindow window(nullptr);
  window.lengthEdit->setText(QStringLiteral("100"));
  QRadioButton* buttons[] = {window.decimalButton, window.integerButton, window.hexadecimalButton,
                             window.binaryButton,  window.floatButton,   window.swappedFloatButton,
                             window.doubleButton,  window.swappedDoubleButton};
  buttons[state.range(0)]->setChecked(true);
  if (state.range(1) != 0) window.asciiEnableBox->setChecked(true);
  window.show();
  const std::vector<uint16_t> words = PolledWords();
  for (auto _ : state) {
    window.FillGrid(words.data());
    QApplication::processEvents();  // the repaint the poll causes
  }
}
BENCHMARK(BM_WindowFillGrid)->Apply(Formats)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef MMS_BENCH_GUI
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
