#include "ReportSurface.h"

#include "platform/RuntimeError.h"

#include <algorithm>

namespace dovrex {

namespace {

constexpr int ErrInvalidPropertyValue = 380;

} // namespace

void ReportSurface::SetScaleMode(int16_t mode) {
    switch (mode) {
    case smTwips:
    case smPoints:
    case smPixels:
    case smInches:
    case smMillimeters:
    case smCentimeters:
        mScaleMode = mode;
        mUnitsPerInch = FixedUnitsPerInch(mode);
        if (mFixed) FixUnits();
        mLineHeightKept = false;
        return;
    default: RaiseError(ErrInvalidPropertyValue, "Invalid property value");
    }
}

double ReportSurface::FixedUnitsPerInch(int16_t mode) {
    switch (mode) {
    case smTwips: return 1440;
    case smPoints: return 72;
    case smMillimeters: return 25.4;
    case smCentimeters: return 2.54;
    default: return 1;
    }
}

double ReportSurface::TextWidth(std::string_view text) {
    double widest = 0;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find("\r\n", start);
        widest = std::max(widest, DeviceTextWidth(mFont, text.substr(start, end - start)));
        if (end == std::string_view::npos) break;
        start = end + 2;
    }
    return ToUnitsX(widest);
}

double ReportSurface::TextHeight(std::string_view text) {
    size_t lines = 1;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
    return ToUnitsY(static_cast<double>(lines) * DeviceLineHeight(mFont));
}

void ReportSurface::Print(std::string_view text) {
    DeviceText(mX, mY, mFont, text);
    mX += DeviceTextWidth(mFont, text);
}

void ReportSurface::Line(double x1, double y1, double x2, double y2) {
    DeviceLine(ToPixelsX(x1), ToPixelsY(y1), ToPixelsX(x2), ToPixelsY(y2), mDrawMode);
    SetCurrentX(x2);
    SetCurrentY(y2);
}

void ReportSurface::FillRect(double x1, double y1, double x2, double y2) {
    const double px1 = ToPixelsX(x1), py1 = ToPixelsY(y1), px2 = ToPixelsX(x2), py2 = ToPixelsY(y2);
    DeviceFill(std::min(px1, px2), std::min(py1, py2), std::max(px1, px2) + 1, std::max(py1, py2) + 1, mDrawMode);
    mX = px2;
    mY = py2;
}

void ReportSurface::PaintPicture(const IReportPicture& picture, double x, double y, double width, double height) {
    const double w = width > 0 ? ToPixelsX(width) : picture.WidthInches() * DpiX();
    const double h = height > 0 ? ToPixelsY(height) : picture.HeightInches() * DpiY();
    DevicePicture(picture, ToPixelsX(x), ToPixelsY(y), w, h);
}

void ReportSurface::PaintSurface(ReportSurface& source, double x, double y, double width, double height) {
    DeviceSurface(source, ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
}

void ReportSurface::Blit(ReportSurface& source, int32_t sourceWidth, int32_t sourceHeight, int32_t destX, int32_t destY) {
    DeviceBlit(source, sourceWidth, sourceHeight, destX, destY);
}

void ReportSurface::Clear() {
    DeviceClear();
    mX = 0;
    mY = 0;
}

} // namespace dovrex
