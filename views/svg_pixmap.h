// Pictures kept as vector files, drawn at the size they are shown.
#pragma once

#include <QPixmap>
#include <QString>

namespace ossel {

// The SVG file at `path` (a resource path such as ":/toolbar/read-normal.svg") drawn into a transparent pixmap of
// `size`; an empty pixmap of that size when the file cannot be read.
QPixmap SvgPixmap(const QString& path, QSize size);

}  // namespace ossel
