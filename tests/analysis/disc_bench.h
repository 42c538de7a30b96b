// A virtual disc in a drive table of its own, loaded into a model with a recording host: what the job's and the
// panel commands' tests run on.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "analysis/analyze_job.h"
#include "platform/virtual_disc.h"
#include "support/disc_images.h"
#include "tests/analysis/recording_host.h"

namespace ossel::test {

// Sectors of a track whose continuous reading gives exactly `blocks` blocks: the last sector is never read, and
// `blocks` × 16384 bytes need this many sectors before it.
inline int SectorsForBlocks(int blocks) { return (blocks * 16384 + 2351) / 2352 + 1; }

// A virtual disc in a drive table of its own, loaded into a model with a recording host.
struct Bench {
  ImageFolder folder;
  DriveTable table;
  DiscModel model{table, folder.path()};
  RecordingHost host;
  char letter = 0;

  explicit Bench(const std::shared_ptr<VirtualDisc>& disc) { Insert(disc); }
  // Tracks that give these numbers of blocks when read continuously.
  explicit Bench(const std::vector<int>& blocks) {
    std::vector<int> sectors;
    for (int b : blocks) sectors.push_back(SectorsForBlocks(b));
    Insert(NoiseDisc(folder, sectors, 7));
  }
  struct Sectors {
    std::vector<int> counts;
  };
  explicit Bench(const Sectors& sectors) { Insert(NoiseDisc(folder, sectors.counts, 7)); }

  void Insert(const std::shared_ptr<VirtualDisc>& disc) {
    ASSERT_TRUE(disc);
    letter = table.AddCdDrive(disc->AsDrive());
    model.drive.EnumerateDrives();  // the drive came after the model
    model.cdDrive = letter;
    host.driveBoxLetter = letter;
  }

  void Load() {
    ASSERT_TRUE(model.drive.Open(letter));
    ASSERT_TRUE(model.LoadTrackRows());
  }
  // Runs one job to its end on a worker, as the Analyze command queues it.
  void RunJob(int parallelTracks = 1) {
    AnalysisThread worker([&](AnalysisThread& w) { RunAnalyzeDiscJob(model, host, w, parallelTracks); });
    worker.QueueJob();
    worker.WaitIdle();
    currentTrack = worker.CurrentTrack();
    readErrorTotal = worker.ReadErrorTotal();
  }
  int currentTrack = 0;
  int readErrorTotal = 0;
};

inline int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace ossel::test
