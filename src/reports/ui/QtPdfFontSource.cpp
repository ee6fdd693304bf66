#include "QtPdfFontSource.h"

#include "QtReportSurface.h"

#include "platform/ui/QtText.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageSize>
#include <QRawFont>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace dovrex::ui {

namespace {

// Big-endian fields of a font table; 0 past its end.
uint32_t Unsigned(const QByteArray& table, qsizetype at, int bytes) {
    if (at < 0 || at + bytes > table.size()) return 0;
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = (value << 8) | static_cast<unsigned char>(table[at + i]);
    return value;
}

int32_t Signed16(const QByteArray& table, qsizetype at) { return static_cast<int16_t>(Unsigned(table, at, 2)); }

// The PostScript name (name record 6) of a face, when its name table has one.
std::string PostScriptName(const QByteArray& names) {
    const uint32_t count = Unsigned(names, 2, 2);
    const uint32_t strings = Unsigned(names, 4, 2);
    for (uint32_t i = 0; i < count; ++i) {
        const qsizetype record = 6 + 12 * static_cast<qsizetype>(i);
        const uint32_t platform = Unsigned(names, record, 2);
        if (Unsigned(names, record + 6, 2) != 6) continue;
        const qsizetype length = Unsigned(names, record + 8, 2);
        const qsizetype at = strings + Unsigned(names, record + 10, 2);
        if (at + length > names.size()) continue;
        std::string name;
        // Windows and Unicode names are UTF-16; a PostScript name is ASCII in either.
        const int step = platform == 1 ? 1 : 2;
        for (qsizetype c = at + step - 1; c < at + length; c += step) name += names[c];
        if (!name.empty()) return name;
    }
    return {};
}

// The tables of a TrueType font file, in the order of a font file's table directory.
constexpr const char* EmbeddedTables[] = {"OS/2", "cmap", "cvt ", "fpgm", "glyf", "head",
                                          "hhea", "hmtx", "loca", "maxp", "name", "post", "prep"};

void AppendUnsigned(std::string& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint32_t CheckSum(const std::string& data, size_t at, size_t length) {
    uint32_t sum = 0;
    for (size_t i = 0; i < length; i += 4) {
        uint32_t word = 0;
        for (size_t b = 0; b < 4; ++b) word = (word << 8) | (i + b < length ? static_cast<unsigned char>(data[at + i + b]) : 0);
        sum += word;
    }
    return sum;
}

// A TrueType font file of the face's tables.
std::string FontFile(const QRawFont& face) {
    std::vector<std::pair<const char*, QByteArray>> tables;
    for (const char* tag : EmbeddedTables) {
        QByteArray table = face.fontTable(tag);
        if (!table.isEmpty()) tables.emplace_back(tag, std::move(table));
    }
    const auto count = static_cast<uint32_t>(tables.size());
    uint32_t power = 1, log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    std::string file;
    AppendUnsigned(file, 0x00010000, 4);
    AppendUnsigned(file, count, 2);
    AppendUnsigned(file, power * 16, 2);
    AppendUnsigned(file, log2, 2);
    AppendUnsigned(file, count * 16 - power * 16, 2);
    size_t offset = 12 + 16 * tables.size();
    size_t headAt = 0;
    std::string bodies;
    for (auto& [tag, table] : tables) {
        std::string body(table.constData(), static_cast<size_t>(table.size()));
        if (std::string(tag) == "head" && body.size() >= 12) {
            body.replace(8, 4, 4, '\0'); // the whole file's checksum, set below
            headAt = offset + bodies.size();
        }
        file += tag;
        AppendUnsigned(file, CheckSum(body, 0, body.size()), 4);
        AppendUnsigned(file, static_cast<uint32_t>(offset + bodies.size()), 4);
        AppendUnsigned(file, static_cast<uint32_t>(body.size()), 4);
        bodies += body;
        bodies.append((4 - body.size() % 4) % 4, '\0');
    }
    file += bodies;
    if (headAt != 0) {
        std::string adjustment;
        AppendUnsigned(adjustment, 0xB1B0AFBA - CheckSum(file, 0, file.size()), 4);
        file.replace(headAt + 8, 4, adjustment);
    }
    return file;
}

} // namespace

QtPdfFontSource::QtPdfFontSource() : mDevice(&mNothing) {
    mDevice.setResolution(1200);
    mDevice.setPageSize(QPageSize(QPageSize::Letter));
    mDevice.setPageMargins(QMarginsF(0, 0, 0, 0));
}

PdfFontMetrics QtPdfFontSource::Metrics(const ReportFont& font) {
    const QFont qfont = QtPainterDrawing::ToQFont(font);
    PdfFontMetrics metrics;
    const QFontMetricsF fm(qfont, &mDevice);
    for (int c = 0; c < 256; ++c) {
        const QString text = FromCore(std::string(1, static_cast<char>(c)));
        metrics.Advance[c] = text.isEmpty() ? 0 : fm.horizontalAdvance(text);
    }
    metrics.Ascent = fm.ascent();
    metrics.LineHeight = fm.lineSpacing();
    metrics.UnderlinePosition = fm.underlinePos();
    metrics.UnderlineThickness = fm.lineWidth();

    const QRawFont face = QRawFont::fromFont(qfont);
    const QByteArray head = face.fontTable("head"), hhea = face.fontTable("hhea"), post = face.fontTable("post"),
                     os2 = face.fontTable("OS/2");
    const double unitsPerEm = Unsigned(head, 18, 2);
    metrics.PostScriptName = PostScriptName(face.fontTable("name"));
    if (metrics.PostScriptName.empty()) {
        metrics.PostScriptName = ToCore(qfont.family());
        std::erase(metrics.PostScriptName, ' ');
        if (font.Bold || font.Italic) metrics.PostScriptName += std::string(",") + (font.Bold ? "Bold" : "") + (font.Italic ? "Italic" : "");
    }
    if (unitsPerEm > 0) {
        const double scale = 1000 / unitsPerEm;
        for (int i = 0; i < 4; ++i) metrics.BoundingBox[i] = Signed16(head, 36 + 2 * i) * scale;
        metrics.FaceAscent = Signed16(hhea, 4) * scale;
        metrics.FaceDescent = Signed16(hhea, 6) * scale;
        metrics.CapHeight = Unsigned(os2, 0, 2) >= 2 ? Signed16(os2, 88) * scale : metrics.FaceAscent;
    } else {
        // No tables to read: the metrics of the page layout, in glyph units.
        const double scale = 1000 / (std::max(font.Size, 1.0) * 1200 / 72);
        metrics.FaceAscent = fm.ascent() * scale;
        metrics.FaceDescent = -fm.descent() * scale;
        metrics.CapHeight = fm.capHeight() * scale;
        metrics.BoundingBox = {0, metrics.FaceDescent, fm.maxWidth() * scale, metrics.FaceAscent};
    }
    metrics.ItalicAngle = static_cast<int32_t>(Unsigned(post, 4, 4)) / 65536.0;
    const uint32_t familyClass = Unsigned(os2, 30, 2) >> 8;
    metrics.Flags = 32; // nonsymbolic: the glyphs are found by their Windows-1252 names
    if (Unsigned(post, 12, 4) != 0) metrics.Flags |= 1;                                          // fixed pitch
    if ((familyClass >= 1 && familyClass <= 5) || familyClass == 7) metrics.Flags |= 2;           // serif
    if (font.Italic || metrics.ItalicAngle != 0) metrics.Flags |= 64;                              // italic
    metrics.StemV = font.Bold ? 120 : 80;
    return metrics;
}

std::string QtPdfFontSource::FontProgram(const ReportFont& font) {
    const QRawFont face = QRawFont::fromFont(QtPainterDrawing::ToQFont(font));
    if (face.fontTable("glyf").isEmpty()) return {};
    return FontFile(face);
}

std::unique_ptr<PdfReportPrinter> OpenPdfPrinter(const std::string& path) {
    const QByteArray file = QFile::encodeName(FromCore(path));
    return std::make_unique<PdfReportPrinter>(file.toStdString(), std::make_unique<QtPdfFontSource>(), path);
}

} // namespace dovrex::ui
