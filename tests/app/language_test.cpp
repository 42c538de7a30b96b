// The window in English: every page after an analysis, grabbed, with no Chinese text left in what it shows or
// tells a screen reader, and no tab, column title or cell shortened. In the default language every text of the
// window's own comes from the catalogue; at the start-up size every tab fits in either language.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QPaintEngine>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>
#include <QTranslator>
#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/analyzer_app.h"
#include "app/main_panel.h"
#include "drawing/page_pictures.h"
#include "views/about_dialog.h"
#include "views/graphic_pages.h"
#include "views/help_dialog.h"
#include "platform/language.h"
#include "platform/virtual_disc.h"
#include "support/disc_images.h"
#include "views/ext_tab_ctrl.h"
#include "views/list_views.h"
#include "views/my_list_ctrl.h"

namespace ossel {
namespace {

bool HasChinese(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF) return true;
  }
  return false;
}

// Every name, description and value the accessibility tree holds below `object`, with where it was found.
void CollectTexts(QAccessibleInterface* node, const QString& path, std::vector<std::pair<QString, QString>>& texts,
                  int depth = 0) {
  if (!node || depth > 12) return;
  for (QAccessible::Text kind : {QAccessible::Name, QAccessible::Description, QAccessible::Value}) {
    const QString text = node->text(kind);
    if (!text.isEmpty()) texts.emplace_back(path, text);
  }
  for (int i = 0; i < node->childCount() && i < 400; ++i) {
    QAccessibleInterface* child = node->child(i);
    CollectTexts(child, path + "/" + (child ? child->text(QAccessible::Name) : QString()), texts, depth + 1);
  }
}

// A list's column titles and cells as they are drawn: unchanged unless they do not fit their column.
void ExpectNothingShortened(const CMyListCtrl& list) {
  for (int c = 0; c < list.ColumnCount(); ++c) {
    const int width = list.columnWidth(c);
    const QString title = list.model()->headerData(c, Qt::Horizontal).toString();
    if (!list.horizontalHeader()->isHidden()) {
      EXPECT_LE(list.horizontalHeader()->fontMetrics().horizontalAdvance(title) + 12, width)
          << list.objectName().toStdString() << ": the title " << title.toStdString() << " is cut";
    }
    for (int item = 0; item < list.ItemCount(); ++item) {
      const QString text = list.ItemText(item, c);
      QFont font = list.font();
      if (list.ItemState(item) & kStateHeaderRow) font.setWeight(QFont::Bold);
      EXPECT_EQ(ShortenText(QFontMetrics(font), text, width, c == 0 ? 4 + list.labelMargin : 12), text)
          << list.objectName().toStdString() << ": row " << item << " column " << c << " is cut";
    }
  }
}

// The stored settings emptied but for the console page, so that every page is shown.
void StoreSettingsWithConsole() {
  QSettings stored("Velmora", "Analyzer");
  stored.clear();
  stored.setValue("ConsoleEnabled", 1);
}

