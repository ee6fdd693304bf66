#include "clsMVRSDownload.h"

namespace dovrex {

namespace {

constexpr int16_t T = clsField::ftText;
constexpr int16_t N = clsField::ftZeroFilled;
constexpr int16_t D = clsField::ftDate;
constexpr int16_t H = clsField::ftTime;

constexpr FieldDecl kFHD[] = {
    {"RecID", T, 3}, {"TablesIndicator", T, 1}, {"OpticalProbeIndicator", T, 1}, {"Version", T, 5},
    {"Reserved", T, 3}, {"NumberCycles", N, 2}, {"OffsiteIndicator", T, 1}, {"WandIndicator", T, 1},
    {"ExtendedIndicator", T, 1},
};

constexpr FieldDecl kCodes[] = {
    {"RecID", T, 3}, {"Code1", T, 1}, {"Code2", T, 1}, {"Code3", T, 1}, {"Code4", T, 1}, {"Code5", T, 1},
    {"Translate1", T, 17}, {"Translate2", T, 17}, {"Translate3", T, 17}, {"Translate4", T, 17},
    {"Translate5", T, 17},
};

constexpr FieldDecl kCHD[] = {
    {"RecID", T, 3}, {"CycleNumber", N, 2}, {"NumberRoutes", N, 4}, {"CycleDate", D, 8},
};

constexpr FieldDecl kRHD[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"SurveyIndicator", T, 1}, {"RouteMessageIndicator", T, 1},
    {"NumberKeys", N, 4}, {"NumberReadingRecords", N, 4}, {"NumberDemandMeters", N, 4},
    {"NumberKeyedReadings", N, 4}, {"NumberOpticalProbeReadings", N, 4}, {"NumberOffsiteRadioReadings", N, 4},
    {"NumberCustomerRecords", N, 4}, {"NumberMeterRecords", N, 4}, {"TimeAlloted", H, 6},
    {"NumberGasMeters", N, 4}, {"NumberWaterMeters", N, 4}, {"NumberElectricMeters", N, 4},
    {"NumberLocationMeters", N, 4}, {"NumberExtraMeters", N, 4}, {"Region", T, 2}, {"Zone", T, 2},
    {"Office", T, 2}, {"BillCycle", N, 2}, {"DropCycle", N, 2}, {"NumberRemoteWandReads", N, 4},
    {"MobileAMR", T, 1},
};

constexpr FieldDecl kERH[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"SurveyIndicator", T, 1}, {"RouteMessageIndicator", T, 1},
    {"NumberKeys", N, 4}, {"NumberReadingRecords", N, 5}, {"NumberDemandMeters", N, 5},
    {"NumberKeyedReadings", N, 5}, {"NumberOpticalProbeReadings", N, 5}, {"NumberOffsiteRadioReadings", N, 5},
    {"NumberCustomerRecords", N, 5}, {"NumberMeterRecords", N, 5}, {"TimeAlloted", H, 6},
    {"NumberGasMeters", N, 5}, {"NumberWaterMeters", N, 5}, {"NumberElectricMeters", N, 5},
    {"NumberLocationMeters", N, 5}, {"NumberExtraMeters", N, 5}, {"Region", T, 2}, {"Zone", T, 2},
    {"Office", T, 2}, {"BillCycle", N, 2}, {"NumberRemoteWandReads", N, 5}, {"MobileAMR", T, 1},
};

constexpr FieldDecl kRTS[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"SurveyText1", T, 40}, {"SurveyText2", T, 40},
};

constexpr FieldDecl kRTM[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"DCLinkDescription", T, 18}, {"DCLinkID", T, 5}, {"Message", T, 77},
};

constexpr FieldDecl kCUS[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"NumberMeters", N, 3}, {"Account", T, 20}, {"Name", T, 20},
    {"Address1", T, 20}, {"Address2", T, 20}, {"Reserved", T, 2}, {"GroupCode", T, 1}, {"CustomerInfo", T, 20},
    {"ExtraIndicator", T, 1}, {"SegmentCode", T, 4}, {"UtilityID", T, 2}, {"PassThru", T, 1},
};

constexpr FieldDecl kCSX[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"Account", T, 20}, {"Name", T, 20}, {"Address3", T, 20},
};

