#include "views/about_dialog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QSvgRenderer>
#include <QToolTip>
#include <QPainter>

#include "views/help_dialog.h"

namespace ossel {

void OpenAddress(const QUrl& url) { QDesktopServices::openUrl(url); }

namespace {

// Positions on the page are given in dialog units, which follow the page's font the way they do on Windows: a
// horizontal unit is a quarter of the font's average character width, a vertical unit an eighth of its height.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    baseX_ = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    baseY_ = metrics.height();
  }
  QRect operator()(int x, int y, int w, int h) const {
    return {x * baseX_ / 4, y * baseY_ / 8, w * baseX_ / 4, h * baseY_ / 8};
  }

 private:
  int baseX_ = 6;
  int baseY_ = 12;
};

// The logo picture, drawn from its vector file at the size of its place.
class Logo : public QWidget {
 public:
  explicit Logo(QWidget* parent) : QWidget(parent), renderer_(QString(":/images/logo.svg")) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    if (renderer_.isValid()) renderer_.render(&p, QRectF(rect()));
  }

 private:
  QSvgRenderer renderer_;
};

}  // namespace

HyperLink::HyperLink(QWidget* parent) : QLabel(parent) {
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
  setPalette(palette);
  setCursor(Qt::PointingHandCursor);
  setMouseTracking(true);
  setFocusPolicy(Qt::TabFocus);
  setAccessibleDescription(QCoreApplication::translate("About", "Link"));
}

void HyperLink::SetToolTipText(const QString& text) {
  if (!toolTipEnabled_) return;
  setToolTip(text);
}

void HyperLink::mouseMoveEvent(QMouseEvent* event) {
  if (!hover_) {
    hover_ = true;
    update();
  }
  QLabel::mouseMoveEvent(event);
}

void HyperLink::leaveEvent(QEvent* event) {
  hover_ = false;
  update();
  QLabel::leaveEvent(event);
}

void HyperLink::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    OpenAddress(QUrl(link_));
  }
  QLabel::mouseReleaseEvent(event);
}

void HyperLink::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space) {
    OpenAddress(QUrl(link_));
    event->accept();
    return;
  }
  QLabel::keyPressEvent(event);
}

AboutDialog::AboutDialog(QWidget* parent) : QWidget(parent) {
  setFont(QFont("宋体", 9));
  const DialogUnits Dlu(font());

  auto* banner = new QGroupBox(kVersionBanner, this);
  banner->setAlignment(Qt::AlignHCenter);
  banner->setGeometry(Dlu(6, 5, 211, 204));

  auto* logo = new Logo(this);
  logo->setGeometry(Dlu(15, 18, 192, 82));

  auto* notice = new QLabel(kMakerNotice, this);
  notice->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  notice->setGeometry(Dlu(15, 105, 192, 8));

  auto* donation = new QLabel(kDonationText, this);
  donation->setWordWrap(true);
  donation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  donation->setGeometry(Dlu(16, 120, 192, 60));

  auto* linkFrame = new QGroupBox(this);
  linkFrame->setGeometry(Dlu(14, 182, 110, 22));

  link_ = new HyperLink(this);
  link_->setGeometry(Dlu(23, 190, 90, 8));
  link_->setText(link_->fontMetrics().elidedText(kHomePageUrl, Qt::ElideRight, link_->width()));
  link_->SetLink(kHomePageUrl);
  link_->EnableToolTip(true);
  link_->SetToolTipText(QCoreApplication::translate("About", "Velmora Software Homepage"));
  link_->setAccessibleName(kHomePageUrl);

  donate_ = new QPushButton(QCoreApplication::translate("About", "捐  赠"), this);
  donate_->setGeometry(Dlu(131, 186, 77, 18));
  donate_->setAccessibleName(donate_->text());
  donate_->setAccessibleDescription(QCoreApplication::translate("About", "Donate"));
  connect(donate_, &QPushButton::clicked, this, &AboutDialog::Donate);

  // The build line, small and grey, at the foot of the page beside the banner.
  build_ = new QLabel(QCoreApplication::translate("About", "构建版本 %1").arg(OSSEL_VERSION), this);
  build_->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  build_->setGeometry(Dlu(222, 199, 100, 10));
  QPalette grey = build_->palette();
  grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
  build_->setPalette(grey);
  setFocusPolicy(Qt::StrongFocus);
  setAccessibleName(QCoreApplication::translate("About", "About"));
}

void AboutDialog::Donate() { OpenAddress(QUrl(kDonationUrl)); }

void AboutDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Donate();
      event->accept();
      return;
    case Qt::Key_Escape:
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

}  // namespace ossel
