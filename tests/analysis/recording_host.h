// A panel host for tests: records what the job and the commands asked of the window, and keeps the console text.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "analysis/panel_controller.h"

namespace ossel::test {

class RecordingHost : public PanelHost {
 public:
  struct Post {
    View view;
    DataChange change;
    RowTarget rows;
  };

  void ClearAnalysisViews() override { Record("clear-views"); }
  void UpdatePageAvailability() override { Record("update-pages"); }
  int SelectedPage() override { return selectedPage; }
  void SetTrackNumberText(const std::string& text) override { Record("track-number " + text); }
  void ConsoleAppend(const std::string& text) override {
    std::lock_guard lock(mutex_);
    console_ += text + "\r\n";
  }
  void EnableDriveBox() override { Record("enable-drive-box"); }
  void PostDataChanged(View view, DataChange change, RowTarget rows) override {
    {
      std::lock_guard lock(mutex_);
      posts_.push_back({view, change, rows});
    }
    if (onPost) onPost(view, change, rows);
  }
  void ShowError(const std::string& text) override { Record("error " + text); }
  void SelectPage(int page) override { Record("select-page " + std::to_string(page)); }
  void SetPageEnabled(int page, bool enabled) override {
    Record((enabled ? "enable-page " : "disable-page ") + std::to_string(page));
  }
  void DisableDriveBox() override { Record("disable-drive-box"); }
  void DiscJudged(int, double) override { ++discVerdicts; }
  char DriveBoxLetter() override { return driveBoxLetter; }
  void DrivesChanged(char letter) override {
    Record(std::string("drives-changed ") + letter);
    driveBoxLetter = letter;
  }
  // Work for later is kept until the test runs it (RunPending), as a window's timer would fire it.
  void RunLater(std::chrono::milliseconds delay, std::function<void()> work) override {
    Record("run-later " + std::to_string(delay.count()) + " ms");
    std::lock_guard lock(mutex_);
    pending_.push_back(std::move(work));
  }
  void RunPending() {
    std::vector<std::function<void()>> work;
    {
      std::lock_guard lock(mutex_);
      work.swap(pending_);
    }
    for (auto& w : work) w();
  }

  std::string Console() const {
    std::lock_guard lock(mutex_);
    return console_;
  }
  std::vector<std::string> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  bool Called(const std::string& call) const {
    auto calls = Calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }
  std::vector<Post> Posts() const {
    std::lock_guard lock(mutex_);
    return posts_;
  }
  void Forget() {
    std::lock_guard lock(mutex_);
    calls_.clear();
    posts_.clear();
  }

  int selectedPage = kPageTracks;
  char driveBoxLetter = 0;
  std::atomic<int> discVerdicts{0};  // disc verdicts the job told
  // Called on the posting thread after every notice to a view.
  std::function<void(View, DataChange, RowTarget)> onPost;

 private:
  void Record(const std::string& call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(call);
  }

  mutable std::mutex mutex_;
  std::vector<std::function<void()>> pending_;
  std::string console_;
  std::vector<std::string> calls_;
  std::vector<Post> posts_;
};

}  // namespace ossel::test
