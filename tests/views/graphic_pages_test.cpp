// The spectrogram and frequency pages: the palette file, the axes, and the pictures checked pixel by pixel on
// stored tracks, made up or analysed.
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>

#include "analysis/analyze_job.h"
#include "support/disc_images.h"
#include "support/time_limit.h"
#include "tests/analysis/recording_host.h"
#include "views/graphic_pages.h"
#include "views/indicators.h"
#include "views/window_events.h"

namespace ossel {
namespace {

QColor Rgb(std::uint32_t argb) { return QColor::fromRgb(argb); }

Palette PaletteFrom(const test::ImageFolder& folder, const std::string& text) {
  EXPECT_TRUE(test::WriteText(folder / "spectrum.pal", text));
  return LoadPaletteFile(folder / "spectrum.pal");
}

TEST(Palette, FileRules) {
  const Palette builtIn = DefaultPalette();
  test::ImageFolder folder;
  struct Case {
    const char* text;
    int count;
    std::vector<std::pair<int, std::uint32_t>> entries;  // index, colour
  };
  const Case cases[] = {
      {"255 0 0\n0 255 0", 2, {{0, 0xFFFF0000}, {1, 0xFF00FF00}, {2, builtIn.entries[2]}}},
      {"1 2 3\n", 2, {{0, 0xFF010203}, {1, 0xFF010203}, {2, builtIn.entries[2]}}},  // a line break repeats the last
      {"300 256 -1", 1, {{0, 0xFF2C00FF}}},                                        // the low 8 bits of each number
      {"10 20 30 40 50", 2, {{0, 0xFF0A141E}, {1, 0xFF28321E}}},                   // a short triple keeps the rest
      {"7 8 9 junk 1 2 3", 1, {{0, 0xFF070809}, {1, builtIn.entries[1]}}},         // text that is no number ends it
      {"", 0, {{0, builtIn.entries[0]}}},
  };
  for (const Case& c : cases) {
    const Palette p = PaletteFrom(folder, c.text);
    EXPECT_EQ(p.count, c.count) << c.text;
    for (const auto& [index, colour] : c.entries) EXPECT_EQ(p.entries[static_cast<size_t>(index)], colour) << c.text;
  }
  std::string all;
  for (int i = 0; i < 300; ++i) all += "1 1 1\n";
  EXPECT_EQ(PaletteFrom(folder, all).count, 256);
  const Palette missing = LoadPaletteFile(folder / "none.pal");
  EXPECT_EQ(missing.count, 256);
  EXPECT_EQ(missing.entries, builtIn.entries);
  // What is no regular file counts as missing, and a FIFO is not waited on.
  const std::string fifo = folder / "fifo.pal";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::mkdir((folder / "folder.pal").c_str(), 0700), 0);
  for (const std::string& path : {fifo, folder / "folder.pal"}) {
    Palette read;
    ASSERT_TRUE(test::FinishesWithin(10, path, [&] { read = LoadPaletteFile(path); })) << path << " blocked";
    EXPECT_EQ(read.count, 256) << path;
    EXPECT_EQ(read.entries, builtIn.entries) << path;
  }
}

TEST(Palette, BuiltInEntriesLieOnLinesBetweenTheListedOnes) {
  const Palette p = DefaultPalette();
  EXPECT_EQ(p.entries[0], 0xFF01003Fu);
  EXPECT_EQ(p.entries[104], 0xFFE64A00u);
  EXPECT_EQ(p.entries[248], 0xFFFFFA03u);
  EXPECT_EQ(p.entries[255], 0xFFFFFF00u);
  for (int i = 0; i < 256; ++i) {
    const int a = i / 8 * 8, b = std::min(a + 8, 255);
    if (i == a) continue;
    const QColor ca = Rgb(p.entries[static_cast<size_t>(a)]), cb = Rgb(p.entries[static_cast<size_t>(b)]),
                 c = Rgb(p.entries[static_cast<size_t>(i)]);
    const double t = double(i - a) / (b - a);
    EXPECT_LE(std::abs(c.red() - (ca.red() + t * (cb.red() - ca.red()))), 4) << i;
    EXPECT_LE(std::abs(c.green() - (ca.green() + t * (cb.green() - ca.green()))), 4) << i;
    EXPECT_LE(std::abs(c.blue() - (ca.blue() + t * (cb.blue() - ca.blue()))), 4) << i;
    EXPECT_EQ(qAlpha(p.entries[static_cast<size_t>(i)]), 255);
  }
}

std::vector<QString> Texts(const AxisMarks& marks) {
  std::vector<QString> texts;
  for (const AxisLabel& l : marks.labels) texts.push_back(l.text);
  return texts;
}

TEST(Axes, LabelsAndStepsAndRectanglesTooSmallForThem) {
  // Under a minute: ticks every 10 s, no minute label.
  const AxisMarks short_ = SpectrumTimeAxis(QRect(0, 20, 600, 400), 0, 45);
  EXPECT_TRUE(short_.labels.empty());
  ASSERT_EQ(short_.ticks.size(), 5u);
  EXPECT_EQ(short_.ticks[3].from, 30 * 600 / 45);
  EXPECT_EQ(short_.ticks[3].length, 4);
  // Five minutes: a label a minute, 9 pixels left of its time, 4 pixels above the rectangle's bottom.
  const AxisMarks five = SpectrumTimeAxis(QRect(0, 20, 600, 400), 0, 300);
  EXPECT_EQ(Texts(five), (std::vector<QString>{"1:00", "2:00", "3:00", "4:00"}));
  EXPECT_EQ(five.labels[0].at, QPoint(60 * 600 / 300 - 9, 416));
  // Over ten minutes: 24 label slots; a slot of 25 pixels over 700 s still rounds to a label a minute.
  EXPECT_EQ(SpectrumTimeAxis(QRect(0, 0, 600, 100), 0, 700).labels.size(), 11u);
  // Twenty minutes in 240 pixels: slots of 10 pixels, 120 s each, rounded to two minutes a label.
  const std::vector<QString> twenty = Texts(SpectrumTimeAxis(QRect(0, 0, 240, 100), 0, 1200));
  EXPECT_EQ(twenty.size(), 9u);
  EXPECT_EQ(twenty.front(), "2:00");
  // A zoomed range: labels as close as they fit, at whole steps of the track's time.
  EXPECT_EQ(Texts(SpectrumZoomedTimeAxis(QRect(0, 0, 600, 100), 125.5, 250)),
            (std::vector<QString>{"2:30", "3:00", "3:30", "4:00", "4:30", "5:00", "5:30", "6:00"}));
  EXPECT_EQ(SpectrumZoomedTimeAxis(QRect(0, 0, 600, 100), 125.5, 250).ticks[0].from, int((150 - 125.5) * 600 / 250));
  EXPECT_EQ(Texts(SpectrumZoomedTimeAxis(QRect(0, 0, 600, 100), 61.2, 4)),
            (std::vector<QString>{"1:02", "1:03", "1:04", "1:05"}));
  // The level axis of a scale of 80, from the bottom up.
  EXPECT_EQ(Texts(FrequencyPageLevelAxis(QRect(0, 20, 600, 160), 80)),
            (std::vector<QString>{"- 70", "- 60", "- 50", "- 40", "- 30", "- 20", "- 10"}));
  // A top frequency below 1000 Hz a label: a 500 Hz step, labelled in whole kHz.
  EXPECT_EQ(Texts(SpectrumFrequencyAxis(QRect(0, 0, 600, 200), 3000)),
            (std::vector<QString>{"0", "1", "1", "2", "2"}));
  // Rectangles too small for the label slots, and nothing to span: no labels, and no division by zero.
  EXPECT_TRUE(SpectrumTimeAxis(QRect(0, 0, 11, 100), 0, 300).labels.empty());
  EXPECT_TRUE(SpectrumTimeAxis(QRect(0, 0, 600, 100), 0, 0).ticks.empty());
  EXPECT_TRUE(SpectrumFrequencyAxis(QRect(0, 0, 600, 19), 22000).labels.empty());
  EXPECT_TRUE(FrequencyPageLevelAxis(QRect(0, 0, 600, 19), 80).labels.empty());
  EXPECT_TRUE(FrequencyPageFrequencyAxis(QRect(0, 0, 23, 100), 22000).labels.empty());
  EXPECT_TRUE(FrequencyPageLevelAxis(QRect(0, 0, 600, 100), 0).ticks.empty());
}

// Stored tracks made up by the test: rows with images and profiles in the model's store.
struct Pages {
  test::ImageFolder folder;
  DriveTable table;
  DiscModel model{table, folder.path()};
  TrackNum number;
  SpectrumView spectrum{model, &number, nullptr, folder / "no.pal"};
  EqualizerView frequency{model, &number};

