#include "views/svg_pixmap.h"

#include <QPainter>
#include <QSvgRenderer>

namespace ossel {

QPixmap SvgPixmap(const QString& path, QSize size) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QSvgRenderer renderer(path);
  if (renderer.isValid()) {
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
  }
  return pixmap;
}

}  // namespace ossel
