// What the analysis job needs from the windows, as a small interface. The desktop panel implements it with queued
// calls into the user-interface thread, the command line by writing the report, tests by recording the calls.
//
// Every call may come from the worker thread while it holds the job lock; an implementation must never block on
// anything the user-interface thread might be holding while it waits for that lock.
#pragma once

#include <string>

#include "detector/track_result.h"

namespace ossel {

// What a view is told about the data it shows (the window's UM_DATA_CHANGED, whose wParam said clear 1 or
// refresh 0).
enum class DataChange { Clear, Refresh };

// Which rows a refresh is about (UM_DATA_CHANGED's lParam: a row index, -1 every row, -2 the disc row). A clear is
// about the whole view, and views without rows of their own show everything again on any refresh.
class RowTarget {
 public:
  static constexpr RowTarget All() { return RowTarget(kAll); }
  static constexpr RowTarget Disc() { return RowTarget(kDisc); }
  // Row `index` of the track list, or entry `index` of the ISRC list.
  static constexpr RowTarget Row(int index) { return RowTarget(index < 0 ? kNone : index); }

  constexpr bool IsAll() const { return value_ == kAll; }
  constexpr bool IsDisc() const { return value_ == kDisc; }
  // The row of Row(index), -1 for the other targets.
  constexpr int Index() const { return value_ >= 0 ? value_ : -1; }
  constexpr bool operator==(const RowTarget&) const = default;

 private:
  static constexpr int kAll = -1, kDisc = -2, kNone = -3;
  explicit constexpr RowTarget(int value) : value_(value) {}
  int value_;
};

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

// The views that are told of changes to their data.
enum class View { TrackList, InfoList, IsrcList, Spectrum, Frequency };

class JobHost {
 public:
  virtual ~JobHost() = default;

  // The ISRC list and the display store have been emptied (DiscModel::ClearAnalysisData): disables the ISRC,
  // spectrum and frequency pages (leaving them for page 0 if one was selected) and tells those views.
  virtual void ClearAnalysisViews() = 0;
  // Enables the ISRC, spectrum and frequency pages that now have something to show.
  virtual void UpdatePageAvailability() = 0;
  virtual int SelectedPage() = 0;
  virtual void SetTrackNumberText(const std::string& text) = 0;
  // Adds report text to the console; the console ends it with one more line break.
  virtual void ConsoleAppend(const std::string& text) = 0;
  virtual void EnableDriveBox() = 0;
  // Tells a view of a change to its data, in order with the other notices; never waits.
  virtual void PostDataChanged(View view, DataChange change, RowTarget rows) = 0;
  // A stop-icon message box with the application title as caption.
  virtual void ShowError(const std::string& text) = 0;

  // Told after each track that gave data (`result` null when it had too few blocks to be judged) and after the
  // disc verdict, in track order; for hosts that keep the results themselves. The window needs neither.
  virtual void TrackJudged(int /*rowIndex*/, int /*blocks*/, const TrackResult* /*result*/) {}
  virtual void DiscJudged(int /*verdict*/, double /*probability*/) {}
};

}  // namespace ossel
