#include "platform/media_monitor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace ossel {
namespace {


DriveTable::Drive Cd(const std::string& description) {
  DriveTable::Drive drive;
  drive.type = DriveType::Cdrom;
  drive.description = description;
  return drive;
}

// Node names no machine running the tests has, so that nothing resolves to a real drive.
constexpr const char* kNode = "/dev/sr90";
constexpr const char* kOtherNode = "/dev/sr91";
constexpr const char* kLink = "/dev/disk/by-id/usb-Ossel_Test_CD-0:0";
constexpr const char* kImage = "/srv/discs/album.cue";

// C: fixed, D: the drive by its node, E: the same drive by a udev symlink, F: a virtual disc.
void FillTable(DriveTable& drives) {
  drives.Set('D', Cd(kNode));
  drives.Set('E', Cd(kLink));
  drives.Set('F', Cd(kImage));
}

UdevEvent Change(const std::string& node, std::map<std::string, std::string> properties,
                 std::optional<bool> hadMedium = std::nullopt) {
  properties.emplace("SUBSYSTEM", "block");
  properties.emplace("DEVTYPE", "disk");
  return UdevEvent{"change", node, std::move(properties), hadMedium};
}

TEST(MediaEventsFromUdev, MapsMediaChangesOfTheTablesCdDrives) {
  const std::string links = std::string("/dev/disk/by-path/pci-0000:00:17.0-ata-2 ") + kLink;
  struct Case {
    const char* name;
    UdevEvent event;
    const char* change;  // "in", "out", or "" for no event
    const char* letters;
  } cases[] = {
      {"disc inserted", Change(kNode, {{"DISK_MEDIA_CHANGE", "1"}, {"ID_CDROM_MEDIA", "1"}}), "in", "D"},
      {"disc taken out", Change(kNode, {{"DISK_MEDIA_CHANGE", "1"}, {"ID_CDROM", "1"}}), "out", "D"},
      {"eject button, disc still in", Change(kNode, {{"DISK_EJECT_REQUEST", "1"}, {"ID_CDROM_MEDIA", "1"}}),
       "out", "D"},
      {"medium appears", Change(kNode, {{"ID_CDROM_MEDIA", "1"}}, false), "in", "D"},
      {"medium disappears", Change(kNode, {{"ID_CDROM_MEDIA", "0"}}, true), "out", "D"},
      {"property-less change", Change(kNode, {}), "", ""},
      {"triggered change, disc stays", Change(kNode, {{"ID_CDROM_MEDIA", "1"}}, true), "", ""},
      {"hard disk", Change("/dev/sdb", {{"DISK_MEDIA_CHANGE", "1"}, {"ID_CDROM_MEDIA", "1"}}), "", ""},
      {"partition of the drive", Change(kNode, {{"DEVTYPE", "partition"}, {"DISK_MEDIA_CHANGE", "1"}}), "", ""},
      {"both letters of one drive",
       Change(kNode, {{"DEVLINKS", links}, {"DISK_MEDIA_CHANGE", "1"}, {"ID_CDROM_MEDIA", "1"}}), "in", "DE"},
      {"drive known by its symlink only", Change(kOtherNode, {{"DEVLINKS", links}, {"DISK_MEDIA_CHANGE", "1"}}),
       "out", "E"},
      {"virtual disc", Change(kImage, {{"DISK_MEDIA_CHANGE", "1"}, {"ID_CDROM_MEDIA", "1"}}), "", ""},
      {"drive plugged in with a disc", {"add", kNode, {{"ID_CDROM_MEDIA", "1"}}, std::nullopt}, "in", "D"},
      {"empty drive plugged in", {"add", kNode, {{"ID_CDROM", "1"}}, std::nullopt}, "", ""},
      {"drive with a disc unplugged", {"remove", kNode, {}, true}, "out", "D"},
      {"other action", {"bind", kNode, {{"DISK_MEDIA_CHANGE", "1"}, {"ID_CDROM_MEDIA", "1"}}, std::nullopt}, "", ""},
  };
  DriveTable drives;
  FillTable(drives);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<MediaEvent> expected;
    for (const char* l = c.letters; *l; ++l) expected.push_back({*l, std::string(c.change) == "in"});
    EXPECT_EQ(MediaEventsFromUdev(c.event, drives), expected);
  }
}

// A description and a node that name one device once their symlinks are resolved match; an image file kept
// under /dev/ is still a virtual disc. /dev/fd/N is a symlink chain any process can make: it ends at the file
// open as N.
TEST(MediaEventsFromUdev, ResolvesSymlinksAndKeepsImagesUnderDevOut) {
  const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  char image[] = "/dev/shm/ossel-media-test-XXXXXX";
  const int imageFd = mkstemp(image);
  if (imageFd < 0) {
    close(fd);
    GTEST_SKIP() << "/dev/shm is not writable";
  }
  close(imageFd);

  DriveTable drives;
  drives.Set('G', Cd("/dev/fd/" + std::to_string(fd)));
  drives.Set('H', Cd(image));
  const std::map<std::string, std::string> inserted{{"DISK_MEDIA_CHANGE", "1"}, {"ID_CDROM_MEDIA", "1"}};
  const auto throughLink = MediaEventsFromUdev(Change("/dev/null", inserted), drives);
  const auto onImage = MediaEventsFromUdev(Change(image, inserted), drives);
  close(fd);
  std::remove(image);

  EXPECT_EQ(throughLink, (std::vector<MediaEvent>{{'G', true}}));
  EXPECT_TRUE(onImage.empty());
}

// Whether udev is there depends on the machine; either way nothing crashes, leaks or waits.
TEST(MediaMonitor, StartsOrDeclinesAndReadsWithoutWaiting) {
  DriveTable drives;
  FillTable(drives);
  MediaMonitor idle;
  EXPECT_EQ(idle.Fd(), -1);
  EXPECT_TRUE(idle.ReadPending(drives).empty());

  MediaMonitor monitor;
  if (monitor.Start()) {
    const int fd = monitor.Fd();
    EXPECT_GE(fd, 0);
    EXPECT_TRUE(monitor.Start());
    EXPECT_EQ(monitor.Fd(), fd);
    EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, O_NONBLOCK);
  } else {
    EXPECT_EQ(monitor.Fd(), -1);
  }
  // Events of the machine's real drives may be queued, but none of them is in this table.
  EXPECT_TRUE(monitor.ReadPending(drives).empty());
}

}  // namespace
}  // namespace ossel
