// libossel-pictures.so: the pages' pictures drawn offscreen by the window's own drawing code and encoded as PNG, for
// the command line, which loads this module only when it is asked for pictures (see picture_api.h).
#include <dlfcn.h>

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QString>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "drawing/picture_api.h"
#include "drawing/page_pictures.h"

namespace {

constexpr int kLargestSide = 16384;
constexpr int kPngCompression = 23;

// What the module made: the application (its argc and argv live as long as it does) and the palette read.
struct ModuleState {
  int argc = 1;
  char name[8] = "ossel";
  char* argv[2] = {name, nullptr};
  std::unique_ptr<QGuiApplication> app;
  std::unique_ptr<QTranslator> translator;
  bool paletteRead = false;
  std::string palettePath;
  ossel::Palette palette;
  QtMessageHandler previousHandler = nullptr;
};

ModuleState* state = nullptr;

void SetError(OsselPictureRequest& request, const std::string& text) {
  std::snprintf(request.error, sizeof request.error, "%s", text.c_str());
}

// Qt's notes about the environment ("XDG_RUNTIME_DIR not set", plugins) are no concern of the command line's
// user; its errors go to stderr as the program's own do.
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "ossel: %s\n", qUtf8Printable(message));
}

// The application the pages draw under: this module's own on the offscreen platform, made when the module is
// started, unless the process already has one.
void EnsureApplication() {
  if (!state) state = new ModuleState;
  if (QGuiApplication::instance()) return;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  state->previousHandler = qInstallMessageHandler(QtMessages);
  state->app = std::make_unique<QGuiApplication>(state->argc, state->argv);
  ossel::InstallFontSubstitutes();
}

// The English texts, from the catalogue in i18n/ beside this module; false when it cannot be read.
bool InstallEnglish() {
  Dl_info where{};
  if (!dladdr(reinterpret_cast<const void*>(&InstallEnglish), &where) || !where.dli_fname) return false;
  const QString module = QString::fromLocal8Bit(where.dli_fname);
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(module.left(module.lastIndexOf('/') + 1) + "i18n/ossel_en.qm")) return false;
  QCoreApplication::installTranslator(translator.get());
  state->translator = std::move(translator);
  return true;
}

const ossel::Palette& PaletteFor(const char* path) {
  const std::string wanted = path ? std::string(path) : ossel::PaletteFileBesideProgram();
  if (!state->paletteRead || state->palettePath != wanted) {
    state->palette = ossel::LoadPaletteFile(wanted);
    state->palettePath = wanted;
    state->paletteRead = true;
  }
  return state->palette;
}

int Render(OsselPictureRequest& request) {
  if (request.version != OSSEL_PICTURES_API_VERSION) {
    SetError(request, "the pictures module speaks version " + std::to_string(OSSEL_PICTURES_API_VERSION) +
                          ", not " + std::to_string(request.version));
    return 1;
  }
  if (request.page != OSSEL_PICTURE_SPECTRUM && request.page != OSSEL_PICTURE_FREQUENCY) {
    SetError(request, "unknown page " + std::to_string(request.page));
    return 1;
  }
  if (request.width < 1 || request.width > kLargestSide || request.height < 1 || request.height > kLargestSide) {
    SetError(request, "a picture of " + std::to_string(request.width) + "x" + std::to_string(request.height) +
                          " pixels can't be drawn");
    return 1;
  }
  if (!state) {
    SetError(request, "the pictures module was not started");
    return 1;
  }
  QImage picture(request.width, request.height, QImage::Format_RGB32);
  if (picture.isNull()) {
    SetError(request, "not enough memory for the picture");
    return 1;
  }
  picture.fill(Qt::black);
  const QRect client(0, 0, request.width, request.height);
  {
    QPainter painter(&picture);
    if (request.page == OSSEL_PICTURE_SPECTRUM) {
      ossel::SpectrumData data;
      data.image = request.image;
      data.imageWidth = request.imageWidth;
      data.columns = request.imageColumns;
      data.seconds = request.seconds;
      data.topFrequency = request.topFrequency;
      data.identity = request.image;
      ossel::SpectrumPainter().Paint(painter, client, data, PaletteFor(request.palettePath));
    } else {
      ossel::FrequencyData data;
      data.profile = request.profile;
      data.topFrequency = request.topFrequency;
      data.profileScale = request.profileScale;
      data.cutoffHz = request.cutoffHz;
      data.bandLimitHz = request.bandLimitHz;
      data.bandLimitSharp = request.bandLimitSharp != 0;
      ossel::DrawFrequencyPage(painter, client, data);
    }
  }
  // Encoded in memory, where only a lack of memory can fail it.
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  // On Qt's scale of 0 to 100 (zlib level 2): the default level packs a spectrogram of noise only some 5% smaller
  // and takes three times as long.
  writer.setCompression(kPngCompression);
  if (!writer.write(picture)) {
    SetError(request, "the picture could not be encoded: " + writer.errorString().toStdString());
    return 1;
  }
  request.png = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(bytes.size())));
  if (!request.png) {
    SetError(request, "not enough memory for the picture");
    return 1;
  }
  std::memcpy(request.png, bytes.constData(), static_cast<std::size_t>(bytes.size()));
  request.pngBytes = static_cast<std::size_t>(bytes.size());
  return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int ossel_pictures_start(int language) {
  EnsureApplication();
  if (language != OSSEL_PICTURES_ENGLISH || state->translator) return 0;
  return InstallEnglish() ? 0 : 1;
}

extern "C" __attribute__((visibility("default"))) int ossel_pictures_render(OsselPictureRequest* request) {
  if (!request) return 1;
  try {
    return Render(*request);
  } catch (const std::bad_alloc&) {
    SetError(*request, "not enough memory for the picture");
  } catch (...) {
    SetError(*request, "the picture could not be drawn");
  }
  return 1;
}

extern "C" __attribute__((visibility("default"))) void ossel_pictures_free(unsigned char* png) { std::free(png); }

extern "C" __attribute__((visibility("default"))) void ossel_pictures_finish() {
  if (!state) return;
  const bool ownApplication = state->app != nullptr;
  state->translator.reset();
  state->app.reset();
  if (ownApplication) qInstallMessageHandler(state->previousHandler);
  delete state;
  state = nullptr;
}
