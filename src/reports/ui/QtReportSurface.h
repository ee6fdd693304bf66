#pragma once

#include "reports/PdfReportPrinter.h"
#include "reports/ReportSurface.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <tuple>

class QPaintDevice;

namespace dovrex::ui {

// A picture for report elements.
class QtReportPicture final : public IReportPicture {
public:
    explicit QtReportPicture(QImage image) : mImage(std::move(image)) {}
    const QImage& Image() const { return mImage; }
    double WidthInches() const override;
    double HeightInches() const override;
    RgbImage RgbPixels() const override;

private:
    QImage mImage;
};

// Draws a report surface's text, lines and pictures with QPainter on one paint device, in
// the device's pixels. Text is measured with the real font's metrics on that device: each
// font's advances are read once per character, with kerning off so that what is drawn is as
// wide as what was measured.
//
// Texts in a font whose face has no contextual forms are placed glyph by glyph from those
// advances, exactly where the painter's own text layout puts them, and drawn as one glyph run
// per stretch of texts in the same font: a page of report lines is a few runs instead of
// hundreds of laid-out texts. Any other drawing, a page break and the end of the painter
// draw the held texts first (Flush), so that the order of drawing stays as called.
// An image's pixels as RGB, a translucent image as it looks on white paper.
RgbImage ToRgb(const QImage& image);

class QtPainterDrawing {
public:
    // painter: an active painter on the device, begun when first asked for.
    QtPainterDrawing(QPaintDevice& device, std::function<QPainter&()> painter, bool rasterOps);

    static QFont ToQFont(const ReportFont& font);

    double DotsPerInchX() const;
    double DotsPerInchY() const;
    double Width() const;
    double Height() const;
    double TextWidth(const ReportFont& font, std::string_view line);
    double LineHeight(const ReportFont& font);
    void Text(double x, double y, const ReportFont& font, std::string_view line);
    void Line(double x1, double y1, double x2, double y2, int16_t drawMode);
    void Fill(double left, double top, double right, double bottom, int16_t drawMode);
    void Picture(const IReportPicture& picture, double x, double y, double width, double height);
    void Surface(ReportSurface& source, double x, double y, double width, double height);
    void Blit(ReportSurface& source, int32_t width, int32_t height, int32_t destX, int32_t destY);
    // Draws the texts held for the current glyph run. The device calls it before it ends a
    // page or its painter.
    void Flush();

private:
    struct Metrics {
        std::array<double, 256> Advance{};
        std::array<int32_t, 256> Advance64{}; // the same in 64ths of a pixel, as text layout adds them
        std::array<quint32, 256> Glyph{};     // 0: the character goes through the text layout
        QRawFont Face;                        // the face of the glyphs; invalid: no glyph runs
        double LineHeight = 0;
        double Ascent = 0;
        QFont Font;
    };
    Metrics& MetricsOf(const ReportFont& font);
    void FindGlyphs(Metrics& metrics);
    void SetMode(QPainter& painter, int16_t drawMode) const;

    QPaintDevice& mDevice;
    std::function<QPainter&()> mPainter;
    bool mRasterOps;
    std::map<std::tuple<std::string, double, bool, bool, bool>, Metrics> mMetrics;
    // The font asked for last and its metrics: reports draw long stretches in one font.
    ReportFont mLastFont;
    Metrics* mLastMetrics = nullptr;
    // The glyph run being gathered, in the font of RunMetrics, for RunPainter.
    Metrics* mRunMetrics = nullptr;
    QPainter* mRunPainter = nullptr;
    QList<quint32> mRunGlyphs;
    QList<QPointF> mRunPositions;
    const QPen mTextPen{QColor(Qt::black)};
};

// A page image: the preview's page surface, in inches.
class QtPictureSurface final : public ReportSurface, public IReportSurfacePixels {
public:
    // A blank page of width x length inches at dpi pixels per inch.
    QtPictureSurface(double widthInches, double lengthInches, double dpi);
    ~QtPictureSurface() override;
    // The page as drawn so far (drawing ends, and carries on when more is drawn).
    const QImage& Picture();
    RgbImage SurfacePixels() override;

protected:
    double DotsPerInchX() const override { return mDrawing.DotsPerInchX(); }
    double DotsPerInchY() const override { return mDrawing.DotsPerInchY(); }
    double DeviceWidth() const override { return mDrawing.Width(); }
    double DeviceHeight() const override { return mDrawing.Height(); }
    double DeviceTextWidth(const ReportFont& font, std::string_view line) override {
        return mDrawing.TextWidth(font, line);
    }
    double DeviceLineHeight(const ReportFont& font) override { return mDrawing.LineHeight(font); }
    void DeviceText(double x, double y, const ReportFont& font, std::string_view line) override {
        mDrawing.Text(x, y, font, line);
    }
    void DeviceLine(double x1, double y1, double x2, double y2, int16_t drawMode) override {
        mDrawing.Line(x1, y1, x2, y2, drawMode);
    }
    void DeviceFill(double left, double top, double right, double bottom, int16_t drawMode) override {
        mDrawing.Fill(left, top, right, bottom, drawMode);
    }
    void DevicePicture(const IReportPicture& picture, double x, double y, double width, double height) override {
        mDrawing.Picture(picture, x, y, width, height);
    }
    void DeviceSurface(ReportSurface& source, double x, double y, double width, double height) override {
        mDrawing.Surface(source, x, y, width, height);
    }
    void DeviceBlit(ReportSurface& source, int32_t width, int32_t height, int32_t destX, int32_t destY) override {
        mDrawing.Blit(source, width, height, destX, destY);
    }
    void DeviceClear() override;

private:
    QPainter& ActivePainter();

    QImage mImage;
    QPainter mPainter;
    QtPainterDrawing mDrawing;
};

} // namespace dovrex::ui
