#include "platform/image_mount.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <unordered_set>
#include <utility>

#include "platform/cue_sheet.h"
#include "platform/text_escape.h"
#include "platform/virtual_disc.h"

namespace ossel {

namespace fs = std::filesystem;

namespace {

std::string LowerExtension(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext;
}

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

DiscSource Problem(const std::string& name, std::string why) { return {name, {}, {}, {}, std::move(why)}; }

// One folder as its entries tell it, without a look at any file.
struct Folder {
  std::string path;
  std::vector<std::string> files;       // every file, hidden ones included: what a cue sheet may name
  std::vector<std::string> cueSheets;   // names, in natural order
  std::vector<std::string> lossless;    // names, in natural order
  std::vector<std::pair<std::string, bool>> subfolders;  // names, and whether each is a symbolic link
  dev_t device = 0;
  ino_t inode = 0;
};

// Reads the entries of a folder. The type comes from the entry itself; only links and file systems that do not
// tell it cost a look at the file. False with `why` when the folder cannot be read.
bool ListFolder(const std::string& path, Folder& folder, std::string& why) {
  folder = Folder{};
  folder.path = path;
  DIR* dir = ::opendir(path.c_str());
  if (!dir) {
    why = std::strerror(errno);
    return false;
  }
  const int fd = ::dirfd(dir);
  struct stat st {};
  if (::fstat(fd, &st) == 0) {
    folder.device = st.st_dev;
    folder.inode = st.st_ino;
  }
  errno = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {
      struct stat own {};
      type = ::fstatat(fd, entry->d_name, &own, AT_SYMLINK_NOFOLLOW) != 0 ? DT_UNKNOWN
             : S_ISLNK(own.st_mode)                                        ? DT_LNK
             : S_ISDIR(own.st_mode)                                        ? DT_DIR
             : S_ISREG(own.st_mode)                                        ? DT_REG
                                                                           : DT_UNKNOWN;
    }
    const bool link = type == DT_LNK;
    if (link) {
      struct stat target {};
      type = ::fstatat(fd, entry->d_name, &target, 0) != 0 ? DT_UNKNOWN
             : S_ISDIR(target.st_mode)                     ? DT_DIR
             : S_ISREG(target.st_mode)                     ? DT_REG
                                                           : DT_UNKNOWN;
    }
    if (type == DT_REG) {
      folder.files.push_back(name);
      if (name[0] == '.') continue;
      if (IsCueSheetPath(name)) folder.cueSheets.push_back(name);
      if (IsLosslessAudioPath(name)) folder.lossless.push_back(name);
    } else if (type == DT_DIR && name[0] != '.') {
      folder.subfolders.emplace_back(name, link);
    }
    errno = 0;
  }
  const int readError = errno;
  ::closedir(dir);
  if (readError != 0) {
    why = std::strerror(readError);
    return false;
  }
  std::sort(folder.cueSheets.begin(), folder.cueSheets.end(), NaturalLess);
  std::sort(folder.lossless.begin(), folder.lossless.end(), NaturalLess);
  return true;
}

std::string Join(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Whether every file a sheet names is found, by the rules a disc is made by (vdisc::FindCueFile). Empty when it is
// usable; else why not. A file of data tracks only need not be there.
std::string UnusableSheet(const Folder& folder, const std::string& sheetName) {
  const std::string sheet = Join(folder.path, sheetName);
  std::string text, error;
  if (!vdisc::ReadCueText(sheet, text, error))
    return error.rfind(sheet + ": ", 0) == 0 ? error.substr(sheet.size() + 2) : error;
  const std::vector<vdisc::CueFileName> named = vdisc::CueFileNames(text);
  if (named.empty()) return "names no audio file";
  const std::unordered_set<std::string> present(folder.files.begin(), folder.files.end());
  const bool legacy = !vdisc::IsUtf8(text);
  for (const vdisc::CueFileName& file : named) {
    // The usual case, a file beside the sheet, costs no look beyond the folder's entries.
    if (file.dataOnly || (!fs::path(file.name).has_parent_path() && present.count(file.name))) continue;
    const vdisc::FoundCueFile found = vdisc::FindCueFile(folder.path, file.name, !file.raw, legacy);
    if (!found.error.empty()) {
      const std::size_t colon = found.error.find(": ");
      return Quoted(EscapeControls(file.name)) + (colon == std::string::npos ? "" : found.error.substr(colon));
    }
    if (found.path.empty()) return Quoted(EscapeControls(file.name)) + " not found";
  }
  return {};
}

// The discs of one folder by the folder rules. `named`: the user named this folder, so that it being no disc is a
// problem; below a named folder, only a cue sheet that is no disc is.
void FolderDiscs(const Folder& folder, bool named, std::vector<DiscSource>& discs) {
  std::vector<DiscSource> unusable;  // sheets that are no disc, with why
  std::size_t usable = 0;
  for (const std::string& sheet : folder.cueSheets) {
    const std::string path = Join(folder.path, sheet);
    std::string why = UnusableSheet(folder, sheet);
    if (why.empty()) {
      discs.push_back({path, path, {}, {}, {}});
      ++usable;
    } else {
      unusable.push_back(Problem(path, std::move(why)));
    }
  }
  if (usable > 0) {
    // The other sheets of the folder name files that are not there.
    discs.insert(discs.end(), unusable.begin(), unusable.end());
    return;
  }
  if (!folder.lossless.empty()) {
    DiscSource disc{folder.path, {}, {}, {}, {}};
    for (const std::string& name : folder.lossless) disc.audioFiles.push_back(Join(folder.path, name));
    if (!unusable.empty())
      disc.note = unusable.front().name + ": " + unusable.front().problem + "; the folder's " +
                  std::to_string(folder.lossless.size()) + " audio files are the tracks instead";
    discs.push_back(std::move(disc));
    return;
  }
  if (!unusable.empty()) {
    for (DiscSource& sheet : unusable) {
      sheet.problem += ", and no lossless audio files beside it";
      discs.push_back(std::move(sheet));
    }
  } else if (named) {
    discs.push_back(Problem(folder.path, "no cue sheet and no lossless audio files in this folder"));
  }
}

// The path with every link resolved; empty when it cannot be resolved.
std::string RealPath(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return {};
  std::string resolved = real;
  std::free(real);
  return resolved;
}

// Whether `path` is `folder` or lies below it (both without links).
bool Contains(const std::string& folder, const std::string& path) {
  if (path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || folder.back() == '/' || path[folder.size()] == '/';
}

struct FolderId {
  dev_t device;
  ino_t inode;
  bool operator<(const FolderId& other) const {
    return device != other.device ? device < other.device : inode < other.inode;
  }
};

// The discs of a named folder and, with `recursive`, of every folder below it, each folder once.
void SearchFolder(const std::string& root, bool recursive, std::set<FolderId>& visited,
                  std::vector<DiscSource>& discs) {
  const std::size_t firstDisc = discs.size();
  struct Pending {
    std::string path;
    std::string real;  // the path without links: where a link inside it must not lead back to
  };
  std::vector<Pending> pending = {{root, RealPath(root)}};
  Folder folder;
  bool searched = false;  // the folder was searched already, named twice or under another named folder
  while (!pending.empty()) {
    const std::string path = std::move(pending.back().path), real = std::move(pending.back().real);
    pending.pop_back();
    std::string why;
    if (!ListFolder(path, folder, why)) {
      discs.push_back(Problem(path, why));
      continue;
    }
    if (!visited.insert({folder.device, folder.inode}).second) {  // a link back, or a folder named twice
      searched = searched || path == root;
      continue;
    }
    FolderDiscs(folder, path == root && !recursive, discs);
    if (!recursive) continue;
    for (const auto& [name, link] : folder.subfolders) {
      const std::string child = Join(path, name);
      if (!link) {
        pending.push_back({child, Join(real, name)});
        continue;
      }
      // A link is followed unless it leads back up to where it lies, or above: that is a loop.
      std::string target = RealPath(child);
      if (!target.empty() && !Contains(target, real)) pending.push_back({child, std::move(target)});
    }
  }
  // Discs and the folders and sheets that are none, all in path order.
  std::stable_sort(discs.begin() + static_cast<std::ptrdiff_t>(firstDisc), discs.end(),
                   [](const DiscSource& a, const DiscSource& b) { return NaturalPathLess(a.name, b.name); });
  if (recursive && !searched && discs.size() == firstDisc)
    discs.push_back(Problem(root, "no disc in this folder or below it"));
}

}  // namespace

bool IsCueSheetPath(const std::string& path) { return LowerExtension(path) == ".cue"; }

bool IsLosslessAudioPath(const std::string& path) {
  const std::vector<std::string>& lossless = vdisc::LosslessExtensions();
  return std::find(lossless.begin(), lossless.end(), LowerExtension(path)) != lossless.end();
}

bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
    if (std::isdigit(ca) && std::isdigit(cb)) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
      while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
      // Compare the values: leading zeros aside, a longer run is larger, else digit by digit.
      std::size_t si = i, sj = j;
      while (si + 1 < ei && a[si] == '0') ++si;
      while (sj + 1 < ej && b[sj] == '0') ++sj;
      if (ei - si != ej - sj) return ei - si < ej - sj;
      const int order = a.compare(si, ei - si, b, sj, ej - sj);
      if (order != 0) return order < 0;
      i = ei;
      j = ej;
      continue;
    }
    if (ca != cb) return ca < cb;
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

bool NaturalPathLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const std::size_t ei = std::min(a.find('/', i), a.size()), ej = std::min(b.find('/', j), b.size());
    const std::string pa = a.substr(i, ei - i), pb = b.substr(j, ej - j);
    if (NaturalLess(pa, pb)) return true;
    if (NaturalLess(pb, pa)) return false;
    i = ei + 1;
    j = ej + 1;
  }
  return i < a.size() ? false : j < b.size();
}

