// The help page: a browser filling the page, showing help/index.html from the program's folder. Escape returns
// to the start page; Enter does not close anything.
#pragma once

#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

namespace ossel {

// The maker's home page: the help's start page when the program's folder is not known, and the about page's link.
inline constexpr char kHomePageUrl[] = "https://velmora.example/";

// The browser: shows local HTML pages; links to the web open in the user's browser.
class CExplorer : public QTextBrowser {
  Q_OBJECT

 public:
  explicit CExplorer(QWidget* parent = nullptr);
  void Navigate(const QUrl& url);
};

class CHelpDialog : public QWidget {
  Q_OBJECT

 public:
  explicit CHelpDialog(QWidget* parent = nullptr);

  // The start page: help/index.html next to the executable.
  const QUrl& url() const { return url_; }
  CExplorer* browser() const { return browser_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QUrl url_{QString(kHomePageUrl)};
  CExplorer* browser_;
};

}  // namespace ossel
