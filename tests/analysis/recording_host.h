// A panel host for tests: records what the job and the commands asked of the window, and keeps the console text.
#pragma once

#include <algorithm>
#include <atomic>
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
    int wParam;
    int lParam;
  };

  explicit RecordingHost(DiscModel& model) : model_(model) {}

  void ClearAnalysisViews() override {
    Record("clear-views");
    model_.ClearAnalysisData();
  }
  void UpdatePageAvailability() override { Record("update-pages"); }
  int SelectedPage() override { return selectedPage; }
  void SetTrackNumberText(const std::string& text) override { Record("track-number " + text); }
  void ConsoleAppend(const std::string& text) override {
    std::lock_guard lock(mutex_);
    console_ += text + "\r\n";
  }
  void EnableDriveBox() override { Record("enable-drive-box"); }
  void PostDataChanged(View view, int wParam, int lParam) override {
    {
      std::lock_guard lock(mutex_);
      posts_.push_back({view, wParam, lParam});
    }
    if (onPost) onPost(view, wParam, lParam);
  }
  void ShowError(const std::string& text) override { Record("error " + text); }
  void SelectPage(int page) override { Record("select-page " + std::to_string(page)); }
  void SetPageEnabled(int page, bool enabled) override {
    Record((enabled ? "enable-page " : "disable-page ") + std::to_string(page));
  }
  void DisableDriveBox() override { Record("disable-drive-box"); }
  void DiscJudged(int, double) override { ++discVerdicts; }
  char DriveBoxLetter() override { return driveBoxLetter; }

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
  // Called on the posting thread after every UM_DATA_CHANGED.
  std::function<void(View, int, int)> onPost;

 private:
  void Record(const std::string& call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(call);
  }

  DiscModel& model_;
  mutable std::mutex mutex_;
  std::string console_;
  std::vector<std::string> calls_;
  std::vector<Post> posts_;
};

}  // namespace ossel::test
