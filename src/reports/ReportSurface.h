#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

// The font a surface draws text with.
struct ReportFont {
    std::string Name = "Arial";
    double Size = 10; // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;

    friend bool operator==(const ReportFont&, const ReportFont&) = default;
};

// The pixels of an image, row by row from the top, three bytes (red, green, blue) a pixel.
struct RgbImage {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Rgb;
};

// A picture that reports can place on a page; the front end owns the image itself.
class IReportPicture {
public:
    virtual ~IReportPicture() = default;
    // Its own size, used when an element gives none.
    virtual double WidthInches() const = 0;
    virtual double HeightInches() const = 0;
    // Its pixels, for devices that store images themselves (an empty image when it has none).
    virtual RgbImage RgbPixels() const { return {}; }
};

// Units of a surface's coordinates, numbered as the old drawing surfaces numbered them.
enum ScaleModes : int16_t {
    smTwips = 1,
    smPoints = 2,
    smPixels = 3,
    smInches = 5,
    smMillimeters = 6,
    smCentimeters = 7,
};

// Raster drawing modes that the report engine sets.
enum DrawModes : int16_t { dmNotMergePen = 2, dmNotXorPen = 10, dmCopyPen = 13 };

// A drawing target of the report engine: a printer page, a preview picture or a PDF page.
// It keeps what the old drawing surfaces kept (the current point, the font, the scale and the
// drawing mode) and works in the units of its scale mode; the front end supplies the device
// side, in the surface's own pixels, and measures text with the real font.
class ReportSurface {
public:
    virtual ~ReportSurface() = default;

    int16_t ScaleMode() const { return mScaleMode; }
    // Raises "Invalid property value" for a mode that is not one of ScaleModes.
    void SetScaleMode(int16_t mode);
    // The surface's extent in its current units.
    double ScaleWidth() const { return ToUnitsX(DeviceWidth()); }
    double ScaleHeight() const { return ToUnitsY(DeviceHeight()); }
    // The extent in pixels.
    double PixelWidth() const { return DeviceWidth(); }
    double PixelHeight() const { return DeviceHeight(); }

    double CurrentX() const { return ToUnitsX(mX); }
    double CurrentY() const { return ToUnitsY(mY); }
    void SetCurrentX(double x) { mX = ToPixelsX(x); }
    void SetCurrentY(double y) { mY = ToPixelsY(y); }

    const ReportFont& Font() const { return mFont; }
    void SetFontName(const std::string& name) { SetFontField(mFont.Name, name); }
    void SetFontSize(double points) { SetFontField(mFont.Size, points); }
    void SetFontBold(bool on) { SetFontField(mFont.Bold, on); }
    void SetFontItalic(bool on) { SetFontField(mFont.Italic, on); }
    void SetFontUnderline(bool on) { SetFontField(mFont.Underline, on); }
    // Changes whenever the current font does (and only then), so that a device can keep
    // what it found for Font() until it changes.
    uint64_t FontSerial() const { return mFontSerial; }

    // Measured in the current font: the widest line, and the number of lines (CR LF
    // separated; an empty text is one line) times the font's line height.
    double TextWidth(std::string_view text);
    double TextHeight(std::string_view text);
    // Draws one line of text with its top left at the current point; the current point
    // moves to the end of the text on the same line.
    void Print(std::string_view text);
    // A single line of text (no CR LF) measured once for both placing and drawing it:
    // LineWidth is its width in pixels, TextWidth(line) is UnitsWide(LineWidth(line)), and
    // PrintLine(line, LineWidth(line)) draws it as Print(line) does.
    double LineWidth(std::string_view line) { return DeviceTextWidth(mFont, line); }
    double UnitsWide(double pixels) const { return ToUnitsX(0.0 < pixels ? pixels : 0.0); }
    void PrintLine(std::string_view line, double pixels) {
        DeviceText(mX, mY, mFont, line);
        mX += pixels;
    }
    // The height of one line in the current font: TextHeight of a text without line breaks.
    // A device with a fixed resolution is asked once for each font and scale mode.
    double LineHeight() {
        if (!mFixed) return ToUnitsY(DeviceLineHeight(mFont));
        if (mLineHeightSerial != mFontSerial || !mLineHeightKept) KeepLineHeight();
        return mLineHeight;
    }

    int16_t DrawMode() const { return mDrawMode; }
    void SetDrawMode(int16_t mode) { mDrawMode = mode; }
    // A line; the current point moves to its end.
    void Line(double x1, double y1, double x2, double y2);
    // A filled rectangle that includes the pixels of both corners; the current point moves
    // to the second corner.
    void FillRect(double x1, double y1, double x2, double y2);

