// The window in English: every page after an analysis, grabbed, with no Chinese text left in what it shows or
// tells a screen reader, and no tab, column title or cell shortened.
#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QSettings>
#include <QTest>
#include <QTranslator>
#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/main_frame.h"
#include "app/main_panel.h"
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

TEST(EnglishWindow, EveryPageIsInEnglishAndNothingIsCut) {
  SetLanguage(Language::English);
  QTranslator translator;
  ASSERT_TRUE(translator.load(QStringLiteral(":/i18n/ossel_en.qm")));
  QApplication::installTranslator(&translator);
  {
    QSettings stored("Velmora", "Analyzer");
    stored.clear();
    stored.setValue("ConsoleEnabled", 1);
  }

  // Two noise tracks: enough blocks each for a verdict.
  test::ImageFolder folder;
  constexpr int kSectors = 2200;
  test::Samples all = test::Noise(std::int64_t{2 * kSectors} * test::kFramesPerSector, 5);
  ASSERT_TRUE(test::WriteRaw(folder / "disc.bin", all));
  ASSERT_TRUE(test::WriteText(folder / "disc.cue", "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                                     "  TRACK 02 AUDIO\n    INDEX 01 00:29:25\n"));
  std::string error;
  std::shared_ptr<VirtualDisc> disc = VirtualDisc::FromCueSheet(folder / "disc.cue", error);
  ASSERT_TRUE(disc) << error;
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

}  // namespace
}  // namespace ossel
