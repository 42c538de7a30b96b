// A drive object on a scripted device of its own, for tests that write the drive's answers.
#pragma once

#include <memory>
#include <vector>

#include "device/cd_drive.h"
#include "platform/script_backend.h"
#include "support/toc.h"

namespace ossel::test {

// An answer that succeeds with these bytes, and one that fails.
inline ScriptDevice::Answer Output(std::vector<std::uint8_t> bytes) {
  ScriptDevice::Answer a;
  a.output = std::move(bytes);
  return a;
}
inline ScriptDevice::Answer Refused() {
  ScriptDevice::Answer a;
  a.status = IoStatus::Failed;
  return a;
}

// Requests without a written answer succeed with no data.
struct ScriptedDrive {
  DriveTable table;
  std::shared_ptr<ScriptDevice> device = ScriptDevice::Create();
  char letter = table.AddCdDrive(device->AsDrive());
  CdDrive drive{table};

  ScriptedDrive() { device->SetDefaultSuccess(true); }
  // Opens the drive on a disc with this table of contents and reads it.
  bool OpenWithToc(const std::vector<TocTrack>& tracks, std::int32_t leadOut) {
    device->SetAnswer(ioctl::kCdromReadToc, Output(MakeToc(tracks, leadOut)));
    return drive.Open(letter) && drive.ReadTrackTable();
  }
};

}  // namespace ossel::test
