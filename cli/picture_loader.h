// The command line's side of libossel-pictures.so: the module found beside the program or in its library folder,
// loaded when pictures are asked for, and finished (its application torn down) when the object goes.
//
// The program is built with OSSEL_PICTURES_BUILT when the module is built with it, and OSSEL_PICTURES_LIBDIR names
// the installed library folder relative to the installation's root ("lib/x86_64-linux-gnu").
#pragma once

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "drawing/picture_api.h"
#include "platform/language.h"

namespace ossel::cli {

class PictureModule {
 public:
  PictureModule() = default;
  ~PictureModule() {
    if (finish_) finish_();
    // Loaded with RTLD_NODELETE: the module and the Qt libraries under it stay mapped, since Qt leaves thread-exit
    // and process-exit work behind that must still find its code.
    if (handle_) dlclose(handle_);
  }
  PictureModule(const PictureModule&) = delete;
  PictureModule& operator=(const PictureModule&) = delete;

  bool Loaded() const { return render_ != nullptr; }

  // Finds and loads the module and starts its application; false with a one-line error. Called on the thread that
  // destroys this object.
  bool Load(std::string& error) {
#ifndef OSSEL_PICTURES_BUILT
    error = "--pictures: this build of ossel has no pictures (it was built without Qt)";
    return false;
#else
    const std::string folder = ProgramFolder();
    const std::vector<std::string> folders = {
        folder, (std::filesystem::path(folder) / ".." / OSSEL_PICTURES_LIBDIR / "ossel").lexically_normal().string()};
    for (const std::string& candidate : folders) {
      const std::string path = candidate + "/" + kFileName;
      if (::access(path.c_str(), F_OK) != 0) continue;
      handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
      if (!handle_) {
        const char* why = dlerror();
        error = std::string("--pictures needs ") + kFileName + ", which could not be loaded: " + (why ? why : path);
        return false;
      }
      render_ = reinterpret_cast<OsselPicturesRenderFn>(dlsym(handle_, OSSEL_PICTURES_RENDER_SYMBOL));
      auto start = reinterpret_cast<OsselPicturesStartFn>(dlsym(handle_, OSSEL_PICTURES_START_SYMBOL));
      auto finish = reinterpret_cast<OsselPicturesFinishFn>(dlsym(handle_, OSSEL_PICTURES_FINISH_SYMBOL));
      free_ = reinterpret_cast<OsselPicturesFreeFn>(dlsym(handle_, OSSEL_PICTURES_FREE_SYMBOL));
      if (!render_ || !start || !finish || !free_) {
        render_ = nullptr;
        error = std::string("--pictures needs ") + kFileName + ", but " + path + " is not that module";
        return false;
      }
      // The module's application is made here, on the thread that also ends it: the renders come from the
      // disc workers, which end before it.
      const bool english = CurrentLanguage() == Language::English;
      finish_ = finish;
      if (start(english ? OSSEL_PICTURES_ENGLISH : OSSEL_PICTURES_ORIGINAL) != 0) {
        error = std::string("--pictures needs the English texts, i18n/ossel_en.qm beside ") + path +
                ", which this installation lacks";
        return false;
      }
      return true;
    }
    error = std::string("--pictures needs ") + kFileName + ", which this installation lacks: it is in neither " +
            folders[0] + " nor " + folders[1];
    return false;
#endif
  }

  // Draws one page as the bytes of a PNG file into `png`; false with the module's reason. Calls from several
  // threads take turns.
  bool Render(OsselPictureRequest& request, std::string& png, std::string& error) {
    std::lock_guard lock(mutex_);
    request.version = OSSEL_PICTURES_API_VERSION;
    request.error[0] = '\0';
    request.png = nullptr;
    request.pngBytes = 0;
    if (!render_) {
      error = "the pictures module is not loaded";
      return false;
    }
    if (render_(&request) == 0) {
      png.assign(reinterpret_cast<const char*>(request.png), request.pngBytes);
      free_(request.png);
      request.png = nullptr;
      return true;
    }
    request.error[sizeof request.error - 1] = '\0';
    error = request.error[0] ? request.error : "the picture could not be drawn";
    return false;
  }

 private:
  static constexpr const char* kFileName = "libossel-pictures.so";

  // The folder of the running program's real file.
  static std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    const std::string exe(path, static_cast<std::size_t>(n));
    const std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : exe.substr(0, slash);
  }

  std::mutex mutex_;
  void* handle_ = nullptr;
  OsselPicturesRenderFn render_ = nullptr;
  OsselPicturesFinishFn finish_ = nullptr;
  OsselPicturesFreeFn free_ = nullptr;
};

}  // namespace ossel::cli
