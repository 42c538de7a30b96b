// Media changes of the machine's CD drives, as the window's media-change notices tell them.
//
// The kernel and udev announce a disc going in or out as a "change" of the drive's block device; this turns such
// an event into one media event for each drive letter the table gives the drive: a disc arrived (the device
// arrival notice, 0x8000, for a volume's medium) or went (device removal complete, 0x8004).
//
// Rules of MediaEventsFromUdev, in this order:
//   - Only whole-disk block devices (SUBSYSTEM "block", DEVTYPE "disk" when the event names them) of CD drives in
//     the table. A drive matches when its description names the event's node: the same text, one of the node's
//     udev symlinks (DEVLINKS), or the same path once both are resolved. A description outside /dev/, or one
//     naming a regular file (an image kept in /dev/shm), is a virtual disc and never matches. Every matching
//     letter has its event: /dev/cdrom and /dev/sr0 may both be in the table for one drive.
//   - "change": DISK_EJECT_REQUEST=1 is a removal (the disc is on its way out). Else DISK_MEDIA_CHANGE=1 is an
//     arrival with ID_CDROM_MEDIA=1 and a removal without it. Else ID_CDROM_MEDIA appearing (arrival) or
//     disappearing (removal) against `hadMedium`; when that is not known, or nothing changed, no notice: a
//     change that says nothing about the medium (a rescan, a triggered event) is not a media change.
//   - "add" with ID_CDROM_MEDIA=1 is an arrival (a drive plugged in with a disc); "remove" of a drive that held a
//     disc (ID_CDROM_MEDIA=1 or `hadMedium`) is a removal. Every other action gives no notice.
// An eject request is normally followed by the media change of the emptied drive, so one eject may give two
// removals; a second removal of the same drive forgets nothing more.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/drive_table.h"

struct udev;
struct udev_monitor;

namespace ossel {

// A disc arrived in, or went from, the drive with this letter.
struct MediaEvent {
  char letter = 0;
  bool arrived = false;
  bool operator==(const MediaEvent&) const = default;
};

// One udev event, as the monitor received it.
struct UdevEvent {
  std::string action;                             // "add", "remove", "change", ...
  std::string devNode;                            // "/dev/sr0"; empty when the device has no node
  std::map<std::string, std::string> properties;  // DEVLINKS, ID_CDROM_MEDIA, DISK_MEDIA_CHANGE, ...
  // Whether the device held a medium (ID_CDROM_MEDIA=1) at its previous event; empty when not known.
  std::optional<bool> hadMedium;
};

// The events of `e` in the order of the letters; none when it is no media change of a CD drive in the table.
std::vector<MediaEvent> MediaEventsFromUdev(const UdevEvent& e, const DriveTable& drives);

// Listens to udev for the events of block devices and maps them with MediaEventsFromUdev. Never blocks and never
// throws; without udev (a container, a machine without the daemon) Start fails and there are simply no notices.
class MediaMonitor {
 public:
  MediaMonitor();
  ~MediaMonitor();
  MediaMonitor(const MediaMonitor&) = delete;
  MediaMonitor& operator=(const MediaMonitor&) = delete;

  // Connects to udev and notes which CD drives hold a medium now. False when udev is not available; calling it
  // again after success does nothing and returns true.
  bool Start();
  // The socket to watch for readability; -1 before a successful Start.
  int Fd() const;
  // Every event queued now, mapped; returns at once when none is queued, and empty before a successful Start.
  std::vector<MediaEvent> ReadPending(const DriveTable& drives);

 private:
  void Stop();

  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  std::map<std::string, bool> hadMedium_;  // by device node
};

}  // namespace ossel
