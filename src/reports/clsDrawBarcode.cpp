#include "clsDrawBarcode.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <array>
#include <cmath>
#include <string_view>

namespace dovrex {

namespace {

// Code 39: the 43 characters and the start/stop "*", each five bars and four spaces.
constexpr std::string_view Code39Chars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*";
constexpr std::array<std::string_view, 44> Code39Patterns = {
    "NNNWWNWNN", "WNNWNNNNW", "NNWWNNNNW", "WNWWNNNNN", "NNNWWNNNW", "WNNWWNNNN", "NNWWWNNNN", "NNNWNNWNW",
    "WNNWNNWNN", "NNWWNNWNN", "WNNNNWNNW", "NNWNNWNNW", "WNWNNWNNN", "NNNNWWNNW", "WNNNWWNNN", "NNWNWWNNN",
    "NNNNNWWNW", "WNNNNWWNN", "NNWNNWWNN", "NNNNWWWNN", "WNNNNNNWW", "NNWNNNNWW", "WNWNNNNWN", "NNNNWNNWW",
    "WNNNWNNWN", "NNWNWNNWN", "NNNNNNWWW", "WNNNNNWWN", "NNWNNNWWN", "NNNNWNWWN", "WWNNNNNNW", "NWWNNNNNW",
    "WWWNNNNNN", "NWNNWNNNW", "WWNNWNNNN", "NWWNWNNNN", "NWNNNNWNW", "WWNNNNWNN", "NWWNNNWNN", "NWNWNWNNN",
    "NWNWNNNWN", "NWNNNWNWN", "NNNWNWNWN", "NWNNWNWNN",
};

// Code 128: bar and space widths in modules of the values 0 to 106 (106 is the stop).
constexpr std::array<std::string_view, 107> Code128Patterns = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232", "2331112",
};
enum Code128Values : uint8_t { cvCodeC = 99, cvCodeB = 100, cvFNC1 = 102, cvStartB = 104, cvStartC = 105, cvStop = 106 };

// Interleaved 2 of 5: five elements per digit, two of them wide.
constexpr std::array<std::string_view, 10> TwoOf5Patterns = {
    "NNWWN", "WNNNW", "NWNNW", "WWNNN", "NNWNW", "WNWNN", "NWWNN", "NNNWW", "WNNWN", "NWNWN",
};

// UPC-A: module widths of a digit, space first on the left half and bar first on the right.
constexpr std::array<std::string_view, 10> UPCPatterns = {
    "3211", "2221", "2122", "1411", "1132", "1231", "1114", "1312", "1213", "3112",
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int DigitValue(char c) { return IsDigit(c) ? c - '0' : 0; }

// Module widths 1-4 written as "A"-"D".
std::string Letters(std::string_view widths) {
    std::string out;
    for (const char c : widths) out += static_cast<char>('A' + (c - '1'));
    return out;
}

} // namespace

std::string clsDrawBarcode::Char39(const std::string& strChar) {
    std::string out;
    for (const char c : "*" + strChar + "*") {
        const size_t at = Code39Chars.find(UpperChar(c));
        if (at != std::string_view::npos) out += Code39Patterns[at];
        out += 'W';
    }
    return out;
}

std::string clsDrawBarcode::Char2of5(const std::string& strChar) {
    std::string out = "NNNN";
    for (size_t i = 0; i + 1 < strChar.size(); i += 2) {
        const std::string_view first = TwoOf5Patterns[DigitValue(strChar[i])];
        const std::string_view second = TwoOf5Patterns[DigitValue(strChar[i + 1])];
        for (size_t k = 0; k < 5; ++k) {
            out += first[k];
            out += second[k];
        }
    }
    return out + "WNNN";
}

std::string clsDrawBarcode::CheckUPC(const std::string& strChar) {
    int sum = 0;
    for (size_t i = 0; i < strChar.size(); ++i) {
        const char c = strChar[strChar.size() - 1 - i];
        sum += DigitValue(c) * (i % 2 == 0 ? 3 : 1);
    }
    return std::to_string((10 - sum % 10) % 10);
}

std::string clsDrawBarcode::CharUPC(const std::string& strChar) {
    if (strChar.size() != 11) RaiseError(ErrInvalidCall, "A UPC-A barcode needs eleven digits");
    const std::string digits = strChar + CheckUPC(strChar);
    std::string out = "AAA"; // start guard
    for (size_t i = 0; i < 12; ++i) {
        // The number-system and check digits and the guards are full height; the rest short.
        if (i == 1) out += '<';
        if (i == 6) out += ">AAAAA<"; // centre guard
        if (i == 11) out += '>';
        out += Letters(UPCPatterns[DigitValue(digits[i])]);
    }
    return out + "AAA"; // end guard
}

void clsDrawBarcode::Array128(const std::string& strChar, int16_t& iCount, std::vector<uint8_t>& Codes) {
    Codes.clear();
    auto start = [&Codes](uint8_t startValue) {
        Codes.push_back(startValue);
        Codes.push_back(cvFNC1);
    };
    size_t pos = 0;
    while (pos < strChar.size()) {
        size_t run = 0;
        while (pos + run < strChar.size() && IsDigit(strChar[pos + run])) ++run;
        if (run >= 6) {
            if (Codes.empty()) {
                start(cvStartC);
            } else {
                Codes.push_back(cvCodeC);
            }
            for (size_t pair = 0; pair < run / 2; ++pair, pos += 2) {
                Codes.push_back(static_cast<uint8_t>(DigitValue(strChar[pos]) * 10 + DigitValue(strChar[pos + 1])));
            }
            if (pos < strChar.size()) Codes.push_back(cvCodeB);
        } else {
            if (Codes.empty()) start(cvStartB);
            const auto c = static_cast<unsigned char>(strChar[pos++]);
            if (c >= 32 && c <= 126) Codes.push_back(static_cast<uint8_t>(c - 32));
        }
    }
    // An empty text still makes a complete symbol.
    if (Codes.empty()) start(cvStartB);
    int64_t sum = Codes[0];
    for (size_t j = 1; j < Codes.size(); ++j) sum += static_cast<int64_t>(j) * Codes[j];
    Codes.push_back(static_cast<uint8_t>(sum % 103));
    Codes.push_back(cvStop);
    iCount = CheckInt16(static_cast<int64_t>(Codes.size()));
}

std::string clsDrawBarcode::Char128(int16_t iCount, const std::vector<uint8_t>& Codes) {
    std::string out;
    for (int16_t i = 0; i < iCount && static_cast<size_t>(i) < Codes.size(); ++i) {
        if (Codes[i] < Code128Patterns.size()) out += Letters(Code128Patterns[Codes[i]]);
    }
    return out;
}

std::string clsDrawBarcode::Elements(int16_t Symbology, const std::string& strChar) {
    switch (Symbology) {
    case bcCode39: return Char39(strChar);
    case bcCode128: {
        // Nineteen digits are a GS1 key without its check digit.
        const std::string text = strChar.size() == 19 ? strChar + CheckUPC(strChar) : strChar;
        int16_t count = 0;
        std::vector<uint8_t> codes;
        Array128(text, count, codes);
        return Char128(count, codes);
    }
    case bcInterleaved2of5: return Char2of5(strChar);
    case bcUPCA: return CharUPC(strChar);
    default: RaiseError(ErrInvalidCall, "Unknown barcode symbology " + std::to_string(Symbology));
    }
}

void clsDrawBarcode::Draw(int16_t Symbology, ReportSurface& OnObject, double X, double Y, double Height,
                          int16_t ElementWidth, const std::string& strChar) {
    std::string elements;
    try {
        elements = Elements(Symbology, strChar);
    } catch (const std::exception& e) {
        ShowError(e);
        return;
    }
    DrawElements(elements, OnObject, X, Y, Height, ElementWidth);
}

void clsDrawBarcode::ShowError(const std::exception& e) {
    if (mMessages) mMessages->Show(DescribeException(e), {}, MsgButtons::OK, MsgIcon::None);
}

int32_t clsDrawBarcode::DrawElements(const std::string& strElements, ReportSurface& OnObject, double X, double Y,
                                     double Height, int16_t ElementWidth) {
    const int16_t scaleMode = OnObject.ScaleMode();
    const double scaleWidth = OnObject.ScaleWidth();
    double x = 0;
    try {
        OnObject.SetScaleMode(smPixels);
        const double factor = scaleWidth > 0 ? OnObject.ScaleWidth() / scaleWidth : 1;
        x = X * factor;
        const double y = Y * factor;
        const double fullHeight = RoundHalfEven(Height * factor);
        double barHeight = fullHeight;

        const double w = ElementWidth == 0 ? 1 : ElementWidth;
        const double wide = RoundHalfEven(2.75 * w);
        bool bar = true;
        for (const char c : strElements) {
            double g;
            switch (c) {
            case 'N': g = w; break;
            case 'W': g = wide; break;
            case '0': g = 0; break;
            case 'A': case '1': g = w; break;
            case 'B': case '2': g = 2 * w; break;
            case 'C': case '3': g = 3 * w; break;
            case 'D': case '4': g = 4 * w; break;
            case '<': barHeight = fullHeight - OnObject.TextHeight("X"); continue;
            case '>': barHeight = fullHeight; continue;
            default: continue;
            }
            if (bar && g > 0) OnObject.FillRect(x, y, x + g - 1, y + barHeight);
            x += g;
            bar = !bar;
        }
    } catch (const std::exception& e) {
        // The drawing stops at the failure; the surface keeps its units.
        ShowError(e);
    }
    OnObject.SetScaleMode(scaleMode);
    return static_cast<int32_t>(RoundHalfEven(x));
}

} // namespace dovrex
