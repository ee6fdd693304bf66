#include "QtReportSurface.h"

#include "platform/ui/QtText.h"

#include <QFontMetricsF>
#include <QPaintDevice>

#include <algorithm>
#include <cmath>

namespace dovrex::ui {

namespace {

// Lines a hundredth of an inch wide, and never thinner than a pixel.
double PenWidth(const QPaintDevice& device) { return std::max(1.0, device.logicalDpiX() / 100.0); }

} // namespace

double QtReportPicture::WidthInches() const {
    const int dpm = mImage.dotsPerMeterX();
    return dpm > 0 ? mImage.width() / (dpm * 0.0254) : mImage.width() / 96.0;
}

double QtReportPicture::HeightInches() const {
    const int dpm = mImage.dotsPerMeterY();
    return dpm > 0 ? mImage.height() / (dpm * 0.0254) : mImage.height() / 96.0;
}

QtPainterDrawing::QtPainterDrawing(QPaintDevice& device, std::function<QPainter&()> painter, bool rasterOps)
    : mDevice(device), mPainter(std::move(painter)), mRasterOps(rasterOps) {}

QFont QtPainterDrawing::ToQFont(const ReportFont& font) {
    QFont qfont(FromCore(font.Name));
    qfont.setPointSizeF(font.Size > 0 ? font.Size : 1);
    qfont.setBold(font.Bold);
    qfont.setItalic(font.Italic);
    qfont.setUnderline(font.Underline);
    qfont.setKerning(false);
    return qfont;
}

QtPainterDrawing::Metrics& QtPainterDrawing::MetricsOf(const ReportFont& font) {
    const auto key = std::make_tuple(font.Name, font.Size, font.Bold, font.Italic, font.Underline);
    auto found = mMetrics.find(key);
    if (found != mMetrics.end()) return found->second;
    Metrics& metrics = mMetrics[key];
    metrics.Font = ToQFont(font);
    const QFontMetricsF fm(metrics.Font, &mDevice);
    for (int c = 0; c < 256; ++c) {
        const QString text = FromCore(std::string(1, static_cast<char>(c)));
        metrics.Advance[c] = text.isEmpty() ? 0 : fm.horizontalAdvance(text);
    }
    metrics.LineHeight = fm.lineSpacing();
    metrics.Ascent = fm.ascent();
    return metrics;
}

double QtPainterDrawing::DotsPerInchX() const { return mDevice.logicalDpiX(); }
double QtPainterDrawing::DotsPerInchY() const { return mDevice.logicalDpiY(); }
double QtPainterDrawing::Width() const { return mDevice.width(); }
double QtPainterDrawing::Height() const { return mDevice.height(); }

double QtPainterDrawing::TextWidth(const ReportFont& font, const std::string& line) {
    const Metrics& metrics = MetricsOf(font);
    double width = 0;
    for (const char c : line) width += metrics.Advance[static_cast<unsigned char>(c)];
    return width;
}

double QtPainterDrawing::LineHeight(const ReportFont& font) { return MetricsOf(font).LineHeight; }

void QtPainterDrawing::Text(double x, double y, const ReportFont& font, const std::string& line) {
    if (line.empty()) return;
    const Metrics& metrics = MetricsOf(font);
    QPainter& painter = mPainter();
    painter.setFont(metrics.Font);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(x, y + metrics.Ascent), FromCore(line));
}

void QtPainterDrawing::SetMode(QPainter& painter, int16_t drawMode) const {
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    if (mRasterOps) {
        if (drawMode == dmNotMergePen) mode = QPainter::RasterOp_NotSourceAndNotDestination;
        if (drawMode == dmNotXorPen) mode = QPainter::RasterOp_NotSourceXorDestination;
    }
    painter.setCompositionMode(mode);
}

void QtPainterDrawing::Line(double x1, double y1, double x2, double y2, int16_t drawMode) {
    QPainter& painter = mPainter();
    SetMode(painter, drawMode);
    QPen pen(Qt::black);
    pen.setWidthF(PenWidth(mDevice));
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void QtPainterDrawing::Fill(double left, double top, double right, double bottom, int16_t drawMode) {
    QPainter& painter = mPainter();
    SetMode(painter, drawMode);
    painter.fillRect(QRectF(QPointF(left, top), QPointF(right, bottom)), Qt::black);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void QtPainterDrawing::Picture(const IReportPicture& picture, double x, double y, double width, double height) {
    if (const auto* image = dynamic_cast<const QtReportPicture*>(&picture)) {
        mPainter().drawImage(QRectF(x, y, width, height), image->Image());
    }
}

void QtPainterDrawing::Surface(ReportSurface& source, double x, double y, double width, double height) {
    if (auto* picture = dynamic_cast<QtPictureSurface*>(&source)) {
        mPainter().drawImage(QRectF(x, y, width, height), picture->Picture());
    }
}

void QtPainterDrawing::Blit(ReportSurface& source, int32_t width, int32_t height, int32_t destX, int32_t destY) {
    if (auto* picture = dynamic_cast<QtPictureSurface*>(&source)) {
        mPainter().drawImage(QPoint(destX, destY), picture->Picture(), QRect(0, 0, width, height));
    }
}

QtPictureSurface::QtPictureSurface(double widthInches, double lengthInches, double dpi)
    : mImage(static_cast<int>(std::lround(widthInches * dpi)), static_cast<int>(std::lround(lengthInches * dpi)),
             QImage::Format_RGB32),
      mDrawing(mImage, [this]() -> QPainter& { return ActivePainter(); }, true) {
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    mImage.setDotsPerMeterX(dotsPerMeter);
    mImage.setDotsPerMeterY(dotsPerMeter);
    mImage.fill(Qt::white);
}

QtPictureSurface::~QtPictureSurface() {
    if (mPainter.isActive()) mPainter.end();
}

QPainter& QtPictureSurface::ActivePainter() {
    if (!mPainter.isActive()) {
        mPainter.begin(&mImage);
        mPainter.setRenderHint(QPainter::Antialiasing, false);
        mPainter.setRenderHint(QPainter::TextAntialiasing, true);
    }
    return mPainter;
}

const QImage& QtPictureSurface::Picture() {
    if (mPainter.isActive()) mPainter.end();
    return mImage;
}

void QtPictureSurface::DeviceClear() {
    if (mPainter.isActive()) mPainter.end();
    mImage.fill(Qt::white);
}

} // namespace dovrex::ui
