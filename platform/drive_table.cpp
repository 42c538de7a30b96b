#include "platform/drive_table.h"

#include <cctype>

#include "platform/cdio_backend.h"

namespace ossel {

std::string LettersFromUnitMask(std::uint32_t mask) {
  std::string letters;
  for (int n = 0; n < 26; ++n) {
    if (mask & (1u << n)) letters.push_back(static_cast<char>('A' + n));
  }
  return letters;
}

namespace {
char Upper(char letter) { return static_cast<char>(std::toupper(static_cast<unsigned char>(letter))); }
bool IsDriveLetter(char letter) { return letter >= 'A' && letter <= 'Z'; }
}  // namespace

DriveTable::DriveTable() {
  Drive fixed;
  fixed.type = DriveType::Fixed;
  fixed.description = "/";
  drives_['C'] = std::move(fixed);
}

DriveTable& DriveTable::System() {
  static DriveTable* table = [] {
    auto* t = new DriveTable();
    for (auto& drive : EnumeratePhysicalDrives()) t->AddCdDrive(std::move(drive));
    return t;
  }();
  return *table;
}

std::uint32_t DriveTable::LogicalDriveMask() const {
  std::lock_guard lock(mutex_);
  std::uint32_t mask = 0;
  for (const auto& [letter, drive] : drives_) mask |= 1u << (letter - 'A');
  return mask;
}

DriveType DriveTable::TypeOf(char letter) const {
  letter = Upper(letter);
  std::lock_guard lock(mutex_);
  auto it = drives_.find(letter);
  return it == drives_.end() ? DriveType::NoRootDir : it->second.type;
}

DriveTable::Drive DriveTable::Lookup(char letter) const {
  letter = Upper(letter);
  std::lock_guard lock(mutex_);
  auto it = drives_.find(letter);
  if (it == drives_.end()) {
    Drive none;
    none.type = DriveType::NoRootDir;
    return none;
  }
  return it->second;
}

void DriveTable::Set(char letter, Drive drive) {
  letter = Upper(letter);
  if (!IsDriveLetter(letter)) return;
  std::lock_guard lock(mutex_);
  drives_[letter] = std::move(drive);
}

char DriveTable::AddCdDrive(Drive drive) {
  drive.type = DriveType::Cdrom;
  std::lock_guard lock(mutex_);
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    if (drives_.count(letter) == 0) {
      drives_[letter] = std::move(drive);
      return letter;
    }
  }
  return 0;
}

void DriveTable::Remove(char letter) {
  std::lock_guard lock(mutex_);
  drives_.erase(Upper(letter));
}

}  // namespace ossel
