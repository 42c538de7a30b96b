#include "app/settings.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <cstdio>

namespace ossel {

namespace {

// The files QSettings reads for the program, found without opening any of them: QSettings reads its files when it
// is made, and one that is a FIFO would hold the program's start until something writes to it. The folders come
// from the settings of an organisation that has no files.
QStringList SettingsFiles() {
  QStringList files;
  for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope}) {
    const QSettings probe(QSettings::NativeFormat, scope, "ossel-settings-probe");
    const QString folder = QFileInfo(probe.fileName()).path();
    files << folder + "/Velmora/Analyzer.conf" << folder + "/Velmora.conf";
  }
  return files;
}

// The first of the files that is there and is not a regular file (a link to one counts); empty when none is.
QString IrregularSettingsFile() {
  for (const QString& file : SettingsFiles()) {
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) == 0 && !S_ISREG(st.st_mode)) return file;
  }
  return {};
}

// A stored value as the 32 bits of a double word; `fallback` when it is missing or is no such number.
std::int32_t ReadDword(const QSettings* store, const char* name, std::int32_t fallback) {
  if (!store) return fallback;
  const QVariant value = store->value(name);
  if (!value.isValid()) return fallback;
  bool ok = false;
  const qlonglong number = value.toLongLong(&ok);
  if (!ok || number < INT32_MIN || number > static_cast<qlonglong>(UINT32_MAX)) return fallback;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

}  // namespace

Settings::Settings() {
  if (const QString irregular = IrregularSettingsFile(); !irregular.isEmpty()) {
    std::fprintf(stderr, "ossel-analyzer: %s: not a regular file; the settings are the defaults and are not saved\n",
                 qUtf8Printable(irregular));
  } else {
    store_ = std::make_unique<QSettings>("Velmora", "Analyzer");
  }
  cdDrive = static_cast<char>(ReadDword(store_.get(), "cdDrive", 'C') & 0xFF);
  skipMode = ReadDword(store_.get(), "SkipMode", 0);
  consoleEnabled = ReadDword(store_.get(), "ConsoleEnabled", 0) == 1;
}

Settings::~Settings() {
  if (!store_) return;
  store_->setValue("cdDrive", static_cast<int>(static_cast<signed char>(cdDrive)));
  store_->setValue("SkipMode", skipMode);
  store_->sync();
}

}  // namespace ossel
