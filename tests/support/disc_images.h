// Builders of disc images for tests: a temporary folder, synthesised audio, sound files written with libsndfile,
// raw CD-DA files, cue sheets, and a drive with a virtual disc in it.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/cd_drive.h"
#include "platform/drive_table.h"
#include "platform/virtual_disc.h"

namespace ossel::test {

inline constexpr int kFramesPerSector = 588;
inline constexpr int kSectorBytes = 2352;

// A fresh folder under the system's temporary folder, removed with everything in it when the object goes.
class ImageFolder {
 public:
  ImageFolder();
  ~ImageFolder();
  ImageFolder(const ImageFolder&) = delete;
  ImageFolder& operator=(const ImageFolder&) = delete;

  const std::string& path() const { return path_; }
  // The path of `name` inside the folder.
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Interleaved 16-bit samples.
using Samples = std::vector<std::int16_t>;

// A sine tone on every channel (each further channel a fifth above the one before).
Samples Tone(std::int64_t frames, double hz, int channels = 2, double amplitude = 0.5);
// White noise, the same for the same seed.
Samples Noise(std::int64_t frames, std::uint32_t seed, int channels = 2, double amplitude = 0.5);
// Every sample differs from its neighbours and from the samples of other salts: a read that lands a frame off, on
// the wrong channel or in the wrong file shows.
Samples Pattern(std::int64_t frames, int channels = 2, int salt = 0);
// Mono played on both channels.
Samples Duplicated(const Samples& mono);

struct SoundFormat {
  int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  int channels = 2;
  int rate = 44100;
};

// Sound files through libsndfile; the samples are interleaved for `format.channels`.
bool WriteSound(const std::string& path, const Samples& samples, const SoundFormat& format = {});
bool WriteSoundInt(const std::string& path, const std::vector<std::int32_t>& samples, const SoundFormat& format);
bool WriteSoundFloat(const std::string& path, const std::vector<float>& samples, const SoundFormat& format);
// Raw CD-DA of stereo samples: little-endian (a cue sheet's BINARY) or big-endian (MOTOROLA). Not padded.
bool WriteRaw(const std::string& path, const Samples& stereo, bool bigEndian = false);
bool WriteText(const std::string& path, const std::string& text);
// Damage: cut a file to `bytes`, or overwrite `count` bytes from `offset` with 0xFF.
bool Truncate(const std::string& path, std::uintmax_t bytes);
bool Scribble(const std::string& path, std::uintmax_t offset, std::size_t count);

// A cue sheet "disc.cue" in `folder` over one BINARY file of noise tracks with these numbers of sectors (track N's
// noise has seed `firstSeed` + N - 1), opened as a virtual disc; null, with a test failure, when it could not be.
std::shared_ptr<VirtualDisc> NoiseDisc(const ImageFolder& folder, const std::vector<int>& trackSectors,
                                       std::uint32_t firstSeed);

// What a drive returns for stereo samples: little-endian CD-DA, padded with silence to whole sectors.
std::vector<std::uint8_t> CddaBytes(const Samples& stereo);
// `count` sectors of silence.
std::vector<std::uint8_t> SilentSectors(int count);

// A virtual disc in a drive table of its own, with a drive object opened on it and its table of contents read.
class DiscDrive {
 public:
  explicit DiscDrive(std::shared_ptr<VirtualDisc> disc);

  // False when the drive could not be opened or its table not read.
  bool ready() const { return ready_; }
  CdDrive& drive() { return *drive_; }
  DriveTable& table() { return table_; }
  char letter() const { return letter_; }
  // Sectors read through the drive, as the analysis reads them; empty when the read fails.
  std::vector<std::uint8_t> Read(std::int32_t lba, int count);

 private:
  DriveTable table_;
  char letter_;
  std::unique_ptr<CdDrive> drive_;
  bool ready_ = false;
};

}  // namespace ossel::test
