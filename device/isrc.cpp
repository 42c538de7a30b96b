// CdDrive::ReadTrackIsrc: the ISRC of one track from the drive's sub-channel data, as a row of the ISRC list.
#include "device/isrc.h"

#include <vector>

#include "device/cd_drive.h"
#include "device/text_format.h"
#include "platform/language.h"
#include "platform/win_ioctl.h"

namespace ossel {

bool CdDrive::ReadTrackIsrc(std::vector<IsrcRow>& rows, int n) {
  if (n < trackTable_.firstTrack || n > trackTable_.lastTrack) return true;

  const ioctl::SubQDataFormat format{ioctl::kSubQFormatTrackIsrc, static_cast<std::uint8_t>(n)};
  ioctl::SubQTrackIsrc isrc{};
  if (!DeviceControl(ioctl::kCdromReadQChannel, &format, sizeof format, &isrc, sizeof isrc, nullptr)) return true;
  if (!(isrc.tcval & 0x80)) return true;

  // Country (2), registrant (3), year (2), designation (5).
  const char* code = reinterpret_cast<const char*>(isrc.code);
  IsrcRow row;
  row.track = FormatText(IsAudioTrack(n) ? Translate("Isrc", "音频轨道 %d") : Translate("Isrc", "数据轨道 %d"), n);
  row.country = CountryName(code);
  row.publisher = FieldText(code + 2, 3);
  row.year = (isrc.code[5] >= '7' ? "19" : "20") + FieldText(code + 5, 2);  // 70–99: 1970–1999, else 20xx
  row.code = FieldText(code, 12);
  rows.push_back(std::move(row));
  return true;
}

}  // namespace ossel
