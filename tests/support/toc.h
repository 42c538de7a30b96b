// Builds CDROM_TOC answers for scripted drives.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/win_ioctl.h"

namespace ossel::test {

struct TocTrack {
  int number;
  std::int32_t startLba;
  bool audio = true;
};

// The 804-byte table for `tracks` followed by a lead-out at `leadOutLba`.
inline std::vector<std::uint8_t> MakeToc(const std::vector<TocTrack>& tracks, std::int32_t leadOutLba) {
  ioctl::TocRecord toc{};
  auto put = [](ioctl::TocEntryRecord& e, int number, std::int32_t lba, bool audio) {
    const std::int32_t a = lba + 150;
    e.controlAdr = audio ? 0x10 : 0x14;
    e.trackNumber = static_cast<std::uint8_t>(number);
    e.address[1] = static_cast<std::uint8_t>(a / 4500);
    e.address[2] = static_cast<std::uint8_t>(a / 75 % 60);
    e.address[3] = static_cast<std::uint8_t>(a % 75);
  };
  if (!tracks.empty()) {
    toc.firstTrack = static_cast<std::uint8_t>(tracks.front().number);
    toc.lastTrack = static_cast<std::uint8_t>(tracks.back().number);
  }
  std::size_t i = 0;
  for (; i < tracks.size() && i + 1 < ioctl::kMaxTocEntries; ++i)
    put(toc.entries[i], tracks[i].number, tracks[i].startLba, tracks[i].audio);
  put(toc.entries[i], 0xAA, leadOutLba, true);
  const std::uint16_t length = static_cast<std::uint16_t>(2 + 8 * (i + 1));
  toc.length[0] = static_cast<std::uint8_t>(length >> 8);
  toc.length[1] = static_cast<std::uint8_t>(length);
  std::vector<std::uint8_t> bytes(sizeof toc);
  std::memcpy(bytes.data(), &toc, sizeof toc);
  return bytes;
}

}  // namespace ossel::test
