#include "FontconfigFontSource.h"

#include "TrueTypeFontFile.h"

#include "platform/Cp1252.h"
#include "platform/RuntimeError.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <string_view>
#include <tuple>
#include <vector>

namespace dovrex {

namespace {

constexpr double Dpi = 1200;
// The layout's tab stops: every 80 pixels at 96 dpi.
constexpr double TabAdvance = 80 * Dpi / 96;
// The largest size FreeType scales a face to, in pixels to the em.
constexpr double LargestPixelSize = 0xFFFF;

struct PatternFree {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternFree>;
struct FontSetFree {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
using FontSet = std::unique_ptr<FcFontSet, FontSetFree>;
struct FaceFree {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using Face = std::unique_ptr<FT_FaceRec_, FaceFree>;

// How a face's glyphs are fitted to the pixels, as fontconfig configures it for the face.
enum class Hinting { None, Light, Medium, Full };

// A face opened at the page's size, with the hinting its glyphs are measured with.
struct SizedFace {
    Face Handle;
    Hinting Style = Hinting::Full;
    int Pixels = 0;
    // Qt's layout takes unhinted (design) advances, to the 64th of a pixel, from faces drawn
    // unhinted or lightly hinted; other faces measure in whole pixels.
    bool DesignMetrics() const { return Style == Hinting::None || Style == Hinting::Light; }
};

// The layout's size of a font in whole pixels: its point size at 1200 dpi to the hundredth,
// then rounded.
int PixelSize(const ReportFont& font) {
    const double points = font.Size > 0 ? font.Size : 1;
    const double pixels = std::floor(points * Dpi / 72 * 100 + 0.5) / 100;
    if (!(pixels + 0.5 < LargestPixelSize)) {
        RaiseError(ErrOverflow, "The font size " + std::to_string(font.Size) + " of \"" + font.Name + "\" is too large");
    }
    if (pixels < 0.5) {
        RaiseError(ErrOverflow, "The font size " + std::to_string(font.Size) + " of \"" + font.Name + "\" is too small");
    }
    return static_cast<int>(pixels + 0.5);
}

// 26.6 fixed-point pixels of font units, as the layout computes a face's heights: the product
// with the size truncated to 26.6, then divided by the em rounding halves away from zero.
int64_t UnitsToPixels(int32_t units, int pixels, int unitsPerEm) {
    const auto product = static_cast<int64_t>(static_cast<double>(units) * pixels * 64);
    const int64_t em = int64_t{unitsPerEm} * 64;
    const int64_t magnitude = (std::llabs(product) * 64 + em / 2) / em;
    return product < 0 ? -magnitude : magnitude;
}

// A 26.6 value to whole pixels, halves up.
int64_t RoundToPixel(int64_t value) { return (value + 32) & ~int64_t{63}; }

double Pixels(int64_t value) { return static_cast<double>(value) / 64; }

// The Unicode character of a Windows-1252 byte (U+FFFD for the five undefined ones).
char32_t CharacterOf(unsigned char byte) {
    const std::string utf8 = Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(&byte), 1));
    const auto lead = static_cast<unsigned char>(utf8[0]);
    if (lead < 0x80) return lead;
    const int extra = lead >= 0xE0 ? 2 : 1;
    char32_t c = lead & (extra == 2 ? 0x0F : 0x1F);
    for (int i = 1; i <= extra; ++i) c = (c << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
    return c;
}

// The advance the layout gives a character without asking the face: a tab reaches the first
// tab stop; line and page breaks and the soft hyphen take no room.
std::optional<double> LayoutAdvance(char32_t c) {
    switch (c) {
    case U'\t': return TabAdvance;
    case U'\n':
    case U'\f':
    case U'\r':
    case U'\u00AD': return 0.0;
    default: return std::nullopt;
    }
}

// A face's table, as the font file holds it; empty when the face has none.
std::string TableOf(FT_Face face, const char* tag) {
    const FT_ULong name = FT_MAKE_TAG(tag[0], tag[1], tag[2], tag[3]);
    FT_ULong length = 0;
    if (FT_Load_Sfnt_Table(face, name, 0, nullptr, &length) != 0 || length == 0) return {};
    std::string table(length, '\0');
    if (FT_Load_Sfnt_Table(face, name, 0, reinterpret_cast<FT_Byte*>(table.data()), &length) != 0) return {};
    return table;
}

// A string of a fontconfig pattern; empty when it has none.
std::string StringOf(FcPattern* pattern, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || value == nullptr) return {};
    return reinterpret_cast<const char*>(value);
}

// The hinting fontconfig configures for a face it chose; full hinting when it names none.
Hinting HintingOf(FcPattern* pattern) {
    int style = 0;
    if (FcPatternGetInteger(pattern, FC_HINT_STYLE, 0, &style) != FcResultMatch) return Hinting::Full;
    switch (style) {
    case FC_HINT_NONE: return Hinting::None;
    case FC_HINT_SLIGHT: return Hinting::Light;
    case FC_HINT_MEDIUM: return Hinting::Medium;
    default: return Hinting::Full;
    }
}

// A glyph's advance in 26.6 pixels as the layout takes it: the unhinted (linear) advance in
// 16.16 truncated, read from the face's metrics without loading the glyph; for faces measured
// in whole pixels, the advance of the glyph loaded unhinted (as faces this large are) rounded.
int64_t GlyphAdvance(const SizedFace& face, FT_UInt glyph) {
    FT_Face handle = face.Handle.get();
    constexpr FT_Int32 Unhinted = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;
    if (face.DesignMetrics()) {
        FT_Fixed advance = 0;
        return FT_Get_Advance(handle, glyph, Unhinted, &advance) == 0 ? advance >> 10 : 0;
    }
    if (FT_Load_Glyph(handle, glyph, Unhinted) != 0) return 0;
    return RoundToPixel(handle->glyph->advance.x);
}

// The face's glyph for a character, as the layout looks it up: a face without a tab or a
// no-break space draws a space; a symbol font's glyphs are also found by its symbol map.
FT_UInt GlyphOf(FT_Face face, char32_t c) {
    FT_UInt glyph = FT_Get_Char_Index(face, c);
    if (glyph != 0) return glyph;
    if (c == U'\t' || c == U'\u00A0') return FT_Get_Char_Index(face, U' ');
    for (int i = 0; i < face->num_charmaps; ++i) {
        if (face->charmaps[i]->encoding != FT_ENCODING_MS_SYMBOL) continue;
        FT_CharMap unicode = face->charmap;
        if (FT_Set_Charmap(face, face->charmaps[i]) != 0) break;
        glyph = FT_Get_Char_Index(face, c);
        FT_Set_Charmap(face, unicode);
        break;
    }
    return glyph;
}

// The report font's name for messages.
std::string Quoted(const ReportFont& font) { return "\"" + font.Name + "\""; }

// A face's file opened at the size, measured with the hinting given.
SizedFace OpenFile(FT_Library library, const std::string& file, int index, Hinting style, int pixels, const ReportFont& font) {
    FT_Face handle = nullptr;
    if (const FT_Error error = FT_New_Face(library, file.c_str(), index, &handle); error != 0) {
        RaiseError(ErrBadFileFormat, "Cannot read the font file " + Utf8ToCp1252(file) + " of the font " + Quoted(font) +
                                         " (FreeType error " + std::to_string(error) + ")");
    }
    SizedFace face{Face(handle), style, pixels};
    if (!FT_IS_SCALABLE(handle) || FT_Set_Char_Size(handle, pixels * 64, pixels * 64, 0, 0) != 0) {
        RaiseError(ErrBadFileFormat, "The font file " + Utf8ToCp1252(file) + " of the font " + Quoted(font) +
                                         " cannot be scaled to " + std::to_string(pixels) + " pixels");
    }
    return face;
}

// Where a face fontconfig chose is: its file and its index in the file.
struct FaceFile {
    std::string File;
    int Index = 0;
    Hinting Style = Hinting::Full;
};

// The file of the face fontconfig chose for the font; raises when it names none.
FaceFile FileOf(FcPattern* chosen, const ReportFont& font) {
    FaceFile face{StringOf(chosen, FC_FILE), 0, HintingOf(chosen)};
    if (face.File.empty()) RaiseError(ErrFileNotFound, "No font on this system matches the font " + Quoted(font));
    FcPatternGetInteger(chosen, FC_INDEX, 0, &face.Index);
    return face;
}

// The face of a font fontconfig chose, opened at the size.
SizedFace OpenFace(FT_Library library, FcPattern* chosen, int pixels, const ReportFont& font) {
    const FaceFile face = FileOf(chosen, font);
    return OpenFile(library, face.File, face.Index, face.Style, pixels, font);
}

} // namespace

struct FontconfigFontSource::Fonts {
    FT_Library Library = nullptr;
    FcConfig* Config = nullptr;

