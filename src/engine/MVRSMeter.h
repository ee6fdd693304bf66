#pragma once

#include "platform/DateTime.h"

#include <cstdint>
#include <string>

namespace dovrex {

// One meter of an MVRS route: what the route conversion gathers from the records around
// its "MTR" record, and what the reading conversion unpacks from its meter record.
struct MVRSMeter {
    bool Pending = false;
    int32_t Sequence = 0;
    int32_t TagNumber = 0;
    std::string MeterTypeText;
    int16_t NumberDials = 0;
    int32_t PreviousReading = 0;
    int32_t HighLimit = 0;
    int32_t LowLimit = 0;
    int16_t NumberDecimals = 0;
    std::string SpecialMessageText;
    std::string MeterNumber;
    std::string GroupCode;
    std::string SurveyCode1DisplayIndicator;
    std::string SurveyCode2DisplayIndicator;
    std::string BillCode;
    std::string MeterStatus;
    std::string OpticalProbeID;
    std::string MeterLocation;
    std::string ReadInstruction1;
    std::string ReadInstruction2;
    int16_t SpecialMessageDisplayIndicator = 0;
    std::string LocationExtraMeter;
    std::string AdditionalMeterInfo;
    std::string SurveyText1;
    std::string SurveyText2;
    std::string TextPrompt;
    std::string ReadDirection;
    std::string CompareCode;
    std::string ValidationCode;
    std::string ReadMethod;
    std::string MeterConstant;
    std::string ConstantFlag;
    std::string HHFPosition;
    int16_t GeographicArea = 0;
    std::string RFFrequency;
    std::string RFTone;
    int16_t TamperCount = 0;
    std::string DeviceID;
    std::string WandProgram;
    std::string MeterCategory;
    std::string ReadSequenceText;

    // What the readings add for the upload.
    int32_t CurrentReading = 0;
    DateTime ReadDate{1899, 12, 30, 0, 0, 0};
    int32_t ReadTime = 0;
    std::string NewReadMethod;
    std::string ERTType;
    std::string ResponseCode;
    std::string ResponseText;
};

} // namespace dovrex
