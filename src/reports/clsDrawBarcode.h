#pragma once

#include "ReportSurface.h"

#include "platform/IMessageBox.h"

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace dovrex {

// Draws one-dimensional barcodes as filled bars. A text becomes an element-width string, one
// character per bar or space, alternating and starting with a bar: "N" narrow, "W" wide
// (2.75 modules), "0" nothing drawn, "A"-"D" or "1"-"4" that many modules; "<" makes the
// following bars short (room for digits beneath), ">" full height again.
class clsDrawBarcode {
public:
    enum Symbologies : int16_t { bcCode39 = 0, bcCode128 = 1, bcInterleaved2of5 = 2, bcUPCA = 3 };

    // Failures while painting are shown through messages (when given).
    explicit clsDrawBarcode(IMessageBox* messages = nullptr) : mMessages(messages) {}

    // Encodes strChar and paints it with its top left at (X, Y), bars Height high, in the
    // surface's units; ElementWidth is the module width in pixels (0 means 1).
    void Draw(int16_t Symbology, ReportSurface& OnObject, double X, double Y, double Height, int16_t ElementWidth,
              const std::string& strChar);
    // Paints an element-width string; returns the x (pixels) after the last element. A failure
    // is shown and ends the drawing there.
    int32_t DrawElements(const std::string& strElements, ReportSurface& OnObject, double X, double Y, double Height,
                         int16_t ElementWidth);

    // Element-width strings of the symbologies.
    static std::string Char39(const std::string& strChar);
    static std::string Char2of5(const std::string& strChar);
    // Raises when the text is not eleven characters long.
    static std::string CharUPC(const std::string& strChar);
    // Code 128 in its GS1-128 form: the code values, start to stop.
    static void Array128(const std::string& strChar, int16_t& iCount, std::vector<uint8_t>& Codes);
    static std::string Char128(int16_t iCount, const std::vector<uint8_t>& Codes);
    // The GS1 modulo-10 check digit.
    static std::string CheckUPC(const std::string& strChar);

    // The element-width string Draw paints for a symbology.
    static std::string Elements(int16_t Symbology, const std::string& strChar);

private:
    void ShowError(const std::exception& e);

    IMessageBox* mMessages;
};

} // namespace dovrex
