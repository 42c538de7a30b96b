// One paint of the spectrogram page and of the frequency page at 1920 × 1080 for a 20-minute track: repainted
// as it is (the scaled picture kept), and after a resize (the picture scaled anew).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <random>
#include <vector>

#include "drawing/page_pictures.h"

namespace {

constexpr int kColumns = 20 * 60 * 44100 / 4096 / 4 * 4 + 4;  // a 20-minute track's image width

struct Track {
  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(static_cast<size_t>(kColumns) * 1025);
  std::vector<double> profile = std::vector<double>(8192);
  std::vector<double> axis = std::vector<double>(4096);
  Track() {
    std::mt19937 random(7);
    for (auto& v : image) v = static_cast<std::uint8_t>(random() % 256);
    for (std::size_t i = 0; i < profile.size(); ++i) profile[i] = 1.0 - (i % 4096) / 4096.0 * 0.7;
    for (std::size_t i = 0; i < axis.size(); ++i) axis[i] = i * 44100.0 / 8192.0;
  }
  ossel::SpectrumData Spectrum() const {
    ossel::SpectrumData data;
    data.image = image.data();
    data.imageWidth = kColumns;
    data.seconds = 1200;
    data.topFrequency = axis[4095];
    return data;
  }
};

const Track& TheTrack() {
  static const Track track;
  return track;
}

void PaintSpectrum(benchmark::State& state, bool resized) {
  QImage target(1920, 1080, QImage::Format_RGB32);
  const ossel::Palette palette = ossel::DefaultPalette();
  ossel::SpectrumPainter painter;
  const ossel::SpectrumData data = TheTrack().Spectrum();
  int step = 0;
  for (auto _ : state) {
    QPainter p(&target);
    // A resize by one pixel makes the painter scale the picture again.
    const QRect client(0, 0, resized ? 1920 - (step++ % 2) : 1920, 1080);
    painter.Paint(p, client, data, palette);
  }
}

void BM_SpectrumRepaint(benchmark::State& state) { PaintSpectrum(state, false); }
void BM_SpectrumAfterResize(benchmark::State& state) { PaintSpectrum(state, true); }

void BM_FrequencyPage(benchmark::State& state) {
  QImage target(1920, 1080, QImage::Format_RGB32);
  ossel::FrequencyData data;
  data.profile = TheTrack().profile.data();
  data.topFrequency = TheTrack().axis[4095];
  data.profileScale = 80;
  data.cutoffHz = 16000;
  for (auto _ : state) {
    QPainter p(&target);
    ossel::DrawFrequencyPage(p, QRect(0, 0, 1920, 1080), data);
  }
}

BENCHMARK(BM_SpectrumRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpectrumAfterResize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrequencyPage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ossel::InstallFontSubstitutes();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