    Fonts() {
        if (FT_Init_FreeType(&Library) != 0) {
            Library = nullptr;
            RaiseError(ErrDeviceIO, "Cannot start FreeType to measure the report fonts");
        }
    }
    ~Fonts() {
        if (Config) FcConfigDestroy(Config);
        if (Library) FT_Done_FreeType(Library);
    }
    Fonts(const Fonts&) = delete;
    Fonts& operator=(const Fonts&) = delete;

    // What fontconfig is asked for a report font: its family, weight and slant at its size.
    Pattern Request(const ReportFont& font, int pixels) const {
        if (font.Name.empty()) RaiseError(ErrFileNotFound, "A report font needs the name of its family");
        Pattern request(FcPatternCreate());
        if (!request) RaiseError(ErrDeviceIO, "Out of memory looking up the font " + Quoted(font));
        const std::string family = Cp1252ToUtf8(font.Name);
        FcPatternAddString(request.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(request.get(), FC_WEIGHT, font.Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(request.get(), FC_SLANT, font.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddDouble(request.get(), FC_PIXEL_SIZE, pixels);
        FcConfigSubstitute(Config, request.get(), FcMatchPattern);
        FcDefaultSubstitute(request.get());
        return request;
    }

    // The face fontconfig matches best for the font, kept for the font's file.
    SizedFace Match(const ReportFont& font, FcPattern* request, int pixels) {
        FcResult result = FcResultNoMatch;
        const Pattern match(FcFontMatch(Config, request, &result));
        if (!match) RaiseError(ErrFileNotFound, "No font on this system matches the font " + Quoted(font));
        FaceFile face = FileOf(match.get(), font);
        SizedFace opened = OpenFile(Library, face.File, face.Index, face.Style, pixels, font);
        Matched.emplace_back(MatchKey(font, pixels), std::move(face));
        return opened;
    }

    // The face matched for the font before, or else the one fontconfig matches now.
    SizedFace Find(const ReportFont& font, int pixels) {
        const auto key = MatchKey(font, pixels);
        for (const auto& [matched, face] : Matched) {
            if (matched == key) return OpenFile(Library, face.File, face.Index, face.Style, pixels, font);
        }
        const Pattern request = Request(font, pixels);
        return Match(font, request.get(), pixels);
    }

    using Key = std::tuple<std::string, bool, bool, int>;
    static Key MatchKey(const ReportFont& font, int pixels) { return {font.Name, font.Bold, font.Italic, pixels}; }
    // The faces matched, by family, weight, slant and size (a report uses a few).
    std::vector<std::pair<Key, FaceFile>> Matched;
};

namespace {

// The faces the layout falls back to for characters a face lacks: of each other family, in
// fontconfig's order of preference for the font, the face that suits the font best; the
// first of them that has the character draws it.
class Fallbacks {
public:
    Fallbacks(FT_Library library, FcConfig* config, FcPattern* request, FT_Face primary)
        : mLibrary(library), mConfig(config), mRequest(request) {
        if (primary->family_name) mFamilies.insert(primary->family_name);
    }

    // The advance of the first fallback face that has the character; nullopt when none has.
    std::optional<int64_t> Advance(char32_t c, int pixels, const ReportFont& font) {
        if (!mSorted) {
            FcResult result = FcResultNoMatch;
            mSorted.reset(FcFontSort(mConfig, mRequest, FcFalse, nullptr, &result));
            if (!mSorted) return std::nullopt;
            ChooseFaces();
        }
        for (size_t i = 0; i < mChosen.size(); ++i) {
            FcCharSet* characters = nullptr;
            if (FcPatternGetCharSet(mChosen[i], FC_CHARSET, 0, &characters) != FcResultMatch ||
                !FcCharSetHasChar(characters, c)) {
                continue;
            }
            if (!mFaces[i]) {
                const Pattern prepared(FcFontRenderPrepare(mConfig, mRequest, mChosen[i]));
                if (!prepared) continue;
                mFaces[i] = std::make_unique<SizedFace>(OpenFace(mLibrary, prepared.get(), pixels, font));
            }
            if (const FT_UInt glyph = GlyphOf(mFaces[i]->Handle.get(), c); glyph != 0) return GlyphAdvance(*mFaces[i], glyph);
        }
        return std::nullopt;
    }

private:
    // The first face of each family in fontconfig's order (the one that suits the font best),
    // leaving out the font's own family.
    void ChooseFaces() {
        for (int i = 0; i < mSorted->nfont; ++i) {
            FcPattern* face = mSorted->fonts[i];
            const std::string family = StringOf(face, FC_FAMILY);
            if (family.empty() || !mFamilies.insert(family).second) continue;
            mChosen.push_back(face);
        }
        mFaces.resize(mChosen.size());
    }

    FT_Library mLibrary;
    FcConfig* mConfig;
    FcPattern* mRequest;
    FontSet mSorted;
    std::set<std::string> mFamilies;
    std::vector<FcPattern*> mChosen;
    std::vector<std::unique_ptr<SizedFace>> mFaces;
};

// The heights of a face at its size, in 26.6 pixels.
struct Heights {
    int64_t Ascent = 0;
    int64_t Descent = 0;
    int64_t Leading = 0;
};

// The heights as the layout takes them (hinted or not): the face's horizontal header,
// overridden by its OS/2 table's typographic heights when the face asks for them or else by
// its Windows heights (keeping the header's leading); FreeType's when the face has bitmaps or
// no tables.
Heights HeightsOf(const SizedFace& face) {
    FT_Face handle = face.Handle.get();
    const FT_Size_Metrics& size = handle->size->metrics;
    Heights heights{size.ascender, -size.descender, size.height - size.ascender + size.descender};
    const bool bitmaps = !TableOf(handle, "EBLC").empty() || !TableOf(handle, "CBLC").empty() || !TableOf(handle, "bdat").empty();
    const int em = handle->units_per_EM;
    if (!bitmaps && em > 0) {
        const std::string hhea = TableOf(handle, "hhea");
        if (hhea.size() >= 10) {
            const int32_t ascent = FontTableSigned16(hhea, 4), descent = FontTableSigned16(hhea, 6);
            if (ascent != 0 || descent != 0) {
                heights.Ascent = UnitsToPixels(ascent, face.Pixels, em);
                heights.Descent = UnitsToPixels(-descent, face.Pixels, em);
                heights.Leading = UnitsToPixels(FontTableSigned16(hhea, 8), face.Pixels, em);
            }
        }
        const std::string os2 = TableOf(handle, "OS/2");
        if (os2.size() >= 78) {
            constexpr uint32_t UseTypoMetrics = 0x80;
            if (FontTableUnsigned(os2, 62, 2) & UseTypoMetrics) {
                const int32_t ascent = FontTableSigned16(os2, 68), descent = FontTableSigned16(os2, 70);
                if (ascent != 0 || descent != 0) {
                    heights.Ascent = UnitsToPixels(ascent, face.Pixels, em);
                    heights.Descent = UnitsToPixels(-descent, face.Pixels, em);
                    heights.Leading = UnitsToPixels(FontTableSigned16(os2, 72), face.Pixels, em);
                }
            } else {
                const auto ascent = static_cast<int32_t>(FontTableUnsigned(os2, 74, 2));
                const auto descent = static_cast<int32_t>(FontTableUnsigned(os2, 76, 2));
                if (ascent != 0 || descent != 0) {
                    heights.Ascent = UnitsToPixels(ascent, face.Pixels, em);
                    heights.Descent = UnitsToPixels(descent, face.Pixels, em);
                }
            }
        }
    }
    return heights;
}

// The height of the face's capital H in whole pixels, for a face without an OS/2 table.
double CapHeightOf(FT_Face face) {
    const FT_UInt glyph = FT_Get_Char_Index(face, U'H');
    if (glyph == 0 || FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return 0;
    const FT_Glyph_Metrics& metrics = face->glyph->metrics;
    const int64_t top = (metrics.horiBearingY + 63) & ~int64_t{63};
    const int64_t bottom = (metrics.horiBearingY - metrics.height) & ~int64_t{63};
    return Pixels(top - bottom);
}

} // namespace

FontconfigFontSource::FontconfigFontSource() : mFonts(std::make_unique<Fonts>()) {
    mFonts->Config = FcConfigReference(nullptr);
    if (!mFonts->Config) RaiseError(ErrFileNotFound, "Cannot load the system's font configuration");
}

FontconfigFontSource::FontconfigFontSource(const std::string& configFile) : mFonts(std::make_unique<Fonts>()) {
    mFonts->Config = FcConfigCreate();
    if (!mFonts->Config ||
        !FcConfigParseAndLoad(mFonts->Config, reinterpret_cast<const FcChar8*>(configFile.c_str()), FcTrue) ||
        !FcConfigBuildFonts(mFonts->Config)) {
        RaiseError(ErrFileNotFound, "Cannot load the font configuration " + configFile);
    }
}

FontconfigFontSource::~FontconfigFontSource() = default;

PdfFontMetrics FontconfigFontSource::Metrics(const ReportFont& font) {
    const int pixels = PixelSize(font);
    const Pattern request = mFonts->Request(font, pixels);
    const SizedFace face = mFonts->Match(font, request.get(), pixels);
    FT_Face handle = face.Handle.get();

    PdfFontMetrics metrics;
    Fallbacks fallbacks(mFonts->Library, mFonts->Config, request.get(), handle);
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t c = CharacterOf(static_cast<unsigned char>(byte));
        if (const std::optional<double> fixed = LayoutAdvance(c)) {
            metrics.Advance[byte] = *fixed;
            continue;
        }
        int64_t advance = 0;
        if (const FT_UInt glyph = GlyphOf(handle, c); glyph != 0) {
            advance = GlyphAdvance(face, glyph);
        } else if (const std::optional<int64_t> fallback = fallbacks.Advance(c, pixels, font)) {
            advance = *fallback;
        } else {
            advance = GlyphAdvance(face, 0); // the face's sign of a missing glyph
        }
        metrics.Advance[byte] = Pixels(advance);
    }
    const Heights heights = HeightsOf(face);
    metrics.Ascent = Pixels(heights.Ascent);
    metrics.LineHeight = Pixels(heights.Ascent + heights.Descent + heights.Leading);
    const FT_Fixed yScale = handle->size->metrics.y_scale;
    const int64_t thickness = FT_MulFix(handle->underline_thickness, yScale);
    metrics.UnderlinePosition = Pixels(-FT_MulFix(handle->underline_position, yScale) - thickness / 2);
    metrics.UnderlineThickness = Pixels(std::max<int64_t>(thickness, 64));

    const std::string head = TableOf(handle, "head"), hhea = TableOf(handle, "hhea"), post = TableOf(handle, "post"),
                      os2 = TableOf(handle, "OS/2");
    const double unitsPerEm = FontTableUnsigned(head, 18, 2);
    metrics.PostScriptName = FontPostScriptName(TableOf(handle, "name"));
    if (metrics.PostScriptName.empty()) {
        metrics.PostScriptName = font.Name;
        std::erase(metrics.PostScriptName, ' ');
        if (font.Bold || font.Italic) metrics.PostScriptName += std::string(",") + (font.Bold ? "Bold" : "") + (font.Italic ? "Italic" : "");
    }
    if (unitsPerEm > 0) {
        const double scale = 1000 / unitsPerEm;
        for (int i = 0; i < 4; ++i) metrics.BoundingBox[i] = FontTableSigned16(head, 36 + 2 * i) * scale;
        metrics.FaceAscent = FontTableSigned16(hhea, 4) * scale;
        metrics.FaceDescent = FontTableSigned16(hhea, 6) * scale;
        metrics.CapHeight = FontTableUnsigned(os2, 0, 2) >= 2 ? FontTableSigned16(os2, 88) * scale : metrics.FaceAscent;
    } else {
        // No tables to read: the metrics of the page layout, in glyph units.
        const double scale = 1000 / (std::max(font.Size, 1.0) * Dpi / 72);
        metrics.FaceAscent = Pixels(heights.Ascent) * scale;
        metrics.FaceDescent = -Pixels(heights.Descent) * scale;
        metrics.CapHeight = CapHeightOf(handle) * scale;
        metrics.BoundingBox = {0, metrics.FaceDescent, Pixels(handle->size->metrics.max_advance) * scale, metrics.FaceAscent};
    }
    metrics.ItalicAngle = static_cast<int32_t>(FontTableUnsigned(post, 4, 4)) / 65536.0;
    const uint32_t familyClass = FontTableUnsigned(os2, 30, 2) >> 8;
    metrics.Flags = 32; // nonsymbolic: the glyphs are found by their Windows-1252 names
    if (FontTableUnsigned(post, 12, 4) != 0) metrics.Flags |= 1;                                 // fixed pitch
    if ((familyClass >= 1 && familyClass <= 5) || familyClass == 7) metrics.Flags |= 2;          // serif
    if (font.Italic || metrics.ItalicAngle != 0) metrics.Flags |= 64;                            // italic
    metrics.StemV = font.Bold ? 120 : 80;
    return metrics;
}

std::string FontconfigFontSource::FontProgram(const ReportFont& font) {
    const SizedFace face = mFonts->Find(font, PixelSize(font));
    FT_Face handle = face.Handle.get();
    if (TableOf(handle, "glyf").empty()) return {};
    return TrueTypeFontFile([handle](const char* tag) { return TableOf(handle, tag); });
}

std::unique_ptr<PdfReportPrinter> OpenPdfPrinter(const std::string& file, const std::string& name) {
    return std::make_unique<PdfReportPrinter>(file, std::make_unique<FontconfigFontSource>(), name);
}

} // namespace dovrex
