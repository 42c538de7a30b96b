// The stored settings when the file they live in is no regular file: the program starts with the defaults, says so,
// and never waits on it.
#include <sys/stat.h>

#include <QDir>
#include <QSettings>
#include <gtest/gtest.h>

#include "app/settings.h"
#include "support/disc_images.h"
#include "support/time_limit.h"

namespace ossel {
namespace {

TEST(Settings, AFileThatIsNoRegularFileGivesTheDefaultsAndIsLeftAlone) {
  const QString testSettings = qEnvironmentVariable("XDG_CONFIG_HOME");  // where the test program keeps them
  test::ImageFolder folder;
  const std::string file = folder / "Velmora/Analyzer.conf";
  const auto made = [&](bool fifo) {
    return ::mkdir((folder / "Velmora").c_str(), 0700) == 0 &&
           (fifo ? ::mkfifo(file.c_str(), 0600) : ::mkdir(file.c_str(), 0700)) == 0;
  };
  for (const bool fifo : {true, false}) {
    SCOPED_TRACE(fifo ? "a FIFO" : "a folder");
    QDir(QString::fromStdString(folder / "Velmora")).removeRecursively();
    ASSERT_TRUE(made(fifo));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(folder.path()));
    testing::internal::CaptureStderr();
    char drive = 0;
    std::int32_t skip = -1;
    const bool finished = test::FinishesWithin(10, file, [&] {
      Settings settings;
      drive = settings.cdDrive;
      skip = settings.skipMode;
      settings.cdDrive = 'E';
    });
    const std::string said = testing::internal::GetCapturedStderr();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, testSettings);
    ASSERT_TRUE(finished) << "blocked on the settings file";
    EXPECT_EQ(drive, 'C');
    EXPECT_EQ(skip, 0);
    EXPECT_EQ(said, "ossel-analyzer: " + file + ": not a regular file; the settings are the defaults and are not saved\n");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(fifo ? S_ISFIFO(st.st_mode) : S_ISDIR(st.st_mode), true);
  }
}

}  // namespace
}  // namespace ossel
