#include "app/settings.h"

#include <QSettings>

namespace ossel {

namespace {

// A stored value as the 32 bits of a double word; `fallback` when it is missing or is no such number.
std::int32_t ReadDword(const QSettings& store, const char* name, std::int32_t fallback) {
  const QVariant value = store.value(name);
  if (!value.isValid()) return fallback;
  bool ok = false;
  const qlonglong number = value.toLongLong(&ok);
  if (!ok || number < INT32_MIN || number > static_cast<qlonglong>(UINT32_MAX)) return fallback;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

}  // namespace

Settings::Settings() : store_(std::make_unique<QSettings>("Velmora", "Analyzer")) {
  cdDrive = static_cast<char>(ReadDword(*store_, "cdDrive", 'C') & 0xFF);
  SkipMode = ReadDword(*store_, "SkipMode", 0);
  ConsoleEnabled = ReadDword(*store_, "ConsoleEnabled", 0) == 1;
}

Settings::~Settings() {
  store_->setValue("cdDrive", static_cast<int>(static_cast<signed char>(cdDrive)));
  store_->setValue("SkipMode", SkipMode);
  store_->sync();
}

}  // namespace ossel
