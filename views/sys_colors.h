// The system colours the controls are drawn with, as the standard Windows colour scheme defines them, so that the
// pages look the same on every desktop and their pixels can be checked.
#pragma once

#include <QColor>

namespace ossel {

enum class SysColor {
  Window,                // COLOR_WINDOW
  WindowText,            // COLOR_WINDOWTEXT
  BtnFace,               // COLOR_BTNFACE (also COLOR_3DFACE)
  BtnText,               // COLOR_BTNTEXT
  BtnShadow,             // COLOR_BTNSHADOW
  BtnHighlight,          // COLOR_BTNHIGHLIGHT
  Light3d,               // COLOR_3DLIGHT
  HotLight,              // COLOR_HOTLIGHT
  InactiveCaptionText,   // COLOR_INACTIVECAPTIONTEXT
  MenuBar,               // COLOR_MENUBAR
};

inline QColor GetSysColor(SysColor c) {
  switch (c) {
    case SysColor::Window: return QColor(255, 255, 255);
    case SysColor::WindowText: return QColor(0, 0, 0);
    case SysColor::BtnFace: return QColor(240, 240, 240);
    case SysColor::BtnText: return QColor(0, 0, 0);
    case SysColor::BtnShadow: return QColor(160, 160, 160);
    case SysColor::BtnHighlight: return QColor(255, 255, 255);
    case SysColor::Light3d: return QColor(227, 227, 227);
    case SysColor::HotLight: return QColor(0, 102, 204);
    case SysColor::InactiveCaptionText: return QColor(0, 0, 0);
    case SysColor::MenuBar: return QColor(240, 240, 240);
  }
  return QColor(0, 0, 0);
}

// A COLORREF (0x00BBGGRR) as a colour.
inline QColor FromColorRef(unsigned ref) { return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF); }

}  // namespace ossel
