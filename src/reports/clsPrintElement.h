#pragma once

#include "ReportSurface.h"

#include "platform/Value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

namespace dovrex {

// What an element draws: a value printed as text (empty and Null draw nothing), a picture,
// the image of another surface, or a text printed as the Value of that text would be (a
// client that gives its elements new texts row after row assigns them in place).
using ElementValue = std::variant<Value, std::shared_ptr<const IReportPicture>, ReportSurface*, std::string>;

// FontStyle bits of a print element.
enum FontStyles : int32_t {
    fsRegular = 1,
    fsBold = 2,     // when neither 1 nor 4 is set
    fsItalic = 4,   // when 1 is not set
    fsLine = 8,
    fsBox = 16,
    fsSolid = 32,
    fsRule = 64,
    fsDoubleRule = 128,
    fsHidden = 256,
    fsBarcode = 512,
};

// Alignment of a print element at its X.
enum ElementAlign : int32_t { alLeft = 0, alRight = 1, alCenter = 2 };

// One thing to draw in a band; positions and sizes in the report's units (inches).
struct clsPrintElement {
    double X = 0;     // negative: continue at the output's current x
    double Y = 0;     // offset within the band; negative: the line of the previous element
    int32_t Align = alLeft;
    ElementValue Value;
    std::string FontName;     // empty keeps the current font
    int16_t FontSize = 0;     // 0 uses the base size
    int32_t FontStyle = 0;
    double PrintWidth = 0;    // text: wrap width (0 = no wrapping); shapes and pictures: width
    double PrintHeight = 0;
    std::string FormatString; // empty prints the value's plain text
    std::string Source;       // the value's data source; draws nothing
};

} // namespace dovrex
