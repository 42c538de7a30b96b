#include "device/cd_drive.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>

namespace ossel {

CdDrive::CdDrive(DriveTable& drives) : drives_(drives) { EnumerateDrives(); }

void CdDrive::EnumerateDrives() {
  // A: and B: are never considered.
  driveLetters.clear();
  std::uint32_t mask = drives_.LogicalDriveMask() >> 2;
  for (char letter = 'C'; mask != 0 && letter <= 'Z'; ++letter, mask >>= 1) {
    if ((mask & 1u) && drives_.TypeOf(letter) == DriveType::Cdrom) driveLetters.push_back(letter);
  }
}

CdDrive::~CdDrive() { Close(); }

bool CdDrive::Open(char letter) {
  if (IsOpen()) Close();
  tocValid = false;
  if (drives_.TypeOf(letter) != DriveType::Cdrom) return false;
  DriveTable::Drive drive = drives_.Lookup(letter);
  if (!drive.open) return false;
  std::unique_ptr<DeviceBackend> device = drive.open();
  std::lock_guard guard(lock_);
  device_ = std::move(device);
  openLetter_ = device_ ? static_cast<char>(std::toupper(static_cast<unsigned char>(letter))) : 0;
  return device_ != nullptr;
}

void CdDrive::Close() {
  if (IsOpen()) {
    UnlockTray();
    std::lock_guard guard(lock_);
    device_.reset();
    openLetter_ = 0;
  }
  tocValid = false;
}

bool CdDrive::IsOpen() const {
  std::lock_guard guard(lock_);
  return device_ != nullptr;
}

char CdDrive::OpenLetter() const {
  std::lock_guard guard(lock_);
  return openLetter_;
}

std::string CdDrive::Description() const {
  std::lock_guard guard(lock_);
  return device_ ? device_->Description() : std::string();
}

bool CdDrive::DeviceControl(std::uint32_t code, const void* input, std::uint32_t inputBytes, void* output,
                            std::uint32_t outputBytes, std::uint32_t* bytesReturned) {
  if (bytesReturned) *bytesReturned = 0;
  std::lock_guard guard(lock_);
  if (!device_) return false;  // the invalid handle: the request fails, nothing changes
  DeviceRequest request{code, input, inputBytes, output, outputBytes};
  std::uint32_t transferred = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds < 0 ? 0 : timeoutSeconds);
  if (device_->Control(request, transferred, deadline) != IoStatus::Done) return false;
  if (bytesReturned) *bytesReturned = transferred > outputBytes ? outputBytes : transferred;
  return true;
}

bool CdDrive::LockTray() {
  removalFlag_ = 1;
  return DeviceControl(ioctl::kStorageMediaRemoval, &removalFlag_, 1, nullptr, 0, nullptr);
}

bool CdDrive::UnlockTray() {
  removalFlag_ = 0;
  return DeviceControl(ioctl::kStorageMediaRemoval, &removalFlag_, 1, nullptr, 0, nullptr);
}

bool CdDrive::LoadTray() {
  trayLoaded = true;
  return DeviceControl(ioctl::kStorageLoadMedia, nullptr, 0, nullptr, 0, nullptr);
}

bool CdDrive::EjectTray() {
  trayLoaded = false;
  return DeviceControl(ioctl::kStorageEjectMedia, nullptr, 0, nullptr, 0, nullptr);
}

bool CdDrive::ReadTrackTable() {
  LoadTray();
  tocValid = DeviceControl(ioctl::kStorageCheckVerify, nullptr, 0, nullptr, 0, nullptr);
  if (!tocValid) return false;
  tocValid = DeviceControl(ioctl::kCdromReadToc, nullptr, 0, &trackTable_, sizeof trackTable_, nullptr);
  if (!tocValid) return false;
  if (trackTable_.lastTrack >= trackTable_.firstTrack) trackCount = trackTable_.lastTrack - trackTable_.firstTrack + 1;
  return tocValid;
}

// The first track lives in the first entry, whatever its number (a disc of a set may start at track 4), and track n
// ends where the entry after it begins: both must lie inside the 100 entries. Track numbers go from 1 to 99,
// whatever a table claims; one that says its first track is 0 is read as starting at 1.
int CdDrive::EntryOf(int n) const {
  if (!tocValid || n < trackTable_.firstTrack || n > trackTable_.lastTrack || n < 1 || n >= ioctl::kMaxTocEntries)
    return -1;
  const int entry = n - std::max<int>(trackTable_.firstTrack, 1);
  return entry + 1 < ioctl::kMaxTocEntries ? entry : -1;
}

bool CdDrive::IsAudioTrack(int n) const {
  const int entry = EntryOf(n);
  if (entry < 0) return false;
  return (trackTable_.entries[entry].controlAdr & 0x04) == 0;
}

std::int32_t CdDrive::TrackStart(int n) const {
  const int entry = EntryOf(n);
  if (entry < 0) return -1;
  const std::uint8_t* a = trackTable_.entries[entry].address;
  return (a[1] * 60 + a[2] - 2) * 75 + a[3];
}

std::int32_t CdDrive::TrackEnd(int n) const {
  const int entry = EntryOf(n);
  if (entry < 0) return -1;
  const std::uint8_t* a = trackTable_.entries[entry + 1].address;
  return (a[1] * 60 + a[2]) * 75 + a[3] - 151;
}

bool CdDrive::ReadAudioSectors(std::int32_t startLba, int count, void* buffer) {
  if (!tocValid || count <= 0) return false;
  ioctl::RawReadInfo info{};
  info.diskOffset = static_cast<std::int32_t>(static_cast<std::uint32_t>(startLba) * 2048u);
  info.sectorCount = static_cast<std::uint32_t>(count);
  info.trackMode = ioctl::kTrackModeCdda;
  const std::uint32_t bytes = static_cast<std::uint32_t>(count) * ioctl::kRawSectorBytes;
  std::memset(buffer, 0, bytes);
  std::uint32_t returned = 0;
  return DeviceControl(ioctl::kCdromRawRead, &info, sizeof info, buffer, bytes, &returned) && returned == bytes;
}

}  // namespace ossel