std::vector<DiscSource> FindDiscs(const std::vector<std::string>& paths, bool recursive) {
  std::vector<DiscSource> discs;
  std::set<FolderId> visited;
  std::size_t audioDisc = 0;
  bool haveAudio = false;
  for (const std::string& path : paths) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::is_directory(status)) {
      SearchFolder(path, recursive, visited, discs);
    } else if (!fs::exists(status)) {
      discs.push_back(Problem(path, ec && ec != std::errc::no_such_file_or_directory ? ec.message()
                                                                                     : "no such file or folder"));
    } else if (IsCueSheetPath(path)) {
      discs.push_back({path, path, {}, {}, {}});
    } else {
      if (!haveAudio) {
        haveAudio = true;
        audioDisc = discs.size();
        discs.push_back({path, {}, {}, {}, {}});
      }
      discs[audioDisc].audioFiles.push_back(path);
    }
  }
  return discs;
}

std::vector<DiscSource> FindDiscs(const std::vector<std::string>& paths, bool recursive,
                                  std::vector<std::string>& problems) {
  std::vector<DiscSource> discs;
  for (DiscSource& entry : FindDiscs(paths, recursive)) {
    if (entry.problem.empty())
      discs.push_back(std::move(entry));
    else
      problems.push_back(entry.name + ": " + entry.problem);
  }
  return discs;
}

