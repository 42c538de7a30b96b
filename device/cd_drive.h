// CdDrive: the one object that talks to a CD drive. Every disc access goes through DeviceControl.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/device_backend.h"
#include "platform/drive_table.h"
#include "platform/win_ioctl.h"

namespace ossel {

// The table of contents exactly as the drive returns it (CDROM_TOC, 804 bytes).
using TrackEntry = ioctl::TocEntryRecord;
using TrackTable = ioctl::TocRecord;

struct InfoRow;  // drive_info.h
struct IsrcRow;  // isrc.h

class CdDrive {
 public:
  // Enumerates the CD drives of `drives` (the process's table by default); the table must outlive the drive.
  explicit CdDrive(DriveTable& drives = DriveTable::System());
  ~CdDrive();
  CdDrive(const CdDrive&) = delete;
  CdDrive& operator=(const CdDrive&) = delete;

  // Reads the CD drive letters of the table again, as after drives were added or removed.
  void EnumerateDrives();

  bool Open(char letter);
  void Close();
  bool IsOpen() const;

  // The only path to the drive. `bytesReturned` may be null; it is 0 after any failure.
  bool DeviceControl(std::uint32_t code, const void* input, std::uint32_t inputBytes, void* output,
                     std::uint32_t outputBytes, std::uint32_t* bytesReturned);

  bool LockTray();
  bool UnlockTray();
  bool LoadTray();
  bool EjectTray();

  // Track table and sectors.
  bool ReadTrackTable();
  bool IsAudioTrack(int n) const;
  std::int32_t TrackStart(int n) const;
  std::int32_t TrackEnd(int n) const;
  bool ReadAudioSectors(std::int32_t startLba, int count, void* buffer);

  // Drive and disc information rows; false only when the drive has no SCSI address.
  bool ReadDriveAndDiscInfo(std::vector<InfoRow>& rows);
  // Appends the ISRC row of track n when the drive reports a valid code; always true.
  bool ReadTrackIsrc(std::vector<IsrcRow>& rows, int n);

  // What the open drive is (device path or image file), empty when closed.
  std::string Description() const;
  // The letter of the open drive, 0 when closed.
  char OpenLetter() const;
  // The table the drive letters come from.
  DriveTable& Drives() const { return drives_; }

  const TrackTable& trackTable() const { return trackTable_; }

  // Read directly by the panel and the readers.
  std::string driveLetters;  // upper-case letters of the machine's CD drives, in letter order
  std::int32_t trackCount = 0;
  bool tocValid = false;
  bool trayLoaded = false;
  std::int32_t timeoutSeconds = 10;

 private:
  // The entry of track n in the table, or -1 when there is none.
  int EntryOf(int n) const;

  DriveTable& drives_;
  std::unique_ptr<DeviceBackend> device_;  // null while closed
  char openLetter_ = 0;
  std::uint8_t removalFlag_ = 0;
  mutable std::recursive_mutex lock_;
  TrackTable trackTable_{};
};

}  // namespace ossel
