#include "clsMVRSUpload.h"

namespace dovrex {

namespace {

constexpr int16_t T = clsField::ftText;
constexpr int16_t N = clsField::ftZeroFilled;
constexpr int16_t D = clsField::ftDate;
constexpr int16_t H = clsField::ftTime;

constexpr FieldDecl kFHD[] = {
    {"RecID", T, 3}, {"NewServiceIndicator", T, 1}, {"Reserved1", T, 1}, {"ChangeMeterIndicator", T, 1},
    {"Reserved2", T, 1}, {"NumberRoutes", N, 3}, {"NumberCustomerRecords", N, 6}, {"NumberMeterRecords", N, 6},
    {"NumberReadRecords", N, 6}, {"ExtendedIndicator", T, 1}, {"Reserved3", T, 91},
    {"FileTrailerLineNumber", N, 6},
};

constexpr FieldDecl kRHD[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"SurveyIndicator", T, 1}, {"RouteMessageIndicator", T, 1},
    {"TotalNumberKeys", N, 4}, {"TotalNumberReadingRecords", N, 4}, {"TotalNumberDemandMeters", N, 4},
    {"TotalNumberKeyedReadings", N, 4}, {"TotalNumberOpticalProbeReadings", N, 4},
    {"TotalNumberOffsiteRadioReadings", N, 4}, {"TotalCustomerRecords", N, 4}, {"TotalMeterRecords", N, 4},
    {"TimeUsedtoReadRoute", H, 6}, {"ResequenceFlag", T, 1}, {"OriginalSequenceFlag", T, 1},
    {"NumberCustomerRecords", N, 4}, {"NumberMeterRecords", N, 4}, {"NumberReadingRecords", N, 4},
    {"NumberMissedReadings", N, 4}, {"NumberSkippedReadings", N, 4}, {"NumberGasMeters", N, 4},
    {"NumberWaterMeters", N, 4}, {"NumberElectricMeters", N, 4}, {"NumberLocationMeters", N, 4},
    {"NumberExtraMeters", N, 4}, {"Region", T, 2}, {"Zone", T, 2}, {"Office", T, 2},
    {"ScheduledReadDate", D, 8}, {"MeterReaderStatisticsRecord", T, 1}, {"ForceCompleteFlag", T, 1},
    {"ForceCompleteCode", N, 2}, {"NumberRemoteWandReads", N, 4}, {"TypeRoute", T, 1},
    {"TypeResequenceFlag", T, 1},
};

constexpr FieldDecl kERH[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"SurveyIndicator", T, 1}, {"RouteMessageIndicator", T, 1},
    {"TotalNumberKeys", N, 4}, {"TotalNumberReadingRecords", N, 5}, {"TotalNumberDemandMeters", N, 5},
    {"TotalNumberKeyedReadings", N, 5}, {"TotalNumberOpticalProbeReadings", N, 5},
    {"TotalNumberOffsiteRadioReadings", N, 5}, {"TotalCustomerRecords", N, 5}, {"TotalMeterRecords", N, 5},
    {"TimeUsedtoReadRoute", H, 6}, {"ResequenceFlag", T, 1}, {"OriginalSequenceFlag", T, 1},
    {"NumberCustomerRecords", N, 5}, {"NumberMeterRecords", N, 5}, {"NumberReadingRecords", N, 5},
    {"NumberMissedReadings", N, 5}, {"NumberSkippedReadings", N, 5}, {"NumberGasMeters", N, 5},
    {"NumberWaterMeters", N, 5}, {"NumberElectricMeters", N, 5}, {"NumberLocationMeters", N, 5},
    {"Region", T, 2}, {"Zone", T, 2}, {"Office", T, 2}, {"ScheduledReadDate", D, 8},
    {"MeterReaderStatisticsRecord", T, 1}, {"ForceCompleteFlag", T, 1}, {"ForceCompleteCode", N, 2},
    {"NumberRemoteWandReads", N, 4}, {"TypeRoute", T, 1},
};

constexpr FieldDecl kRTS[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"SurveyText1", T, 40}, {"SurveyText2", T, 40},
};

constexpr FieldDecl kRTM[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"DCLinkDescription", T, 18}, {"DCLinkID", T, 5}, {"Message", T, 77},
};

