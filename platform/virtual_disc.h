// A virtual audio CD made from a cue sheet or from a list of audio files. It answers the same requests as a drive.
//
// Audio is never held in memory as a whole: sectors are read from the files on demand (raw BIN files by offset,
// other formats through libsndfile). Every file is checked when the disc is made, so a damaged file is refused
// then, with an error that names it, and never turns into a shorter or silent track.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/device_backend.h"
#include "platform/drive_table.h"

namespace ossel {

struct VirtualTrack {
  int number = 0;
  bool audio = true;
  std::int32_t startLba = 0;   // INDEX 01 (what the table of contents reports)
  std::int32_t pregapLba = 0;  // INDEX 00 or the start of a PREGAP; equals startLba without a pregap
  std::string isrc;            // 12 characters, or empty
  std::string file;            // the file that holds the track's start (INDEX 01), as opened
};

class VirtualDisc : public std::enable_shared_from_this<VirtualDisc> {
 public:
  // Null with a one-line `error` naming the file and the fault when the sheet or a file is unusable. The sheet is
  // read as people have it (vdisc::ReadCueSheet): what it names another way is found, what is wrong beyond its track
  // table is passed over, and `notes`, when given, say so, one line for each sort of thing. The tracks keep the
  // sheet's numbers; a data track whose file is missing or a placeholder is a data track without contents.
  static std::shared_ptr<VirtualDisc> FromCueSheet(const std::string& cuePath, std::string& error,
                                                   std::vector<std::string>* notes = nullptr);
  // Each file one track, back to back from 00:02:00, each padded with silence to whole sectors.
  static std::shared_ptr<VirtualDisc> FromAudioFiles(const std::vector<std::string>& paths, std::string& error);

  virtual ~VirtualDisc();

  const std::vector<VirtualTrack>& Tracks() const;
  std::int32_t LeadOutLba() const;
  const std::string& Catalog() const;  // media catalogue number, or empty
  const std::string& Name() const;     // the cue sheet, or the first audio file
  // For listings: the name, with " (+N files)" when the disc was made of several audio files.
  std::string Description() const;

  // Raw CD-DA sectors [lba, lba + count); false when any of them lies outside the disc or in a data track, or a file
  // read fails.
  bool ReadSectors(std::int32_t lba, int count, std::uint8_t* out) const;
  // "file: what" for the first of the disc's files found changed, cut short or undecodable after the disc was made
  // (its reads fail from then on); empty while every file is sound.
  std::string ReadFault() const;

  std::unique_ptr<DeviceBackend> OpenBackend();
  DriveTable::Drive AsDrive();

  // "Ejected" discs fail check-verify until loaded again; tray commands toggle this.
  bool loaded() const;
  void SetLoaded(bool loaded);

  struct Impl;

 private:
  explicit VirtualDisc(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace ossel
