// The table of drive letters: stands in for the logical-drive mask and the drive types of a Windows machine.
//
// A: and B: are never used. C: is a fixed disk. Optical drives take letters from D: upward in device order;
// virtual discs take the next free letters after them.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/device_backend.h"

namespace ossel {

enum class DriveType : unsigned {
  Unknown = 0,
  NoRootDir = 1,
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  Cdrom = 5,
  Ramdisk = 6,
};

// The letters of a unit mask (bit n for 'A' + n), lowest drive first.
std::string LettersFromUnitMask(std::uint32_t mask);

class DriveTable {
 public:
  // Opens the device behind a letter; may fail (returns null) when the device has gone away.
  using BackendFactory = std::function<std::unique_ptr<DeviceBackend>()>;

  struct Drive {
    DriveType type = DriveType::Unknown;
    std::string description;    // device path or image file
    std::string vendorProduct;  // where known
    BackendFactory open;        // null for drives that are not CD drives
    // What went lastingly wrong with the medium since it was inserted, for a virtual disc whose file changed or
    // broke while it was read; null or empty when nothing did.
    std::function<std::string()> fault;
  };

  // A table with C: as a fixed disk and nothing else.
  DriveTable();

  // The process's table: C:, then the physical optical drives found at first use. Virtual discs are added to it.
  static DriveTable& System();

  // Bit n set for drive letter 'A' + n, like GetLogicalDrives.
  std::uint32_t LogicalDriveMask() const;
  // GetDriveTypeA of "X:\".
  DriveType TypeOf(char letter) const;
  // A copy of the drive's entry, or an entry of type NoRootDir when the letter is free.
  Drive Lookup(char letter) const;

  // Puts a drive at a given letter, replacing what was there.
  void Set(char letter, Drive drive);
  // Puts a CD drive at the first free letter from D: on; returns the letter, or 0 when Z: is taken.
  char AddCdDrive(Drive drive);
  void Remove(char letter);

 private:
  mutable std::mutex mutex_;
  std::map<char, Drive> drives_;
};

}  // namespace ossel