constexpr FieldDecl kRMR[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"DLSet", T, 1}, {"BeginSequence", N, 5}, {"EndSequence", N, 5},
    {"SequenceTypeIndicator", T, 1}, {"AllUnprocessedIndicator", T, 1}, {"TotalReadingsInDownloadSet", N, 5},
    {"NumberReadingsInDownloadSet", N, 5}, {"NumberSkippedReadingsInDownloadSet", N, 5},
    {"NumberMissedReadingsInDownloadSet", N, 5}, {"NumberFailedAuditsInDownloadSet", N, 5},
    {"NumberClearedInDownloadSet", N, 5}, {"TimeAllotedForSplit", H, 4}, {"ElapsedTimeInSplit", H, 4},
    {"FirstTimeInSplit", H, 4}, {"FirstDateInSplit", D, 4}, {"LastTimeInSplit", H, 4}, {"LastDateInSplit", D, 4},
    {"VehicleIDInSplit", T, 10}, {"BeginOdometerForSplit", N, 8}, {"EndOdometerForSplit", N, 8},
    {"TotalMilageForSplit", N, 5}, {"HandheldIDInSplit", T, 10},
};

constexpr FieldDecl kCUS[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"NumberMeters", N, 3}, {"Account", T, 20}, {"Name", T, 20},
    {"Address1", T, 20}, {"Address2", T, 20}, {"Reserved", T, 2}, {"GroupCode", T, 1}, {"ExtraIndicator", T, 1},
    {"ExceptionCode", T, 1}, {"SegmentCode", T, 4}, {"UtilityID", T, 2}, {"PassThru", T, 1},
    {"CustomerInfo", T, 20},
};

constexpr FieldDecl kCSX[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"Account", T, 20}, {"Name", T, 20}, {"NewCustomerInfo", T, 20},
    {"Address3", T, 20},
};

constexpr FieldDecl kMTR[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"NumberReadings", N, 3}, {"GroupCode", T, 1}, {"Reserved2", T, 10},
    {"SurveyCode1DisplayIndicator", T, 1}, {"Reserved3", T, 2}, {"SurveyCode2DisplayIndicator", T, 1},
    {"BillCode", T, 1}, {"MeterStatus", T, 1}, {"OpticalProbeID", T, 14}, {"MeterNumber", T, 12},
    {"Reserved4", T, 2}, {"MeterType", N, 2}, {"ReadSequence", N, 8}, {"NewReadSequence", N, 8},
    {"Reserved5", T, 1}, {"MeterLocation", T, 2}, {"Reserved6", T, 1}, {"ReadInstruction1", N, 2},
    {"Reserved7", T, 1}, {"ReadInstruction2", N, 2}, {"SpecialMessageDisplayIndicator", N, 1},
    {"SpecialMessageIndicator", T, 1}, {"TroubleMessageIndicator", T, 1}, {"SurveyResponse1", T, 1},
    {"SurveyResponse2", T, 1}, {"MeterChangeOutIndicator", T, 1}, {"ChangeMeterRecordIndicator", T, 1},
    {"MeterCategory", T, 1}, {"LocationExtraMeter", T, 1}, {"TimeCode", N, 3}, {"Reserved8", T, 3},
    {"OriginalAdditionalMeterInfo", T, 20},
};

constexpr FieldDecl kMTC[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"MeterNumber", T, 12}, {"NewMeterNumber", T, 12},
    {"Reserved1", T, 2}, {"NewMeterType", N, 2}, {"NewMeterInfo", T, 20}, {"Reserved2", T, 1},
    {"NewLocationCode", N, 2}, {"Reserved3", N, 1}, {"NewReadInstructionCode1", N, 2}, {"Reserved4", N, 1},
    {"NewReadInstructionCode2", N, 2}, {"OriginalMeterAudit1Value", T, 2}, {"ChangedMeterAudit1Value", T, 2},
    {"OriginalMeterAudit2Value", T, 2}, {"ChangedMeterAudit2Value", T, 2}, {"OriginalMeterAudit3Value", T, 2},
    {"ChangedMeterAudit3Value", T, 2}, {"OriginalMeterAudit4Value", T, 2}, {"ChangedMeterAudit4Value", T, 2},
    {"ChangedNumberOfReadings", N, 2}, {"MeterChangeFunction", T, 1},
};

constexpr FieldDecl kMTS[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"MeterNumber", T, 12}, {"SpecialMessageText", T, 100},
};

