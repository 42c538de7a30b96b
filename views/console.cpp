#include "views/console.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <QTextCursor>

namespace ossel {

Console::Console(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setUndoRedoEnabled(false);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setMaximumBlockCount(kMaxLines);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setAccessibleName(QCoreApplication::translate("Pages", "Console"));
}

void Console::Append(const std::string& text) {
  QString added = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())) + "\r\n";
  added.replace("\r\n", "\n");
  if (document()->isEmpty()) {
    setPlainText(added);
  } else {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(added);
  }
  QTextCursor end = textCursor();
  end.movePosition(QTextCursor::End);
  setTextCursor(end);
  ensureCursorVisible();
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

}  // namespace ossel