std::shared_ptr<VirtualDisc> MakeDisc(const DiscSource& source, std::string& error, std::vector<std::string>* notes) {
  std::vector<std::string> told;
  auto disc = source.cueSheet.empty() ? VirtualDisc::FromAudioFiles(source.audioFiles, error)
                                      : VirtualDisc::FromCueSheet(source.cueSheet, error, &told);
  if (!disc) return nullptr;
  if (notes) {
    if (!source.note.empty()) notes->push_back(source.note);
    notes->insert(notes->end(), told.begin(), told.end());
  }
  return disc;
}

std::optional<MountedDisc> MountDisc(const DiscSource& source, DriveTable& table, std::string& error,
                                     std::vector<std::string>* notes) {
  std::vector<std::string> told;
  const std::shared_ptr<VirtualDisc> disc = MakeDisc(source, error, &told);
  if (!disc) return std::nullopt;
  const char letter = table.AddCdDrive(disc->AsDrive());
  if (letter == 0) {
    error = "too many discs: no free drive letter for " + source.name;
    return std::nullopt;
  }
  if (notes) notes->insert(notes->end(), told.begin(), told.end());
  return MountedDisc{letter, source.name, disc};
}

std::vector<MountedDisc> MountImages(const std::vector<std::string>& paths, DriveTable& table, std::string& error,
                                     std::vector<std::string>* notes) {
  std::vector<std::string> problems, told;
  const std::vector<DiscSource> sources = FindDiscs(paths, false, problems);
  if (!problems.empty()) {
    error = problems.front();
    return {};
  }

  std::vector<std::shared_ptr<VirtualDisc>> discs;
  for (const DiscSource& source : sources) {
    auto disc = MakeDisc(source, error, &told);
    if (!disc) return {};
    discs.push_back(std::move(disc));
  }

  std::vector<MountedDisc> mounted;
  for (std::size_t i = 0; i < discs.size(); ++i) {
    const char letter = table.AddCdDrive(discs[i]->AsDrive());
    if (letter == 0) {
      for (const MountedDisc& m : mounted) table.Remove(m.letter);
      error = "too many discs: no free drive letter for " + sources[i].name;
      return {};
    }
    mounted.push_back({letter, sources[i].name, discs[i]});
  }
  if (notes) notes->insert(notes->end(), told.begin(), told.end());
  return mounted;
}

}  // namespace ossel
