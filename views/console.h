// The console page: the read-only text on which the analysis report is written. Reports of successive jobs follow
// one another; the text is never cleared. To stay light over very long use it keeps the last 100,000 lines (about
// six thousand track reports); older lines are dropped from the top.
#pragma once

#include <QPlainTextEdit>

namespace ossel {

class Console : public QPlainTextEdit {
  Q_OBJECT

 public:
  static constexpr int kMaxLines = 100000;

  explicit Console(QWidget* parent = nullptr);

  // Adds `text` and one more line break at the end, without undo, and scrolls the end into view. "\r\n" line
  // breaks are kept as plain line breaks.
  void Append(const std::string& text);
};

}  // namespace ossel