// Two noise tracks in one BINARY file: enough blocks each for a verdict.
std::shared_ptr<VirtualDisc> NoiseDisc(const test::ImageFolder& folder) {
  constexpr int kSectors = 2200;
  test::Samples all = test::Noise(std::int64_t{2 * kSectors} * test::kFramesPerSector, 5);
  EXPECT_TRUE(test::WriteRaw(folder / "disc.bin", all));
  EXPECT_TRUE(test::WriteText(folder / "disc.cue", "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                                     "  TRACK 02 AUDIO\n    INDEX 01 00:29:25\n"));
  std::string error;
  std::shared_ptr<VirtualDisc> disc = VirtualDisc::FromCueSheet(folder / "disc.cue", error);
  EXPECT_TRUE(disc) << error;
  return disc;
}

TEST(EnglishWindow, EveryPageIsInEnglishAndNothingIsCut) {
  SetLanguage(Language::English);
  QTranslator translator;
  ASSERT_TRUE(translator.load(QStringLiteral(OSSEL_BINARY_DIR "/app/i18n/ossel_en.qm")));
  QApplication::installTranslator(&translator);
  StoreSettingsWithConsole();

  test::ImageFolder folder;
  std::shared_ptr<VirtualDisc> disc = NoiseDisc(folder);
  ASSERT_TRUE(disc);
  DriveTable table;
  table.AddCdDrive(disc->AsDrive());
  std::vector<QString> messages;
  MainPanel::messageSink = [&messages](const QString& text) { messages.push_back(text); };
  {
    CMainFrame frame(table);
    ASSERT_TRUE(frame.Create());
    bool finished = false;
    QObject::connect(frame.panel(), &MainPanel::jobFinished, [&finished] { finished = true; });
    frame.resize(640, 480);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    frame.OnCommand(kCmdAnalyze);
    ASSERT_TRUE(QTest::qWaitFor([&finished] { return finished; }, 60000));
    EXPECT_EQ(frame.windowTitle(), "Ossel Analyzer - 1.2");

    CExtTabCtrl* tabs = frame.panel()->tabs();
    QTabBar* bar = tabs->tabBar();
    ASSERT_EQ(bar->count(), 8);
    for (int page = 0; page < bar->count(); ++page) {
      SCOPED_TRACE("page " + bar->tabText(page).toStdString());
      const QString caption = bar->tabText(page);
      EXPECT_FALSE(HasChinese(caption));
      EXPECT_LE(bar->fontMetrics().horizontalAdvance(QString(caption).remove('&')), bar->tabRect(page).width());
      tabs->SelectPage(page);
      QApplication::processEvents();
      const QImage shot = frame.grab().toImage();
      ASSERT_FALSE(shot.isNull());
      std::vector<std::pair<QString, QString>> texts;
      CollectTexts(QAccessible::queryAccessibleInterface(&frame), "window", texts);
      EXPECT_GT(texts.size(), 10u);
      for (const auto& [where, text] : texts) {
        EXPECT_FALSE(HasChinese(text)) << where.toStdString() << ": " << text.toStdString();
      }
      // A list is laid out for its width once shown.
      for (const CMyListCtrl* list : std::initializer_list<const CMyListCtrl*>{
               frame.panel()->trackList(), frame.panel()->infoList(), frame.panel()->isrcList()}) {
        if (list->isVisible()) ExpectNothingShortened(*list);
      }
    }
    EXPECT_EQ(frame.panel()->trackList()->ItemText(2, 0), "Disc verdict");
    EXPECT_EQ(frame.panel()->infoList()->ItemText(0, 0), "Device information");
  }
  MainPanel::messageSink = nullptr;
  QApplication::removeTranslator(&translator);
  SetLanguage(Language::Original);
}

// A translator that hands back every text of the catalogue between two marks, so that a text shown without the
// marks did not come from the catalogue.
constexpr QChar kOpen(0xE000), kClose(0xE001);
class MarkingTranslator : public QTranslator {
 public:
  bool isEmpty() const override { return false; }
  QString translate(const char*, const char* source, const char*, int) const override {
    return kOpen + QString::fromUtf8(source) + kClose;
  }
};

// The letters of `texts`, read in order, that stand outside every pair of marks.
QString Unmarked(const QStringList& texts) {
  QString outside;
  int depth = 0;
  for (const QString& text : texts) {
    for (const QChar c : text) {
      if (c == kOpen) ++depth;
      else if (c == kClose) depth = std::max(0, depth - 1);
      else if (depth == 0 && c.isLetter()) outside += c;
    }
  }
  return outside;
}

// A paint device that keeps the texts painted on it, in order, and draws nothing.
class TextDevice : public QPaintDevice {
 public:
  explicit TextDevice(QSize size) : size_(size) {}
  QPaintEngine* paintEngine() const override { return &engine_; }
  const QStringList& texts() const { return engine_.texts; }

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth: return size_.width();
      case PdmHeight: return size_.height();
      case PdmWidthMM: return size_.width() * 254 / 960;
      case PdmHeightMM: return size_.height() * 254 / 960;
      case PdmDepth: return 32;
      case PdmNumColors: return INT_MAX;
      case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 96;
      case PdmDevicePixelRatio: return 1;
      case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
    }
    return 0;
  }

 private:
  struct Recorder : QPaintEngine {
    Recorder() : QPaintEngine(AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPath(const QPainterPath&) override {}
    using QPaintEngine::drawPolygon;
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF&, const QTextItem& item) override { texts << item.text(); }
    Type type() const override { return User; }
    QStringList texts;
  };
  QSize size_;
  mutable Recorder engine_;
};

QStringList PaintedTexts(QWidget& widget) {
  TextDevice device(widget.size());
  widget.render(&device);
  return device.texts();
}

// The window's own texts, widget by widget: titles, tool tips, names a screen reader reads, labels, buttons, frames,
// tabs and column titles (not the rows, the report or the help pages, which are the disc's and the documents').
QStringList WidgetTexts(const QWidget& window) {
  QStringList texts{window.windowTitle()};
  QList<const QWidget*> widgets{&window};
  for (const QWidget* w : window.findChildren<QWidget*>()) widgets << w;
  for (const QWidget* w : widgets) {
    texts << w->toolTip() << w->accessibleName() << w->accessibleDescription();
    if (const auto* label = qobject_cast<const QLabel*>(w)) texts << label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) texts << button->text();
    if (const auto* box = qobject_cast<const QGroupBox*>(w)) texts << box->title();
    if (const auto* bar = qobject_cast<const QTabBar*>(w)) {
      for (int i = 0; i < bar->count(); ++i) texts << bar->tabText(i);
    }
    if (const auto* header = qobject_cast<const QHeaderView*>(w)) {
      for (int i = 0; i < header->count(); ++i) texts << header->model()->headerData(i, header->orientation()).toString();
    }
  }
  return texts;
}