constexpr FieldDecl kMTR[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"NumberReadings", N, 3}, {"Reserved1", T, 2}, {"GroupCode", T, 1},
    {"Reserved2", T, 8}, {"SurveyCode1DisplayIndicator", T, 1}, {"Reserved3", T, 2},
    {"SurveyCode2DisplayIndicator", T, 1}, {"BillCode", T, 1}, {"MeterStatus", T, 1}, {"OpticalProbeID", T, 14},
    {"MeterNumber", T, 12}, {"Reserved4", T, 2}, {"MeterType", N, 2}, {"ReadSequence", N, 8},
    {"AdditionalMeterInfo", T, 20}, {"Reserved5", T, 1}, {"MeterLocation", T, 2}, {"Reserved6", T, 1},
    {"ReadInstruction1", N, 2}, {"Reserved7", T, 1}, {"ReadInstruction2", N, 2},
    {"SpecialMessageDisplayIndicator", N, 1}, {"Reserved8", T, 1}, {"SpecialMessageIndicator", T, 1},
    {"MeterCategory", T, 1}, {"LocationExtraMeter", T, 1}, {"TimeCode", N, 3}, {"MeterAudit1", T, 2},
    {"MeterAudit2", T, 2}, {"MeterAudit3", T, 1}, {"MeterAudit4", T, 1},
};

constexpr FieldDecl kMTS[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"MeterNumber", T, 12}, {"SpecialMessageText", T, 100},
};

constexpr FieldDecl kRDG[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"TextPrompt", T, 4}, {"PromptCode", T, 1}, {"ReadDirection", T, 1},
    {"CompareCode", N, 3}, {"ValidationCode", N, 3}, {"Reserved1", T, 1}, {"ChannelNumber", N, 2},
    {"NumberDials", N, 2}, {"NumberDecimals", N, 2}, {"ReadMethod", T, 1}, {"PreviousReading", N, 10},
    {"High1", N, 10}, {"Low1", N, 10}, {"MeterConstant", N, 6}, {"ConstantFlag", N, 1}, {"HHFPosition", N, 1},
    {"PositiveDialCreep", N, 5}, {"NumberConsecutiveEstimates", N, 1}, {"Reserved2", T, 1}, {"ReadType", N, 2},
    {"MaximumPercent", N, 6}, {"MinimumPercent", N, 6}, {"NegativeDialCreep", N, 5},
};

constexpr FieldDecl kPRB[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"OpticalProbeRecorderID", T, 14}, {"DeviceID", T, 20},
    {"MeterConfigID", T, 8}, {"TIMName", T, 4}, {"DevicePassword", T, 20}, {"IDMismatchIndicator", T, 1},
    {"DaisyChainIndicator", T, 1}, {"DaylightSavingsTimeIndicator", T, 1}, {"CommunicationAddress", T, 2},
    {"TimeZoneAdjustment", N, 5}, {"ReadLoadProfileIndicator", T, 1}, {"VisualReadIndicator", T, 1},
    {"TOURegisterReadsIndicator", T, 1}, {"ResetDemandIndicator", T, 1},
    {"DaylightSavingTimeUpdateIndicator", T, 1}, {"StatusCheckIndicator", T, 1}, {"EncoderIndicator", T, 1},
    {"EncoderType01", T, 2}, {"EncoderType02", T, 2}, {"EncoderType03", T, 2}, {"EncoderType04", T, 2},
    {"EncoderType05", T, 2}, {"EncoderType06", T, 2}, {"EncoderType07", T, 2}, {"EncoderType08", T, 2},
    {"EncoderType09", T, 2}, {"EncoderType10", T, 2}, {"EncoderType11", T, 2}, {"EncoderType12", T, 2},
    {"EncoderType13", T, 2}, {"EncoderType14", T, 2}, {"EncoderType15", T, 2}, {"EncoderType16", T, 2},
};

constexpr FieldDecl kRFF[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"RFERTID", T, 8}, {"Reserved1", T, 6}, {"Reserved2", T, 4},
    {"Reserved3", N, 7}, {"GeographicArea", N, 2}, {"RFFrequency", T, 12}, {"RFTone", T, 4},
    {"Reserved4", T, 10}, {"Tamper", N, 2}, {"ConcentratorERTIndicator", T, 1}, {"50ESSFlag", T, 1},
};

constexpr FieldDecl kWRR[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"DeviceID", T, 14}, {"WandProgram", T, 4}, {"Reserved1", T, 5},
    {"Reserved2", N, 1}, {"NodeNumber", N, 2}, {"NoTamperCheckIndicator", T, 1},
};

// Declaration order is the order in which a line's identifier is tested.
const RecordLayout kLayouts[] = {
    {"FHD", kFHD}, {"FTR", kFHD}, {"???", kCodes}, {"CHD", kCHD}, {"CTR", kCHD}, {"RHD", kRHD}, {"RTR", kRHD},
    {"ERH", kERH}, {"ERT", kERH}, {"RTS", kRTS}, {"RTM", kRTM}, {"CUS", kCUS}, {"CSX", kCSX}, {"MTR", kMTR},
    {"MTS", kMTS}, {"RDG", kRDG}, {"PRB", kPRB}, {"RFF", kRFF}, {"WRR", kWRR},
};

} // namespace

clsMVRSDownload::clsMVRSDownload(IMessageBox* messages) : RecordFileReader(kLayouts, nullptr, messages) {}

} // namespace dovrex