constexpr FieldDecl kMTM[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"MeterNumber", T, 12}, {"TroubleMessageText", T, 40},
};

constexpr FieldDecl kRDG[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"TextPrompt", T, 4}, {"ReadDirection", T, 1}, {"CompareCode", N, 3},
    {"ValidationCode", N, 3}, {"Reserved1", T, 1}, {"ChannelNumber", N, 2}, {"ReadMethod", T, 1},
    {"MeterConstant", N, 6}, {"ConstantFlag", N, 1}, {"Reading", N, 10}, {"ReadOrder", N, 4}, {"ReadDate", D, 8},
    {"ReadTime", H, 6}, {"ReadCode", T, 1}, {"Reserved3", T, 1}, {"ReadReason", N, 2}, {"ReadAuditResult", N, 1},
    {"Reserved4", N, 1}, {"TroubleCode1", N, 2}, {"Reserved5", N, 1}, {"TroubleCode2", N, 2},
    {"AuditCounter", N, 1}, {"ClearCounter", N, 1}, {"UnprocessedReadFlag", T, 1}, {"MeterReaderID", T, 9},
    {"ElapsedTime", N, 5}, {"NewNumberDials", N, 2}, {"NewNumberDecimals", N, 2}, {"NewReadMethod", T, 1},
    {"MeterConstantVerified", T, 1}, {"HHFPosition", N, 1}, {"NewMeterConstant", N, 6}, {"Reserved6", T, 1},
    {"ReadTypeCode", N, 2}, {"PreviousReading", N, 10},
};

constexpr FieldDecl kPRB[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"OpticalProbeRecorderID", T, 14}, {"ExpectedDeviceID", T, 20},
    {"DeviceID", T, 20}, {"ReadDate", D, 8}, {"ReadTime", H, 6}, {"DeviceDate", D, 8}, {"DeviceTime", H, 6},
    {"TIMName", T, 4}, {"StatusOpen", T, 2}, {"StatusTOU", T, 2}, {"StatusLPAll", T, 2},
    {"StatusLPPartial", T, 2}, {"StatusStatusCheck", T, 2}, {"StatusResetDemand", T, 2},
    {"StatusAutoTimeSet", T, 2}, {"StatusCodes1", T, 2}, {"StatusCodes2", T, 2}, {"StatusCodes3", T, 2},
    {"StatusCodes4", T, 2}, {"StatusCodes5", T, 2}, {"StatusCodes6", T, 2},
};

constexpr FieldDecl kRFF[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"RFERTID", T, 8}, {"Reserved1", T, 6}, {"Reserved2", T, 4},
    {"Reserved3", N, 7}, {"GeographicArea", N, 2}, {"RFFrequency", T, 12}, {"RFTone", T, 4},
    {"Reserved4", T, 2}, {"Tamper", N, 2}, {"ReadDate", D, 8}, {"ReadTime", H, 6}, {"Reading", N, 10},
    {"ERTType", T, 8}, {"Reserved5", T, 4}, {"VisualReadIndicator", T, 1},
};

constexpr FieldDecl kWRR[] = {
    {"RecID", T, 3}, {"RouteNumber", T, 8}, {"DeviceID", T, 14}, {"WandProgram", T, 4}, {"Reserved1", T, 25},
    {"TamperStatus", T, 4}, {"ReadDate", D, 8}, {"ReadTime", H, 6}, {"Reading", N, 10}, {"Reserved2", T, 12},
    {"VisualReadIndicator", T, 1},
};

const RecordLayout kLayouts[] = {
    {"FHD", kFHD}, {"FTR", kFHD}, {"RHD", kRHD}, {"RTR", kRHD}, {"ERH", kERH}, {"ERT", kERH}, {"RTS", kRTS},
    {"RTM", kRTM}, {"RMR", kRMR}, {"CUS", kCUS}, {"CSX", kCSX}, {"MTR", kMTR}, {"MTC", kMTC}, {"MTS", kMTS},
    {"MTM", kMTM}, {"RDG", kRDG}, {"PRB", kPRB}, {"RFF", kRFF}, {"WRR", kWRR},
};

} // namespace

clsMVRSUpload::clsMVRSUpload(IMessageBox* messages) : RecordFileWriter(kLayouts, LineWidth, messages) {}

} // namespace dovrex
