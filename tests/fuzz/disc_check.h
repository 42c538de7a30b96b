// What every virtual disc must be, whatever its sheet and files: checked through a drive, as the analysis reads it.
#pragma once

#include <memory>
#include <string>

namespace ossel {
class VirtualDisc;
}

namespace ossel::fuzz {

// Checks the disc's layout against its table of contents and reads it through a drive object: every track start,
// the disc's end and the requests around it. Reads stay bounded, however long the disc.
void CheckDisc(const std::shared_ptr<VirtualDisc>& disc);

// A 44100 Hz sound file of `frames` frames of a ramp; `format` is a libsndfile format (type and encoding).
void WriteSound(const std::string& path, int format, int channels, int frames);

}  // namespace ossel::fuzz
