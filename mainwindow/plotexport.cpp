#include "mainwindow/plotexport.h"

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>
#include <QTemporaryFile>

namespace PlotExport {

QString formatFor(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("jpeg"))
        return QStringLiteral("jpg");
    static const QStringList known = {QStringLiteral("png"), QStringLiteral("bmp"), QStringLiteral("jpg"),
                                      QStringLiteral("tif"), QStringLiteral("tiff"), QStringLiteral("pdf"),
                                      QStringLiteral("svg"), QStringLiteral("ps")};
    return known.contains(ext) ? ext : QString();
}

bool writePostScript(const QImage &image, const QSizeF &sizeMm, const QString &path, QString *error)
{
    // Level 2 PostScript: the picture as one RGB image, hex-encoded, scaled
    // to the page, which is the picture's size in points.
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const int w = qRound(sizeMm.width() / 25.4 * 72);
    const int h = qRound(sizeMm.height() / 25.4 * 72);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    QByteArray head;
    head += "%!PS-Adobe-3.0\n%%Creator: servo-tool\n%%LanguageLevel: 2\n";
    head += "%%BoundingBox: 0 0 " + QByteArray::number(w) + ' ' + QByteArray::number(h) + "\n%%Pages: 1\n";
    head += "%%EndComments\n%%Page: 1 1\n";
    head += "<< /PageSize [" + QByteArray::number(w) + ' ' + QByteArray::number(h) + "] >> setpagedevice\n";
    head += "gsave\n" + QByteArray::number(w) + ' ' + QByteArray::number(h) + " scale\n";
    head += "/DeviceRGB setcolorspace\n";
    head += "<< /ImageType 1 /Width " + QByteArray::number(rgb.width()) + " /Height "
        + QByteArray::number(rgb.height()) + " /BitsPerComponent 8 /Decode [0 1 0 1 0 1]\n";
    head += "   /ImageMatrix [" + QByteArray::number(rgb.width()) + " 0 0 -" + QByteArray::number(rgb.height())
        + " 0 " + QByteArray::number(rgb.height()) + "]\n";
    head += "   /DataSource currentfile /ASCIIHexDecode filter >>\nimage\n";
    file.write(head);
    const int rowBytes = rgb.width() * 3;
    for (int y = 0; y < rgb.height(); ++y) {
        const QByteArray row = QByteArray::fromRawData(reinterpret_cast<const char *>(rgb.constScanLine(y)), rowBytes);
        file.write(row.toHex());
        file.write("\n");
    }
    file.write(">\ngrestore\nshowpage\n%%EOF\n");
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool save(QwtPlot *plot, const QString &path, const QSizeF &sizeMm, int dpi, QString *error)
{
    const QString format = formatFor(path);
    if (format.isEmpty()) {
        *error = QStringLiteral("unknown picture format: %1").arg(QFileInfo(path).suffix());
        return false;
    }
    QwtPlotRenderer renderer;
    if (format == QLatin1String("ps")) {
        const QSize pixels(qRound(sizeMm.width() / 25.4 * dpi), qRound(sizeMm.height() / 25.4 * dpi));
        QImage image(pixels, QImage::Format_RGB32);
        const int dotsPerMeter = qRound(dpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        image.fill(Qt::white);
        QPainter painter(&image);
        renderer.render(plot, &painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
        painter.end();
        return writePostScript(image, sizeMm, path, error);
    }
    // The renderer writes to a file name: a private one, removed when done,
    // so that no file of the user's is touched. The picture then replaces
    // the target in one step.
    QTemporaryFile drawn;
    if (!drawn.open()) {
        *error = drawn.errorString();
        return false;
    }
    drawn.close();
    renderer.renderDocument(plot, drawn.fileName(), format, sizeMm, dpi);
    if (!drawn.open()) {
        *error = drawn.errorString();
        return false;
    }
    const QByteArray picture = drawn.readAll();
    if (picture.isEmpty()) {
        *error = QStringLiteral("the picture could not be written");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(picture) != picture.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace PlotExport
