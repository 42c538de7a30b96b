// What the analysis job needs from the windows, as a small interface. The desktop panel implements it with queued
// calls into the user-interface thread, the command line by writing the report, tests by recording the calls.
//
// Every call may come from the worker thread while it holds the job lock; an implementation must never block on
// anything the user-interface thread might be holding while it waits for that lock.
#pragma once

#include <string>

#include "detector/track_result.h"

namespace ossel {

// The system's private messages.
inline constexpr unsigned kUmAnalyzeDisc = 0x401;
inline constexpr unsigned kUmDataChanged = 0x404;
inline constexpr unsigned kUmPageChanged = 0x406;

// UM_DATA_CHANGED parameters.
inline constexpr int kDataClear = 1;
inline constexpr int kDataRefresh = 0;
inline constexpr int kAllRows = -1;
inline constexpr int kDiscRow = -2;

// Pages of the tab control.
enum Page : int {
  kPageTracks = 0,
  kPageCdInfo = 1,
  kPageIsrc = 2,
  kPageSpectrum = 3,
  kPageFrequency = 4,
  kPageHelp = 5,
  kPageAbout = 6,
  kPageConsole = 7,
};

// The views that receive UM_DATA_CHANGED.
enum class View { TrackList, InfoList, IsrcList, Spectrum, Frequency };

class JobHost {
 public:
  virtual ~JobHost() = default;

  // Empties the ISRC list and the display store, disables the ISRC, spectrum and frequency pages (leaving them for
  // page 0 if one was selected) and tells those views.
  virtual void ClearAnalysisViews() = 0;
  // Enables the ISRC, spectrum and frequency pages that now have something to show.
  virtual void UpdatePageAvailability() = 0;
  virtual int SelectedPage() = 0;
  virtual void SetTrackNumberText(const std::string& text) = 0;
  // Adds report text to the console; the console ends it with one more line break.
  virtual void ConsoleAppend(const std::string& text) = 0;
  virtual void EnableDriveBox() = 0;
  // Posts UM_DATA_CHANGED to a view; never waits.
  virtual void PostDataChanged(View view, int wParam, int lParam) = 0;
  // A stop-icon message box with the application title as caption.
  virtual void ShowError(const std::string& text) = 0;

  // Told after each track that gave data (`result` null when it had too few blocks to be judged) and after the
  // disc verdict, in track order; for hosts that keep the results themselves. The window needs neither.
  virtual void TrackJudged(int /*rowIndex*/, int /*blocks*/, const TrackResult* /*result*/) {}
  virtual void DiscJudged(int /*verdict*/, double /*probability*/) {}
};

}  // namespace ossel
