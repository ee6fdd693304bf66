#include "QtReportSurface.h"

#include "platform/ui/QtText.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintDevice>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

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

RgbImage QtReportPicture::RgbPixels() const { return ToRgb(mImage); }

RgbImage ToRgb(const QImage& image) {
    QImage opaque = image;
    if (image.hasAlphaChannel()) {
        opaque = QImage(image.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter paint(&opaque);
        paint.drawImage(0, 0, image);
    }
    const QImage rgb = opaque.convertToFormat(QImage::Format_RGB888);
    RgbImage pixels;
    pixels.Width = rgb.width();
    pixels.Height = rgb.height();
    const auto rowBytes = static_cast<size_t>(rgb.width()) * 3;
    pixels.Rgb.resize(rowBytes * static_cast<size_t>(rgb.height()));
    for (int row = 0; row < rgb.height(); ++row) {
        std::copy_n(rgb.constScanLine(row), rowBytes, pixels.Rgb.begin() + static_cast<ptrdiff_t>(rowBytes) * row);
    }
    return pixels;
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
    if (mLastMetrics && font == mLastFont) return *mLastMetrics;
    const auto key = std::make_tuple(font.Name, font.Size, font.Bold, font.Italic, font.Underline);
    auto found = mMetrics.find(key);
    if (found == mMetrics.end()) {
        Metrics& metrics = mMetrics[key];
        metrics.Font = ToQFont(font);
        const QFontMetricsF fm(metrics.Font, &mDevice);
        for (int c = 0; c < 256; ++c) {
            const QString text = FromCore(std::string(1, static_cast<char>(c)));
            metrics.Advance[c] = text.isEmpty() ? 0 : fm.horizontalAdvance(text);
            metrics.Advance64[c] = static_cast<int32_t>(std::lround(metrics.Advance[c] * 64));
        }
        metrics.LineHeight = fm.lineSpacing();
        metrics.Ascent = fm.ascent();
        FindGlyphs(metrics);
        found = mMetrics.find(key);
    }
    mLastFont = font;
    mLastMetrics = &found->second;
    return found->second;
}

namespace {

// The feature tags of an OpenType layout table (GSUB, GPOS); nullopt when it cannot be read.
std::optional<std::vector<QByteArray>> FeatureTags(const QByteArray& table) {
    std::vector<QByteArray> tags;
    if (table.isEmpty()) return tags;
    auto u16 = [&table](qsizetype at) -> std::optional<int> {
        if (at < 0 || at + 2 > table.size()) return std::nullopt;
        return (static_cast<unsigned char>(table[at]) << 8) | static_cast<unsigned char>(table[at + 1]);
    };
    const auto list = u16(6);
    if (!list) return std::nullopt;
    const auto count = u16(*list);
    if (!count) return std::nullopt;
    for (int i = 0; i < *count; ++i) {
        const qsizetype at = *list + 2 + 6 * i;
        if (at + 4 > table.size()) return std::nullopt;
        tags.push_back(table.mid(at, 4));
    }
    return tags;
}

// Whether the shaper places every character of a text in this face as it places the
// character alone: no substitutions, no positioning but kerning (which report fonts turn
// off), no Apple layout tables.
bool ContextFree(const QRawFont& face, const QFont& font) {
    if (font.kerning()) return false;
    for (const char* tag : {"morx", "mort", "kerx"}) {
        if (!face.fontTable(tag).isEmpty()) return false;
    }
    const auto substitutions = FeatureTags(face.fontTable("GSUB"));
    if (!substitutions || !substitutions->empty()) return false;
    const auto positions = FeatureTags(face.fontTable("GPOS"));
    if (!positions) return false;
    for (const QByteArray& tag : *positions) {
        if (tag != "kern") return false;
    }
    return true;
}

} // namespace

// Each character laid out alone as the painter lays out text: its glyph, when it is one glyph
// of the font's own face (not a fallback face, nor a control or invisible character).
void QtPainterDrawing::FindGlyphs(Metrics& metrics) {
    if (metrics.Font.underline()) return; // the painter draws the line of underlined text itself
    const QFont deviceFont(metrics.Font, &mDevice);
    QRawFont face;
    for (int c = 32; c < 256; ++c) {
        const QString text = FromCore(std::string(1, static_cast<char>(c)));
        if (text.size() != 1 || !text[0].isPrint() || text[0] == QChar::SoftHyphen) continue;
        QTextLayout layout(text, deviceFont, &mDevice);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        if (runs.size() != 1 || runs[0].glyphIndexes().size() != 1 || runs[0].glyphIndexes()[0] == 0) continue;
        if (!face.isValid()) {
            face = runs[0].rawFont();
        } else if (runs[0].rawFont() != face) {
            continue;
        }
        metrics.Glyph[c] = runs[0].glyphIndexes()[0];
    }
    if (face.isValid() && ContextFree(face, metrics.Font)) {
        metrics.Face = face;
    } else {
        metrics.Glyph.fill(0);
    }
}

double QtPainterDrawing::DotsPerInchX() const { return mDevice.logicalDpiX(); }
double QtPainterDrawing::DotsPerInchY() const { return mDevice.logicalDpiY(); }
double QtPainterDrawing::Width() const { return mDevice.width(); }
double QtPainterDrawing::Height() const { return mDevice.height(); }

double QtPainterDrawing::TextWidth(const ReportFont& font, std::string_view line) {
    const Metrics& metrics = MetricsOf(font);
    double width = 0;
    for (const char c : line) width += metrics.Advance[static_cast<unsigned char>(c)];
    return width;
}

double QtPainterDrawing::LineHeight(const ReportFont& font) { return MetricsOf(font).LineHeight; }

void QtPainterDrawing::Text(double x, double y, const ReportFont& font, std::string_view line) {
    if (line.empty()) return;
    Metrics& metrics = MetricsOf(font);
    QPainter& painter = mPainter();
    bool glyphs = metrics.Face.isValid();
    for (const char c : line) {
        if (!glyphs) break;
        glyphs = metrics.Glyph[static_cast<unsigned char>(c)] != 0;
    }
    if (!glyphs) {
        Flush();
        painter.setFont(metrics.Font);
        painter.setPen(mTextPen);
        painter.drawText(QPointF(x, y + metrics.Ascent), FromCore(std::string(line)));
        return;
    }
    if (mRunMetrics != &metrics || mRunPainter != &painter) {
        Flush();
        mRunMetrics = &metrics;
        mRunPainter = &painter;
    }
    // The text layout starts a text at its position cut to whole 64ths of a pixel (towards
    // zero) and adds each character's advance in 64ths.
    int32_t left = static_cast<int32_t>(x * 64);
    const double baseline = static_cast<int32_t>((y + metrics.Ascent) * 64) / 64.0;
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        mRunGlyphs.append(metrics.Glyph[byte]);
        mRunPositions.append(QPointF(left / 64.0, baseline));
        left += metrics.Advance64[byte];
    }
}