TEST(DefaultWindow, EveryTextOfTheWindowAndItsPicturesComesFromTheCatalogue) {
  MarkingTranslator marking;
  QApplication::installTranslator(&marking);
  StoreSettingsWithConsole();
  test::ImageFolder folder;
  std::shared_ptr<VirtualDisc> disc = NoiseDisc(folder);
  ASSERT_TRUE(disc);
  DriveTable table;
  const char letter = table.AddCdDrive(disc->AsDrive());
  MainPanel::messageSink = [](const QString& text) { ADD_FAILURE() << text.toStdString(); };
  {
    CMainFrame frame(table);
    ASSERT_TRUE(frame.Create());
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    // The texts of the empty track list's picture, then every page after an analysis.
    ASSERT_TRUE(frame.panel()->trackList()->BackgroundShown());
    const QString picture = QString::fromUtf8(frame.panel()->trackList()->BackgroundPicture());
    QStringList hint;
    for (const auto& text : QRegularExpression("<text[^>]*>([^<]*)</text>").globalMatch(picture)) hint << text.captured(1);
    ASSERT_FALSE(hint.isEmpty());
    EXPECT_EQ(Unmarked(hint).toStdString(), "") << hint.join('|').toStdString();

    bool finished = false;
    QObject::connect(frame.panel(), &MainPanel::jobFinished, [&finished] { finished = true; });
    frame.OnCommand(kCmdAnalyze);
    ASSERT_TRUE(QTest::qWaitFor([&finished] { return finished; }, 60000));
    frame.panel()->frequency()->SetCutoff(0, 16000.0);

    // What is no language: the drive's own description, and the about page's fixed names and notices.
    const QString drive = QString::fromStdString(table.Lookup(letter).description);
    const QStringList fixed{kVersionBanner, kMakerNotice, kDonationText, kHomePageUrl, drive};
    CExtTabCtrl* tabs = frame.panel()->tabs();
    for (int page = 0; page < tabs->TabCount(); ++page) {
      tabs->SelectPage(page);
      QApplication::processEvents();
      SCOPED_TRACE("page " + std::to_string(page));
      for (const QString& text : WidgetTexts(frame)) {
        if (fixed.contains(text)) continue;
        EXPECT_EQ(Unmarked({text}).toStdString(), "") << text.toStdString();
      }
    }
    for (GraphicView* view : std::initializer_list<GraphicView*>{frame.panel()->spectrum(), frame.panel()->frequency()}) {
      tabs->SelectPage(view == frame.panel()->spectrum() ? kPageSpectrum : kPageFrequency);
      QApplication::processEvents();
      const QStringList painted = PaintedTexts(*view);
      EXPECT_GE(painted.size(), 5);
      EXPECT_EQ(Unmarked(painted).toStdString(), "") << painted.join('|').toStdString();
    }
    const QRect client = frame.panel()->spectrum()->rect();
    const QPoint inside = PictureArea(client).center();
    EXPECT_EQ(Unmarked({SpectrumReadout(client, frame.panel()->spectrum()->Data(), inside),
                        FrequencyReadout(client, frame.panel()->frequency()->Data(), inside)})
                  .toStdString(),
              "");
  }
  MainPanel::messageSink = nullptr;
  QApplication::removeTranslator(&marking);
}

// At the size the window starts with, every tab fits whole, in either language: no scroll arrows, no caption cut.
TEST(Languages, AtTheStartUpSizeEveryTabFitsInEitherLanguage) {
  QTranslator english;
  ASSERT_TRUE(english.load(QStringLiteral(OSSEL_BINARY_DIR "/app/i18n/ossel_en.qm")));
  StoreSettingsWithConsole();
  const QFont testFont = QApplication::font();
  SetWindowFonts();
  for (const Language language : {Language::Original, Language::English}) {
    SCOPED_TRACE(language == Language::English ? "English" : "original");
    SetLanguage(language);
    if (language == Language::English) QApplication::installTranslator(&english);
    DriveTable table;
    CMainFrame frame(table);
    ASSERT_TRUE(frame.Create());
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    QTabBar* bar = frame.panel()->tabs()->tabBar();
    ASSERT_EQ(bar->count(), 8);
    for (const QWidget* arrow : bar->findChildren<QAbstractButton*>()) EXPECT_FALSE(arrow->isVisible());
    for (int i = 0; i < bar->count(); ++i) {
      const QString caption = QString(bar->tabText(i)).remove('&');
      EXPECT_LE(bar->tabRect(i).right(), bar->width() - 1) << caption.toStdString();
      EXPECT_GE(bar->tabRect(i).width(), bar->fontMetrics().horizontalAdvance(caption) + bar->iconSize().width() + 12)
          << caption.toStdString();
    }
    QApplication::removeTranslator(&english);
  }
  QApplication::setFont(testFont);
  SetLanguage(Language::Original);
}

}  // namespace
}  // namespace ossel
