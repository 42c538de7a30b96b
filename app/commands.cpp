#include "app/commands.h"

#include <QKeyEvent>
#include <array>

namespace ossel {

namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;

const std::array<Accelerator, 26> kAccelerators{{
    {Qt::Key_Return, kNone, kCmdAnalyze},
    {Qt::Key_Enter, kNone, kCmdAnalyze},
    {Qt::Key_Space, kNone, kCmdEjectOrLoad},
    {Qt::Key_R, kCtrl, kCmdReadNewDisc},
    {Qt::Key_Escape, kNone, kCmdCancel},
    {Qt::Key_T, kAlt, kCmdPageTracks},
    {Qt::Key_C, kAlt, kCmdPageCdInfo},
    {Qt::Key_I, kAlt, kCmdPageIsrc},
    {Qt::Key_S, kAlt, kCmdPageSpectrum},
    {Qt::Key_F, kAlt, kCmdPageFrequency},
    {Qt::Key_H, kAlt, kCmdPageHelp},
    {Qt::Key_F1, kNone, kCmdPageHelp},
    {Qt::Key_Semicolon, kNone, kCmdPageHelp},  // the key right of L on a US keyboard
    {Qt::Key_A, kAlt, kCmdPageAbout},
    {Qt::Key_O, kAlt, kCmdPageConsole},
    {Qt::Key_O, kCtrl, kCmdOpenImage},
    {Qt::Key_C, kCtrl, kCmdCopy},
    {Qt::Key_Insert, kCtrl, kCmdCopy},
    {Qt::Key_Delete, kShift, kCmdCut},
    {Qt::Key_X, kCtrl, kCmdCut},
    {Qt::Key_V, kCtrl, kCmdPaste},
    {Qt::Key_Insert, kShift, kCmdPaste},
    {Qt::Key_Backspace, kAlt, kCmdUndo},
    {Qt::Key_Z, kCtrl, kCmdUndo},
    {Qt::Key_F6, kNone, kCmdNextPane},
    {Qt::Key_F6, kShift, kCmdPreviousPane},
}};

}  // namespace

std::optional<int> CommandForKey(const QKeyEvent& event) {
  const Qt::KeyboardModifiers held =
      event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  for (const Accelerator& a : kAccelerators) {
    if (a.key == event.key() && a.modifiers == held) return a.command;
  }
  return std::nullopt;
}

}  // namespace ossel
