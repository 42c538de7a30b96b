// The command line's outputs, whose failures are never taken for success: files written under a temporary name
// beside their target and renamed into place only when complete (so that a run that fails leaves no half file, and
// two runs writing the same file give one whole file), and standard output checked to its last flush and close.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace ossel::cli {

// A file written as a whole: Open makes ".NAME.XXXXXX" beside `target` (beside the file it links to, for a link),
// Commit renames it to `target`, and a file neither committed nor discarded is removed when the object goes. A
// target that exists and is no regular file (a pipe, a device) is written to directly. While it is open, its temporary name is known to
// RemoveTemporaryFiles, which a process ended at once calls.
class WholeFile {
 public:
  WholeFile() = default;
  ~WholeFile() { Discard(); }
  WholeFile(const WholeFile&) = delete;
  WholeFile& operator=(const WholeFile&) = delete;

  // False with `error` ("TARGET: reason").
  bool Open(const std::string& target, std::string& error);
  std::FILE* stream() const { return stream_; }

  // Writes `bytes`; false once any write to the file has failed (the first failure's reason is kept).
  bool Write(std::string_view bytes);
  // Flushes what was written; false as Write.
  bool Flush();
  bool Failed() const { return errno_ != 0; }
  // "TARGET: reason" of the first failure.
  std::string Error() const;

  // Flushes, closes and renames the file into place; false with `error` when any write, the close or the rename
  // failed, and the temporary file is then removed.
  bool Commit(std::string& error);
  // Removes the temporary file.
  void Discard();

 private:
  std::string target_;     // as named, for messages
  std::string renamed_;    // the file the temporary one becomes
  std::string temporary_;  // empty when writing to the target directly
  std::FILE* stream_ = nullptr;
  int errno_ = 0;
};

// Writes `bytes` as the whole file `target`, by way of a temporary file; false with `error` ("TARGET: reason").
bool WriteWholeFile(const std::string& target, std::string_view bytes, std::string& error);

// Removes every temporary file of the open WholeFiles; for a process about to end at once.
void RemoveTemporaryFiles();

// Standard output: writes and flushes `text`, false once any write to it failed. The first failure's reason is
// kept for FinishStandardOutput.
bool WriteStandardOutput(std::string_view text);
bool FlushStandardOutput();
bool StandardOutputFailed();
// Flushes and closes standard output at the end of the command; `status` when that and every write before it
// succeeded, else 1 (or `status`, when it already says a failure) with "ossel: standard output: reason" on stderr.
int FinishStandardOutput(int status);

}  // namespace ossel::cli