    // Pictures, stretched to width x height (each 0 or less: the picture's own size).
    void PaintPicture(const IReportPicture& picture, double x, double y, double width, double height);
    // The image of another surface, stretched to width x height.
    void PaintSurface(ReportSurface& source, double x, double y, double width, double height);
    // Copies pixels of another surface (from its origin) to a pixel position of this one.
    void Blit(ReportSurface& source, int32_t sourceWidth, int32_t sourceHeight, int32_t destX, int32_t destY);
    // Blank page, current point at the origin.
    void Clear();

protected:
    // For a device whose resolution never changes: the unit conversions, which run several
    // times for every text, read it here instead of asking the device each time. It must
    // equal what DotsPerInchX/Y return.
    void FixResolution(double dotsPerInchX, double dotsPerInchY) {
        mFixed = true;
        mFixedDpiX = dotsPerInchX;
        mFixedDpiY = dotsPerInchY;
        FixUnits();
        mLineHeightKept = false;
    }
    // Device side, in the surface's own pixels. Text positions are the top left of the line.
    virtual double DotsPerInchX() const = 0;
    virtual double DotsPerInchY() const = 0;
    virtual double DeviceWidth() const = 0;
    virtual double DeviceHeight() const = 0;
    // A line is a part of a text, not followed by a terminating zero.
    virtual double DeviceTextWidth(const ReportFont& font, std::string_view line) = 0;
    virtual double DeviceLineHeight(const ReportFont& font) = 0;
    virtual void DeviceText(double x, double y, const ReportFont& font, std::string_view line) = 0;
    virtual void DeviceLine(double x1, double y1, double x2, double y2, int16_t drawMode) = 0;
    // Fills the pixels from (left, top) up to, not including, (right, bottom).
    virtual void DeviceFill(double left, double top, double right, double bottom, int16_t drawMode) = 0;
    virtual void DevicePicture(const IReportPicture& picture, double x, double y, double width, double height) = 0;
    virtual void DeviceSurface(ReportSurface& source, double x, double y, double width, double height) = 0;
    virtual void DeviceBlit(ReportSurface& source, int32_t width, int32_t height, int32_t destX, int32_t destY) = 0;
    virtual void DeviceClear() = 0;

private:
    template <typename T>
    void SetFontField(T& field, const T& value) {
        if (field == value) return;
        field = value;
        ++mFontSerial;
    }
    // The device's resolution: the fixed one, or the device's answer.
    double DpiX() const { return mFixed ? mFixedDpiX : DotsPerInchX(); }
    double DpiY() const { return mFixed ? mFixedDpiY : DotsPerInchY(); }
    // Units per inch: the scale mode's, or the device's resolution in pixels.
    double UnitsPerInch(double dpi) const { return mScaleMode != smPixels ? mUnitsPerInch : dpi; }
    // Units per inch of a scale mode other than pixels.
    static double FixedUnitsPerInch(int16_t mode);
    // The units per inch of a fixed resolution, kept with the scale mode.
    void FixUnits() {
        mFixedUnitsX = UnitsPerInch(mFixedDpiX);
        mFixedUnitsY = UnitsPerInch(mFixedDpiY);
    }
    void KeepLineHeight() {
        mLineHeight = ToUnitsY(DeviceLineHeight(mFont));
        mLineHeightSerial = mFontSerial;
        mLineHeightKept = true;
    }
    // units * dpi / units per inch, and back, in that order always; the device is asked once
    // a conversion unless its resolution is fixed.
    double ToPixelsX(double units) const {
        if (mFixed) return units * mFixedDpiX / mFixedUnitsX;
        const double dpi = DotsPerInchX();
        return units * dpi / UnitsPerInch(dpi);
    }
    double ToPixelsY(double units) const {
        if (mFixed) return units * mFixedDpiY / mFixedUnitsY;
        const double dpi = DotsPerInchY();
        return units * dpi / UnitsPerInch(dpi);
    }
    double ToUnitsX(double pixels) const {
        if (mFixed) return pixels * mFixedUnitsX / mFixedDpiX;
        const double dpi = DotsPerInchX();
        return pixels * UnitsPerInch(dpi) / dpi;
    }
    double ToUnitsY(double pixels) const {
        if (mFixed) return pixels * mFixedUnitsY / mFixedDpiY;
        const double dpi = DotsPerInchY();
        return pixels * UnitsPerInch(dpi) / dpi;
    }

    int16_t mScaleMode = smTwips;
    double mUnitsPerInch = 1440; // of the scale mode, when not pixels
    bool mFixed = false;         // the device's resolution is fixed, and kept here
    double mFixedDpiX = 0;
    double mFixedDpiY = 0;
    double mFixedUnitsX = 0;     // units per inch at that resolution
    double mFixedUnitsY = 0;
    // LineHeight of a fixed resolution, in the font of that serial and the current scale mode.
    bool mLineHeightKept = false;
    uint64_t mLineHeightSerial = 0;
    double mLineHeight = 0;
    double mX = 0; // current point, in pixels
    double mY = 0;
    ReportFont mFont;
    uint64_t mFontSerial = 0;
    int16_t mDrawMode = dmCopyPen;
};

// A printer: a surface of pages that prints what was drawn when its document ends.
class ReportPrinter : public ReportSurface {
public:
    virtual std::string DeviceName() const = 0;
    // 1 portrait, 2 landscape.
    virtual int16_t Orientation() const = 0;
    virtual void SetOrientation(int16_t orientation) = 0;
    // May raise when the printer has no such bin.
    virtual void SetPaperBin(int16_t bin) = 0;
    // Ends the page and starts the next one.
    virtual void NewPage() = 0;
    // Ends the document; what was drawn goes to the printer (or the file). Errors are raised.
    virtual void EndDoc() = 0;
};

} // namespace dovrex
