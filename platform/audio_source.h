// The files a virtual disc plays, open for the disc's whole life: raw CD-DA files read by offset, and every file
// libsndfile decodes, delivered as 16-bit stereo. Audio is never held in memory as a whole.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/win_ioctl.h"

namespace ossel::vdisc {

inline constexpr int kSectorBytes = ioctl::kRawSectorBytes;
inline constexpr int kFramesPerSector = 588;  // stereo sample frames in one CD-DA sector
inline constexpr int kSampleRate = 44100;

// "file: what", the form of every error about a disc's files.
std::string Fault(const std::string& file, const std::string& what);

// Refuses what cannot be a disc's file (missing, not a regular file, empty) before a decoder sees it, so that the
// error says what is wrong.
bool CheckFile(const std::string& path, std::string& error);

class Source {
 public:
  virtual ~Source() = default;
  // Fills `sectors` whole CD-DA sectors, starting `position` units into the file. Fails from the first read that
  // finds the file changed since it was opened (its length or modification time), or that it cannot be read or
  // decoded any more; ReadFault() then tells why.
  virtual bool Read(std::int64_t position, std::int32_t sectors, std::uint8_t* out) = 0;
  // "file: what" when a read failed because the file changed or broke after the disc was made; empty while sound.
  virtual std::string ReadFault() const = 0;
  // The file's length in its units: bytes of a raw file, sample frames of a sound file.
  virtual std::int64_t Size() const = 0;
  // Units one audio sector takes in the file.
  virtual std::int64_t UnitsPerAudioSector() const = 0;
  // Raw files hold whole sectors; a sound file's last sector is padded with silence.
  virtual bool Raw() const = 0;
};

// A raw CD-DA file: BINARY little-endian, or MOTOROLA big-endian. Null with `error` when it cannot be opened.
std::unique_ptr<Source> OpenRawSource(const std::string& path, bool bigEndian, std::string& error);

// Any file libsndfile decodes (WAV, FLAC, AIFF, ...). The whole file is decoded once here: null with `error` when it
// is damaged, cut short, or not 44100 Hz mono or stereo.
std::unique_ptr<Source> OpenSoundSource(const std::string& path, std::string& error);

}  // namespace ossel::vdisc
