// The about page: the version banner, the maker's notice, the logo, the donation text, a link to the maker's home
// page, the donate button, and the build line with the version of this build. Enter on the page opens the donation page; Escape does nothing.
#pragma once

#include <QLabel>
#include <QUrl>
#include <QWidget>

class QGroupBox;
class QPushButton;

namespace ossel {

// Where the donate button (and Enter on the page) leads.
inline constexpr char kDonationUrl[] = "https://velmora.example/donate";

inline constexpr char kVersionBanner[] = "Ossel Analyzer version 1.2 / Aurvex version 0.8";
inline constexpr char kMakerNotice[] = "Copyright (C) 2026 Velmora Software";
inline constexpr char kDonationText[] =
    "All of our software may be used free of charge AS IS, but we accept donations towards the continuing "
    "development of these applications. Feel free to request some new functionality with your donation. We would "
    "feel more obligated to implement functionality requested in such way. To donate online by credit card, click "
    "the \"Donate\" button below. Thank you in advance for your support!";

// Opens an address in the user's browser, never through a shell (tests catch it with a URL handler).
void OpenAddress(const QUrl& url);

// A static text that is a link: blue and underlined, the hand cursor over it, a tool tip, opened on a click.
class HyperLink : public QLabel {
  Q_OBJECT

 public:
  explicit HyperLink(QWidget* parent = nullptr);

  void SetLink(const QString& address) { link_ = address; }
  const QString& link() const { return link_; }
  void EnableToolTip(bool enable) { toolTipEnabled_ = enable; }
  // Changes the tool-tip text; only while the tool tip is enabled.
  void SetToolTipText(const QString& text);
  bool hovering() const { return hover_; }

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString link_;
  bool hover_ = false;
  bool toolTipEnabled_ = false;
};

class AboutDialog : public QWidget {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);

  HyperLink* link() const { return link_; }
  QPushButton* donateButton() const { return donate_; }
  QLabel* buildLine() const { return build_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Donate();

  HyperLink* link_;
  QPushButton* donate_;
  QLabel* build_;
};

}  // namespace ossel
