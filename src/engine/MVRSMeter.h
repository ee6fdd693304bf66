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

    // Back to a meter with no values, keeping the texts' storage for the next meter.
    void Reset() {
        Pending = false;
        Sequence = 0;
        TagNumber = 0;
        MeterTypeText.clear();
        NumberDials = 0;
        PreviousReading = 0;
        HighLimit = 0;
        LowLimit = 0;
        NumberDecimals = 0;
        SpecialMessageText.clear();
        MeterNumber.clear();
        GroupCode.clear();
        SurveyCode1DisplayIndicator.clear();
        SurveyCode2DisplayIndicator.clear();
        BillCode.clear();
        MeterStatus.clear();
        OpticalProbeID.clear();
        MeterLocation.clear();
        ReadInstruction1.clear();
        ReadInstruction2.clear();
        SpecialMessageDisplayIndicator = 0;
        LocationExtraMeter.clear();
        AdditionalMeterInfo.clear();
        SurveyText1.clear();
        SurveyText2.clear();
        TextPrompt.clear();
        ReadDirection.clear();
        CompareCode.clear();
        ValidationCode.clear();
        ReadMethod.clear();
        MeterConstant.clear();
        ConstantFlag.clear();
        HHFPosition.clear();
        GeographicArea = 0;
        RFFrequency.clear();
        RFTone.clear();
        TamperCount = 0;
        DeviceID.clear();
        WandProgram.clear();
        MeterCategory.clear();
        ReadSequenceText.clear();
        CurrentReading = 0;
        ReadDate = DateTime{1899, 12, 30, 0, 0, 0};
        ReadTime = 0;
        NewReadMethod.clear();
        ERTType.clear();
        ResponseCode.clear();
        ResponseText.clear();
    }
};

} // namespace dovrex
