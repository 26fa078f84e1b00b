#pragma once

// Pictures of a plot: PNG, BMP, JPEG, TIFF, PDF, SVG and PostScript, chosen
// by the file name's extension. A picture replaces its target in one step
// once complete, so a failed export never destroys an earlier file of that
// name, and no other file is touched.

#include <QImage>
#include <QSizeF>
#include <QString>

class QwtPlot;

namespace PlotExport {

// The format a file name asks for: its extension in lower case, "jpg" for
// "jpeg", empty when the extension is not one we write.
QString formatFor(const QString &path);

// Draws `plot` into `path` at `sizeMm` and `dpi`. False with a reason when
// the format is unknown or the file could not be written.
bool save(QwtPlot *plot, const QString &path, const QSizeF &sizeMm, int dpi, QString *error);

// Writes `image` as a one-page PostScript document of `sizeMm`.
bool writePostScript(const QImage &image, const QSizeF &sizeMm, const QString &path, QString *error);

} // namespace PlotExport
