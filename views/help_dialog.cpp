#include "views/help_dialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>

#include "platform/language.h"

namespace ossel {

CExplorer::CExplorer(QWidget* parent) : QTextBrowser(parent) {
  setOpenExternalLinks(true);
  setAccessibleName(QCoreApplication::translate("Pages", "Help"));
}

void CExplorer::Navigate(const QUrl& url) {
  if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) {
    setHtml(QCoreApplication::translate("Pages", "<h3>The help is not installed</h3><p>%1 was not found.</p>").arg(url.toLocalFile().toHtmlEscaped()));
    return;
  }
  setSource(url);
}

CHelpDialog::CHelpDialog(QWidget* parent) : QWidget(parent), browser_(new CExplorer(this)) {
  const QString folder = QCoreApplication::applicationDirPath();
  // The English pages stand in help/en/, beside the original ones.
  const QString page = CurrentLanguage() == Language::English ? "help/en/index.html" : "help/index.html";
  if (!folder.isEmpty()) url_ = QUrl::fromLocalFile(QDir(folder).filePath(page));
  browser_->Navigate(url_);
  setFocusProxy(browser_);
}

void CHelpDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      browser_->Navigate(url_);
      event->accept();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void CHelpDialog::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  browser_->setGeometry(rect());
}

}  // namespace ossel
