// Command ids of the tool bar and the keys, and the accelerator table that turns keys into commands.
#pragma once

#include <Qt>
#include <optional>

class QKeyEvent;

namespace ossel {

enum Command : int {
  kCmdReadNewDisc = 32771,
  kCmdAnalyze = 32773,
  kCmdCancel = 32775,
  kCmdEjectOrLoad = 32780,
  kCmdPlaceholder = 32781,  // the buttons under the tool bar's embedded controls; no handler
  kCmdPageTracks = 32785,
  kCmdPageCdInfo = 32786,
  kCmdPageIsrc = 32787,
  kCmdPageSpectrum = 32788,
  kCmdPageFrequency = 32789,
  kCmdPageAbout = 32791,
  kCmdPageConsole = 32792,
  kCmdOpenImage = 32800,    // Open disc image…
  kCmdCopy = 57634,         // the edit and pane commands are taken by the keys and have no handler
  kCmdCut = 57635,
  kCmdPaste = 57637,
  kCmdUndo = 57643,
  kCmdPageHelp = 57670,
  kCmdNextPane = 57680,
  kCmdPreviousPane = 57681,
};

struct Accelerator {
  int key;                          // Qt key code standing for the virtual key
  Qt::KeyboardModifiers modifiers;  // exactly these must be held
  int command;
};

// The command of a key press, when the accelerator table has one. Keys are keys, not characters: Shift, Ctrl and
// Alt must be exactly as listed; the keypad's Enter counts as Enter.
std::optional<int> CommandForKey(const QKeyEvent& event);

}  // namespace ossel