  Pages() {
    for (QWidget* page : {static_cast<QWidget*>(&spectrum), static_cast<QWidget*>(&frequency)}) {
      page->resize(640, 480);
      page->show();
    }
  }
  // A row of `seconds` whose image column c holds c % 256 in every row, and whose profile is flat at `level`; data in
  // the first `columns` columns (0: all).
  void AddRow(int seconds, int width, bool stored = true, double level = 0.5, int columns = 0) {
    TrackRow row;
    row.lengthMsf = MsfTime::FromSectors(seconds * 75);
    row.imageWidth = width;
    row.imageColumns = columns;
    row.imageHeight = 1025;
    row.frequencyAxis = JobFrequencyAxis();
    row.profileScale = 80;
    if (stored) {
      std::vector<std::uint8_t> image(static_cast<size_t>(width) * 1025);
      for (int y = 0; y < 1025; ++y)
        for (int x = 0; x < width; ++x) image[static_cast<size_t>(y * width + x)] = static_cast<std::uint8_t>(x % 256);
      row.imageEntry = model.store.Append(image.data(), static_cast<std::uint32_t>(image.size()));
      std::vector<double> profile(8192, level);
      row.profileEntry = model.store.Append(profile.data(), 65536);
    }
    std::vector<TrackRow> rows = model.RowsCopy();
    rows.push_back(row);
    model.SetRows(std::move(rows));
  }
  void Tell(DataChange change) {
    for (QObject* page : {static_cast<QObject*>(&spectrum), static_cast<QObject*>(&frequency)}) {
      DataChangedEvent event(change, RowTarget::All());
      QApplication::sendEvent(page, &event);
    }
  }
  static QImage Grab(QWidget& page) { return page.grab().toImage(); }
};

TEST(GraphicPages, EmptyPagesThenTheFirstStoredTrackWithoutAnyAction) {
  Pages pages;
  QImage s = Pages::Grab(pages.spectrum), f = Pages::Grab(pages.frequency);
  const QRect area = PictureArea(pages.spectrum.rect());
  EXPECT_EQ(s.pixelColor(620, 240), QColor(240, 240, 255));  // the margin right of the picture
  EXPECT_EQ(s.pixelColor(area.left() + 50, area.top() + 30), QColor(Qt::black));
  EXPECT_EQ(s.pixelColor(area.left() + 50, area.top() + area.height() / 2), QColor(Qt::white));
  EXPECT_EQ(f.pixelColor(area.left() + 50, area.top() + 30), QColor(Qt::black));
  EXPECT_FALSE(pages.spectrum.slider()->isEnabled());

  pages.AddRow(100, 1080);
  pages.Tell(DataChange::Refresh);
  EXPECT_TRUE(pages.spectrum.HasData());
  EXPECT_TRUE(pages.spectrum.HasImage());
  EXPECT_TRUE(pages.frequency.HasProfile());
  s = Pages::Grab(pages.spectrum);
  f = Pages::Grab(pages.frequency);
  EXPECT_EQ(s.pixelColor(area.left(), area.top() + 30), Rgb(DefaultPalette().entries[0]));  // column 0
  EXPECT_EQ(f.pixelColor(area.left() + 50, area.top() + 70), QColor(0, 0, 80));            // the plot's ground
  EXPECT_EQ(pages.number.text(), "01");

  // A new analysis: the pages forget the track.
  pages.Tell(DataChange::Clear);
  EXPECT_FALSE(pages.spectrum.HasData());
  EXPECT_FALSE(pages.spectrum.HasImage());
  s = Pages::Grab(pages.spectrum);
  EXPECT_EQ(s.pixelColor(area.left() + 50, area.top() + 30), QColor(Qt::black));
}

TEST(GraphicPages, TheSliderStepsOverTracksThatStoredNothing) {
  Pages pages;
  pages.AddRow(100, 1080);
  pages.AddRow(100, 1080, false);  // too short: nothing stored
  pages.AddRow(200, 2160);
  pages.Tell(DataChange::Refresh);
  EXPECT_EQ(pages.spectrum.slider()->maximum(), 1);
  pages.spectrum.slider()->setValue(1);
  EXPECT_EQ(pages.spectrum.current(), 2);
  Pages::Grab(pages.spectrum);
  EXPECT_EQ(pages.number.text(), "03");
  EXPECT_EQ(pages.spectrum.Data().imageWidth, 2160);
}

TEST(GraphicPages, AFailedReadShowsNothingRatherThanThePreviousTrack) {
  Pages pages;
  pages.AddRow(100, 1080);
  pages.AddRow(100, 1080);
  pages.Tell(DataChange::Refresh);
  pages.model.UpdateRow(1, [](TrackRow& row) { row.imageWidth = 1076; });  // no longer the stored size
  pages.spectrum.slider()->setValue(1);
  EXPECT_EQ(pages.spectrum.current(), 1);
  EXPECT_FALSE(pages.spectrum.HasImage());
}

TEST(GraphicPages, AZoomedRangeShowsItsColumnsAndTheReadoutFollowsTheMouse) {
  Pages pages;
  pages.AddRow(100, 1080);
  pages.Tell(DataChange::Refresh);
  const QRect area = PictureArea(pages.spectrum.rect());
  pages.spectrum.Zoom(100, 50);
  const QImage s = Pages::Grab(pages.spectrum);
  const Palette& palette = DefaultPalette();
  EXPECT_EQ(s.pixelColor(area.left(), area.top() + 30), Rgb(palette.entries[100]));
  EXPECT_EQ(s.pixelColor(area.left() + area.width() - 1, area.top() + 30), Rgb(palette.entries[149]));
  // Double-click: the whole track again.
  QTest::mouseDClick(&pages.spectrum, Qt::LeftButton, {}, area.center());
  EXPECT_EQ(pages.spectrum.zoomCount(), 0);

  // Under the mouse: time, frequency and channel, in a label inside the picture.
  const QPoint at(area.left() + area.width() / 2, area.top() + area.height() / 4);
  QTest::mouseMove(&pages.spectrum, at);
  QTest::qWait(20);
  const QString text = SpectrumReadout(pages.spectrum.rect(), pages.spectrum.Data(), at);
  EXPECT_TRUE(text.startsWith("0:50")) << text.toStdString();
  EXPECT_TRUE(text.contains("left channel")) << text.toStdString();
  EXPECT_TRUE(text.contains(" 11.0")) << text.toStdString();  // half way up the left half
  ASSERT_TRUE(pages.spectrum.readout()->isVisible());
  EXPECT_EQ(pages.spectrum.readout()->text(), text);
  EXPECT_TRUE(area.contains(pages.spectrum.readout()->geometry()))
      << pages.spectrum.readout()->geometry().x() << "," << pages.spectrum.readout()->geometry().y() << " "
      << pages.spectrum.readout()->width() << "x" << pages.spectrum.readout()->height();

  const QRect plot = PictureArea(pages.frequency.rect());
  EXPECT_EQ(FrequencyReadout(pages.frequency.rect(), pages.frequency.Data(), plot.center()),
            "10.99 kHz  left -40.0 dB  right -40.0 dB");
}

// The columns after the data pad the stored rows: the picture, its time axis, the read-out and the zoom end with the
// last column of data.
TEST(GraphicPages, OnlyTheColumnsThatHoldDataAreDrawn) {
  Pages pages;
  pages.AddRow(100, 1080, true, 0.5, 1000);
  pages.Tell(DataChange::Refresh);
  const QRect area = PictureArea(pages.spectrum.rect());
  const QPoint lastPixel(area.left() + area.width() - 1, area.top() + 30);
  EXPECT_EQ(Pages::Grab(pages.spectrum).pixelColor(lastPixel), Rgb(DefaultPalette().entries[999 % 256]));
  EXPECT_TRUE(SpectrumReadout(pages.spectrum.rect(), pages.spectrum.Data(), lastPixel).startsWith("1:39"));
  pages.spectrum.Zoom(990, 50);
  EXPECT_EQ(pages.spectrum.zoomFirst() + pages.spectrum.zoomCount(), 1000);
  EXPECT_EQ(Pages::Grab(pages.spectrum).pixelColor(lastPixel), Rgb(DefaultPalette().entries[999 % 256]));
}

TEST(GraphicPages, TheCutoffMarkerAndTheLegendColours) {
  Pages pages;
  pages.AddRow(100, 1080);
  pages.Tell(DataChange::Refresh);
  pages.frequency.SetCutoff(0, 16000.0);
  const QImage f = Pages::Grab(pages.frequency);
  const QRect plot = PictureArea(pages.frequency.rect());
  const int expected = FrequencyPageX(plot, 16000.0);
  int found = -1;
  for (int x = plot.left(); x < plot.left() + plot.width(); ++x) {
    if (f.pixelColor(x, plot.top() + 2) == QColor(64, 255, 160)) found = x;
  }
  EXPECT_EQ(found, expected);
  EXPECT_NEAR(expected - plot.left(), 16000.0 / 22050.0 * plot.width(), 1.0);
  const int bx = plot.left() + plot.width() - 160;
  EXPECT_EQ(f.pixelColor(bx + 35, plot.top() + 17), QColor(255, 0, 255));
  EXPECT_EQ(f.pixelColor(bx + 35, plot.top() + 33), QColor(255, 255, 0));
  // The flat profile at 0.5: both curves at half height.
  EXPECT_EQ(f.pixelColor(plot.left() + 20, plot.top() + plot.height() - plot.height() / 2), QColor(255, 255, 0));
}

// The band limit's marker stands where the track's row puts it, and goes with the row's next track.
TEST(GraphicPages, TheBandLimitMarkerStandsAtTheRowsLimit) {
  Pages pages;
  pages.AddRow(100, 1080);
  pages.AddRow(100, 1080);
  std::vector<TrackRow> rows = pages.model.RowsCopy();
  rows[0].bandLimit = BandLimit{16900.0, true};
  pages.model.SetRows(std::move(rows));
  pages.Tell(DataChange::Refresh);
  const QRect plot = PictureArea(pages.frequency.rect());
  auto markerAt = [&] {
    const QImage f = Pages::Grab(pages.frequency);
    for (int x = plot.left(); x < plot.left() + plot.width(); ++x) {
      for (int y = plot.top(); y < plot.top() + 8; ++y)
        if (f.pixelColor(x, y) == QColor(255, 176, 64)) return x;
    }
    return -1;
  };
  pages.frequency.ShowPosition(1);
  EXPECT_EQ(markerAt(), -1);  // the second track has none
  EXPECT_EQ(pages.frequency.Data().bandLimitHz, 0.0);
  pages.frequency.ShowPosition(0);
  EXPECT_EQ(markerAt(), FrequencyPageX(plot, 16900.0));
  EXPECT_DOUBLE_EQ(pages.frequency.Data().bandLimitHz, 16900.0);
  EXPECT_TRUE(pages.frequency.Data().bandLimitSharp);
}

// A disc of one track: a 3 kHz tone on the left, the fifth above it (4.5 kHz) on the right.
TEST(GraphicPages, AnAnalysedToneLiesAtTheHeightOfItsFrequencyInEachChannel) {
  test::ImageFolder folder;
  ASSERT_TRUE(test::WriteSound(folder / "tone.wav", test::Tone(44100 * 8, 3000.0)));
  std::string error;
  auto disc = VirtualDisc::FromAudioFiles({folder / "tone.wav"}, error);
  ASSERT_TRUE(disc) << error;
  Pages pages;
  const char letter = pages.table.AddCdDrive(disc->AsDrive());
  ASSERT_TRUE(pages.model.drive.Open(letter));
  ASSERT_TRUE(pages.model.LoadTrackRows());
  test::RecordingHost host;
  {
    AnalysisThread worker([&](AnalysisThread& w) { RunAnalyzeDiscJob(pages.model, host, w, 1); });
    worker.QueueJob();
    worker.WaitIdle();
  }
  pages.Tell(DataChange::Refresh);
  ASSERT_TRUE(pages.spectrum.HasImage());
  const QImage s = Pages::Grab(pages.spectrum);
  const QRect area = PictureArea(pages.spectrum.rect());
  const int x = area.left() + area.width() / 2;
  auto brightest = [&](int top, int bottom) {
    int best = top;
    for (int y = top; y < bottom; ++y) {
      if (s.pixelColor(x, y).green() > s.pixelColor(x, best).green()) best = y;
    }
    return best;
  };
  const int mid = area.top() + area.height() / 2;
  const double half = area.height() / 2.0;
  for (const auto& [hz, top, bottom] : {std::tuple{3000.0, area.top(), mid}, std::tuple{4500.0, mid + 1, area.bottom()}}) {
    const double expected = (top == area.top() ? mid : area.bottom() + 1) - hz / 22050.0 * half;
    EXPECT_NEAR(brightest(top, bottom), expected, 3.0) << hz;
  }
}

}  // namespace
}  // namespace ossel