void QtPainterDrawing::Flush() {
    if (mRunMetrics && !mRunGlyphs.isEmpty()) {
        QPainter& painter = *mRunPainter;
        if (painter.pen() != mTextPen) painter.setPen(mTextPen);
        QGlyphRun run;
        run.setRawFont(mRunMetrics->Face);
        run.setGlyphIndexes(mRunGlyphs);
        run.setPositions(mRunPositions);
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    mRunGlyphs.clear();
    mRunPositions.clear();
    mRunMetrics = nullptr;
    mRunPainter = nullptr;
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
    Flush();

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
    Flush();
    QPainter& painter = mPainter();
    SetMode(painter, drawMode);
    painter.fillRect(QRectF(QPointF(left, top), QPointF(right, bottom)), Qt::black);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void QtPainterDrawing::Picture(const IReportPicture& picture, double x, double y, double width, double height) {
    Flush();
    if (const auto* image = dynamic_cast<const QtReportPicture*>(&picture)) {
        mPainter().drawImage(QRectF(x, y, width, height), image->Image());
    }
}

void QtPainterDrawing::Surface(ReportSurface& source, double x, double y, double width, double height) {
    Flush();
    if (auto* picture = dynamic_cast<QtPictureSurface*>(&source)) {
        mPainter().drawImage(QRectF(x, y, width, height), picture->Picture());
    }
}

void QtPainterDrawing::Blit(ReportSurface& source, int32_t width, int32_t height, int32_t destX, int32_t destY) {
    Flush();
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
    mDrawing.Flush();
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
    mDrawing.Flush();
    if (mPainter.isActive()) mPainter.end();
    return mImage;
}

RgbImage QtPictureSurface::SurfacePixels() { return ToRgb(Picture()); }

void QtPictureSurface::DeviceClear() {
    mDrawing.Flush();
    if (mPainter.isActive()) mPainter.end();
    mImage.fill(Qt::white);
}

} // namespace dovrex::ui
