#include "platform/media_monitor.h"

#include <libudev.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <system_error>

namespace ossel {

namespace {

namespace fs = std::filesystem;

// Enough for a burst of changes on every drive; what is left stays queued and keeps the socket readable.
constexpr int kMaxEventsPerRead = 64;

enum class Change { None, Arrival, Removal };

bool Has(const UdevEvent& e, const char* key, const char* value) {
  auto it = e.properties.find(key);
  return it != e.properties.end() && it->second == value;
}

// A property that, when the event names it, must have this value.
bool IsOrAbsent(const UdevEvent& e, const char* key, const char* value) {
  auto it = e.properties.find(key);
  return it == e.properties.end() || it->second == value;
}

Change Decide(const UdevEvent& e) {
  const bool medium = Has(e, "ID_CDROM_MEDIA", "1");
  const Change toNow = medium ? Change::Arrival : Change::Removal;
  if (e.action == "change") {
    if (Has(e, "DISK_EJECT_REQUEST", "1")) return Change::Removal;
    if (Has(e, "DISK_MEDIA_CHANGE", "1")) return toNow;
    if (e.hadMedium && *e.hadMedium != medium) return toNow;
    return Change::None;
  }
  if (e.action == "add") return medium ? Change::Arrival : Change::None;
  if (e.action == "remove") return medium || e.hadMedium.value_or(false) ? Change::Removal : Change::None;
  return Change::None;
}

// The path with every symlink resolved, or empty when it cannot be resolved (missing, no permission).
std::string Resolved(const std::string& path) {
  std::error_code ec;
  fs::path real = fs::canonical(path, ec);
  return ec ? std::string() : real.string();
}

// A drive's description names a device node: a path under /dev/ that is not a file or folder there.
bool IsDeviceNode(const std::string& description) {
  if (description.rfind("/dev/", 0) != 0) return false;
  std::error_code ec;
  const fs::file_status status = fs::status(description, ec);
  return !(fs::is_regular_file(status) || fs::is_directory(status));
}

bool InDevLinks(const UdevEvent& e, const std::string& description) {
  auto it = e.properties.find("DEVLINKS");
  if (it == e.properties.end()) return false;
  std::istringstream links(it->second);
  for (std::string link; links >> link;) {
    if (link == description) return true;
  }
  return false;
}

std::string MatchingLetters(const UdevEvent& e, const DriveTable& drives) {
  std::string node = Resolved(e.devNode);
  if (node.empty()) node = e.devNode;  // a removed device's node may be gone already
  std::string letters;
  for (const char letter : LettersFromUnitMask(drives.LogicalDriveMask())) {
    const DriveTable::Drive drive = drives.Lookup(letter);
    if (drive.type != DriveType::Cdrom || !IsDeviceNode(drive.description)) continue;
    if (drive.description == e.devNode || InDevLinks(e, drive.description) || Resolved(drive.description) == node) {
      letters += letter;
    }
  }
  return letters;
}

UdevEvent ToEvent(udev_device* device) {
  UdevEvent e;
  if (const char* action = udev_device_get_action(device)) e.action = action;
  if (const char* node = udev_device_get_devnode(device)) e.devNode = node;
  for (udev_list_entry* entry = udev_device_get_properties_list_entry(device); entry;
       entry = udev_list_entry_get_next(entry)) {
    const char* name = udev_list_entry_get_name(entry);
    const char* value = udev_list_entry_get_value(entry);
    if (name) e.properties[name] = value ? value : "";
  }
  return e;
}

}  // namespace

std::vector<MediaEvent> MediaEventsFromUdev(const UdevEvent& e, const DriveTable& drives) {
  std::vector<MediaEvent> events;
  if (e.devNode.empty()) return events;
  if (!IsOrAbsent(e, "SUBSYSTEM", "block") || !IsOrAbsent(e, "DEVTYPE", "disk")) return events;
  const Change change = Decide(e);
  if (change == Change::None) return events;
  for (const char letter : MatchingLetters(e, drives)) events.push_back({letter, change == Change::Arrival});
  return events;
}

MediaMonitor::MediaMonitor() = default;

MediaMonitor::~MediaMonitor() { Stop(); }

void MediaMonitor::Stop() {
  if (monitor_) udev_monitor_unref(monitor_);
  if (udev_) udev_unref(udev_);
  monitor_ = nullptr;
  udev_ = nullptr;
  hadMedium_.clear();
}

bool MediaMonitor::Start() {
  if (monitor_) return true;
  // Without the daemon no event would ever come, and none would carry the medium's properties.
  if (access("/run/udev/control", F_OK) != 0) return false;
  udev_ = udev_new();
  if (!udev_) return false;
  monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "block", "disk") < 0 ||
      udev_monitor_enable_receiving(monitor_) < 0 || udev_monitor_get_fd(monitor_) < 0) {
    Stop();
    return false;
  }

  // What the drives hold now, so that a medium appearing or going in a later event can be told from no change.
  if (udev_enumerate* scan = udev_enumerate_new(udev_)) {
    if (udev_enumerate_add_match_subsystem(scan, "block") >= 0 &&
        udev_enumerate_add_match_property(scan, "ID_CDROM", "1") >= 0 && udev_enumerate_scan_devices(scan) >= 0) {
      for (udev_list_entry* entry = udev_enumerate_get_list_entry(scan); entry;
           entry = udev_list_entry_get_next(entry)) {
        const char* syspath = udev_list_entry_get_name(entry);
        udev_device* device = syspath ? udev_device_new_from_syspath(udev_, syspath) : nullptr;
        if (!device) continue;
        const char* node = udev_device_get_devnode(device);
        const char* medium = udev_device_get_property_value(device, "ID_CDROM_MEDIA");
        if (node) hadMedium_[node] = medium && std::string(medium) == "1";
        udev_device_unref(device);
      }
    }
    udev_enumerate_unref(scan);
  }
  return true;
}

int MediaMonitor::Fd() const { return monitor_ ? udev_monitor_get_fd(monitor_) : -1; }

std::vector<MediaEvent> MediaMonitor::ReadPending(const DriveTable& drives) {
  std::vector<MediaEvent> events;
  if (!monitor_) return events;
  for (int i = 0; i < kMaxEventsPerRead; ++i) {
    // The socket does not block: no device when nothing is queued.
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (!device) break;
    UdevEvent e = ToEvent(device);
    udev_device_unref(device);
    if (!e.devNode.empty()) {
      auto known = hadMedium_.find(e.devNode);
      if (known != hadMedium_.end()) e.hadMedium = known->second;
      if (e.action == "remove") {
        if (known != hadMedium_.end()) hadMedium_.erase(known);
      } else if (Has(e, "ID_CDROM", "1")) {
        hadMedium_[e.devNode] = Has(e, "ID_CDROM_MEDIA", "1");
      }
    }
    for (const MediaEvent& event : MediaEventsFromUdev(e, drives)) events.push_back(event);
  }
  return events;
}

}  // namespace ossel
