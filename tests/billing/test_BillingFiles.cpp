// The MVRS and E5000 download and upload files: every layout column by column, reading
// lines into records and writing records as lines.

#include "billing/clsE5KDownload.h"
#include "billing/clsE5KUpload.h"
#include "billing/clsMVRSDownload.h"
#include "billing/clsMVRSUpload.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"
#include "support/TempFolder.h"
#include "support/TestDoubles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace dovrex {
namespace {

// Each record kind as the file format describes it: "Name Start Width kind" rows, kind
// t text, n number, d date, h time. Rows nullptr: the layout of the entry before.
struct Layout {
    const char* ID;
    int Columns;
    const char* Rows;
};
constexpr const char* SameAs = nullptr;

const Layout kMvrsDown[] = {
    {"FHD", 18,
         "RecID 1 3 t | TablesIndicator 4 1 t | OpticalProbeIndicator 5 1 t | Version 6 5 t | Reserved 11 3 t | "
         "NumberCycles 14 2 n | OffsiteIndicator 16 1 t | WandIndicator 17 1 t | ExtendedIndicator 18 1 t"},
    {"FTR", 18, SameAs},
    {"???", 93,
         "RecID 1 3 t | Code1 4 1 t | Code2 5 1 t | Code3 6 1 t | Code4 7 1 t | Code5 8 1 t | "
         "Translate1 9 17 t | Translate2 26 17 t | Translate3 43 17 t | Translate4 60 17 t | "
         "Translate5 77 17 t"},
    {"CHD", 17,
         "RecID 1 3 t | CycleNumber 4 2 n | NumberRoutes 6 4 n | CycleDate 10 8 d"},
    {"CTR", 17, SameAs},
    {"RHD", 86,
         "RecID 1 3 t | RouteNumber 4 8 t | SurveyIndicator 12 1 t | RouteMessageIndicator 13 1 t | "
         "NumberKeys 14 4 n | NumberReadingRecords 18 4 n | NumberDemandMeters 22 4 n | "
         "NumberKeyedReadings 26 4 n | NumberOpticalProbeReadings 30 4 n | NumberOffsiteRadioReadings 34 4 n | "
         "NumberCustomerRecords 38 4 n | NumberMeterRecords 42 4 n | TimeAlloted 46 6 h | "
         "NumberGasMeters 52 4 n | NumberWaterMeters 56 4 n | NumberElectricMeters 60 4 n | "
         "NumberLocationMeters 64 4 n | NumberExtraMeters 68 4 n | Region 72 2 t | Zone 74 2 t | Office 76 2 t | "
         "BillCycle 78 2 n | DropCycle 80 2 n | NumberRemoteWandReads 82 4 n | MobileAMR 86 1 t"},
    {"RTR", 86, SameAs},
    {"ERH", 97,
         "RecID 1 3 t | RouteNumber 4 8 t | SurveyIndicator 12 1 t | RouteMessageIndicator 13 1 t | "
         "NumberKeys 14 4 n | NumberReadingRecords 18 5 n | NumberDemandMeters 23 5 n | "
         "NumberKeyedReadings 28 5 n | NumberOpticalProbeReadings 33 5 n | NumberOffsiteRadioReadings 38 5 n | "
         "NumberCustomerRecords 43 5 n | NumberMeterRecords 48 5 n | TimeAlloted 53 6 h | "
         "NumberGasMeters 59 5 n | NumberWaterMeters 64 5 n | NumberElectricMeters 69 5 n | "
         "NumberLocationMeters 74 5 n | NumberExtraMeters 79 5 n | Region 84 2 t | Zone 86 2 t | Office 88 2 t | "
         "BillCycle 90 2 n | NumberRemoteWandReads 92 5 n | MobileAMR 97 1 t"},
    {"ERT", 97, SameAs},
    {"RTS", 91,
         "RecID 1 3 t | RouteNumber 4 8 t | SurveyText1 12 40 t | SurveyText2 52 40 t"},
    {"RTM", 111,
         "RecID 1 3 t | RouteNumber 4 8 t | DCLinkDescription 12 18 t | DCLinkID 30 5 t | Message 35 77 t"},
    {"CUS", 125,
         "RecID 1 3 t | RouteNumber 4 8 t | NumberMeters 12 3 n | Account 15 20 t | Name 35 20 t | "
         "Address1 55 20 t | Address2 75 20 t | Reserved 95 2 t | GroupCode 97 1 t | CustomerInfo 98 20 t | "
         "ExtraIndicator 118 1 t | SegmentCode 119 4 t | UtilityID 123 2 t | PassThru 125 1 t"},
    {"CSX", 71,
         "RecID 1 3 t | RouteNumber 4 8 t | Account 12 20 t | Name 32 20 t | Address3 52 20 t"},
    {"MTR", 112,
         "RecID 1 3 t | RouteNumber 4 8 t | NumberReadings 12 3 n | Reserved1 15 2 t | GroupCode 17 1 t | "
         "Reserved2 18 8 t | SurveyCode1DisplayIndicator 26 1 t | Reserved3 27 2 t | "
         "SurveyCode2DisplayIndicator 29 1 t | BillCode 30 1 t | MeterStatus 31 1 t | OpticalProbeID 32 14 t | "
         "MeterNumber 46 12 t | Reserved4 58 2 t | MeterType 60 2 n | ReadSequence 62 8 n | "
         "AdditionalMeterInfo 70 20 t | Reserved5 90 1 t | MeterLocation 91 2 t | Reserved6 93 1 t | "
         "ReadInstruction1 94 2 n | Reserved7 96 1 t | ReadInstruction2 97 2 n | "
         "SpecialMessageDisplayIndicator 99 1 n | Reserved8 100 1 t | SpecialMessageIndicator 101 1 t | "
         "MeterCategory 102 1 t | LocationExtraMeter 103 1 t | TimeCode 104 3 n | MeterAudit1 107 2 t | "
         "MeterAudit2 109 2 t | MeterAudit3 111 1 t | MeterAudit4 112 1 t"},
    {"MTS", 123,
         "RecID 1 3 t | RouteNumber 4 8 t | MeterNumber 12 12 t | SpecialMessageText 24 100 t"},
    {"RDG", 95,
         "RecID 1 3 t | RouteNumber 4 8 t | TextPrompt 12 4 t | PromptCode 16 1 t | ReadDirection 17 1 t | "
         "CompareCode 18 3 n | ValidationCode 21 3 n | Reserved1 24 1 t | ChannelNumber 25 2 n | "
         "NumberDials 27 2 n | NumberDecimals 29 2 n | ReadMethod 31 1 t | PreviousReading 32 10 n | "
         "High1 42 10 n | Low1 52 10 n | MeterConstant 62 6 n | ConstantFlag 68 1 n | HHFPosition 69 1 n | "
         "PositiveDialCreep 70 5 n | NumberConsecutiveEstimates 75 1 n | Reserved2 76 1 t | ReadType 77 2 n | "
         "MaximumPercent 79 6 n | MinimumPercent 85 6 n | NegativeDialCreep 91 5 n"},
    {"PRB", 126,
         "RecID 1 3 t | RouteNumber 4 8 t | OpticalProbeRecorderID 12 14 t | DeviceID 26 20 t | "
         "MeterConfigID 46 8 t | TIMName 54 4 t | DevicePassword 58 20 t | IDMismatchIndicator 78 1 t | "
         "DaisyChainIndicator 79 1 t | DaylightSavingsTimeIndicator 80 1 t | CommunicationAddress 81 2 t | "
         "TimeZoneAdjustment 83 5 n | ReadLoadProfileIndicator 88 1 t | VisualReadIndicator 89 1 t | "
         "TOURegisterReadsIndicator 90 1 t | ResetDemandIndicator 91 1 t | "
         "DaylightSavingTimeUpdateIndicator 92 1 t | StatusCheckIndicator 93 1 t | EncoderIndicator 94 1 t | "
         "EncoderType01 95 2 t | EncoderType02 97 2 t | EncoderType03 99 2 t | EncoderType04 101 2 t | "
         "EncoderType05 103 2 t | EncoderType06 105 2 t | EncoderType07 107 2 t | EncoderType08 109 2 t | "
         "EncoderType09 111 2 t | EncoderType10 113 2 t | EncoderType11 115 2 t | EncoderType12 117 2 t | "
         "EncoderType13 119 2 t | EncoderType14 121 2 t | EncoderType15 123 2 t | EncoderType16 125 2 t"},
    {"RFF", 68,
         "RecID 1 3 t | RouteNumber 4 8 t | RFERTID 12 8 t | Reserved1 20 6 t | Reserved2 26 4 t | "
         "Reserved3 30 7 n | GeographicArea 37 2 n | RFFrequency 39 12 t | RFTone 51 4 t | Reserved4 55 10 t | "
         "Tamper 65 2 n | ConcentratorERTIndicator 67 1 t | 50ESSFlag 68 1 t"},
    {"WRR", 38,
         "RecID 1 3 t | RouteNumber 4 8 t | DeviceID 12 14 t | WandProgram 26 4 t | Reserved1 30 5 t | "
         "Reserved2 35 1 n | NodeNumber 36 2 n | NoTamperCheckIndicator 38 1 t"},
};

const Layout kMvrsUp[] = {
    {"FHD", 126,
         "RecID 1 3 t | NewServiceIndicator 4 1 t | Reserved1 5 1 t | ChangeMeterIndicator 6 1 t | "
         "Reserved2 7 1 t | NumberRoutes 8 3 n | NumberCustomerRecords 11 6 n | NumberMeterRecords 17 6 n | "
         "NumberReadRecords 23 6 n | ExtendedIndicator 29 1 t | Reserved3 30 91 t | "
         "FileTrailerLineNumber 121 6 n"},
    {"FTR", 126, SameAs},
    {"RHD", 117,
         "RecID 1 3 t | RouteNumber 4 8 t | SurveyIndicator 12 1 t | RouteMessageIndicator 13 1 t | "
         "TotalNumberKeys 14 4 n | TotalNumberReadingRecords 18 4 n | TotalNumberDemandMeters 22 4 n | "
         "TotalNumberKeyedReadings 26 4 n | TotalNumberOpticalProbeReadings 30 4 n | "
         "TotalNumberOffsiteRadioReadings 34 4 n | TotalCustomerRecords 38 4 n | TotalMeterRecords 42 4 n | "
         "TimeUsedtoReadRoute 46 6 h | ResequenceFlag 52 1 t | OriginalSequenceFlag 53 1 t | "
         "NumberCustomerRecords 54 4 n | NumberMeterRecords 58 4 n | NumberReadingRecords 62 4 n | "
         "NumberMissedReadings 66 4 n | NumberSkippedReadings 70 4 n | NumberGasMeters 74 4 n | "
         "NumberWaterMeters 78 4 n | NumberElectricMeters 82 4 n | NumberLocationMeters 86 4 n | "
         "NumberExtraMeters 90 4 n | Region 94 2 t | Zone 96 2 t | Office 98 2 t | ScheduledReadDate 100 8 d | "
         "MeterReaderStatisticsRecord 108 1 t | ForceCompleteFlag 109 1 t | ForceCompleteCode 110 2 n | "
         "NumberRemoteWandReads 112 4 n | TypeRoute 116 1 t | TypeResequenceFlag 117 1 t"},
    {"RTR", 117, SameAs},
    {"ERH", 128,
         "RecID 1 3 t | RouteNumber 4 8 t | SurveyIndicator 12 1 t | RouteMessageIndicator 13 1 t | "
         "TotalNumberKeys 14 4 n | TotalNumberReadingRecords 18 5 n | TotalNumberDemandMeters 23 5 n | "
         "TotalNumberKeyedReadings 28 5 n | TotalNumberOpticalProbeReadings 33 5 n | "
         "TotalNumberOffsiteRadioReadings 38 5 n | TotalCustomerRecords 43 5 n | TotalMeterRecords 48 5 n | "
         "TimeUsedtoReadRoute 53 6 h | ResequenceFlag 59 1 t | OriginalSequenceFlag 60 1 t | "
         "NumberCustomerRecords 61 5 n | NumberMeterRecords 66 5 n | NumberReadingRecords 71 5 n | "
         "NumberMissedReadings 76 5 n | NumberSkippedReadings 81 5 n | NumberGasMeters 86 5 n | "
         "NumberWaterMeters 91 5 n | NumberElectricMeters 96 5 n | NumberLocationMeters 101 5 n | "
         "Region 106 2 t | Zone 108 2 t | Office 110 2 t | ScheduledReadDate 112 8 d | "
         "MeterReaderStatisticsRecord 120 1 t | ForceCompleteFlag 121 1 t | ForceCompleteCode 122 2 n | "
         "NumberRemoteWandReads 124 4 n | TypeRoute 128 1 t"},
    {"ERT", 128, SameAs},
    {"RTS", 91,
         "RecID 1 3 t | RouteNumber 4 8 t | SurveyText1 12 40 t | SurveyText2 52 40 t"},
    {"RTM", 111,
         "RecID 1 3 t | RouteNumber 4 8 t | DCLinkDescription 12 18 t | DCLinkID 30 5 t | Message 35 77 t"},
    {"RMR", 119,
         "RecID 1 3 t | RouteNumber 4 8 t | DLSet 12 1 t | BeginSequence 13 5 n | EndSequence 18 5 n | "
         "SequenceTypeIndicator 23 1 t | AllUnprocessedIndicator 24 1 t | TotalReadingsInDownloadSet 25 5 n | "
         "NumberReadingsInDownloadSet 30 5 n | NumberSkippedReadingsInDownloadSet 35 5 n | "
         "NumberMissedReadingsInDownloadSet 40 5 n | NumberFailedAuditsInDownloadSet 45 5 n | "
         "NumberClearedInDownloadSet 50 5 n | TimeAllotedForSplit 55 4 h | ElapsedTimeInSplit 59 4 h | "
         "FirstTimeInSplit 63 4 h | FirstDateInSplit 67 4 d | LastTimeInSplit 71 4 h | LastDateInSplit 75 4 d | "
         "VehicleIDInSplit 79 10 t | BeginOdometerForSplit 89 8 n | EndOdometerForSplit 97 8 n | "
         "TotalMilageForSplit 105 5 n | HandheldIDInSplit 110 10 t"},
    {"CUS", 126,
         "RecID 1 3 t | RouteNumber 4 8 t | NumberMeters 12 3 n | Account 15 20 t | Name 35 20 t | "
         "Address1 55 20 t | Address2 75 20 t | Reserved 95 2 t | GroupCode 97 1 t | ExtraIndicator 98 1 t | "
         "ExceptionCode 99 1 t | SegmentCode 100 4 t | UtilityID 104 2 t | PassThru 106 1 t | "
         "CustomerInfo 107 20 t"},
    {"CSX", 91,
         "RecID 1 3 t | RouteNumber 4 8 t | Account 12 20 t | Name 32 20 t | NewCustomerInfo 52 20 t | "
         "Address3 72 20 t"},
    {"MTR", 121,
         "RecID 1 3 t | RouteNumber 4 8 t | NumberReadings 12 3 n | GroupCode 15 1 t | Reserved2 16 10 t | "
         "SurveyCode1DisplayIndicator 26 1 t | Reserved3 27 2 t | SurveyCode2DisplayIndicator 29 1 t | "
         "BillCode 30 1 t | MeterStatus 31 1 t | OpticalProbeID 32 14 t | MeterNumber 46 12 t | "
         "Reserved4 58 2 t | MeterType 60 2 n | ReadSequence 62 8 n | NewReadSequence 70 8 n | "
         "Reserved5 78 1 t | MeterLocation 79 2 t | Reserved6 81 1 t | ReadInstruction1 82 2 n | "
         "Reserved7 84 1 t | ReadInstruction2 85 2 n | SpecialMessageDisplayIndicator 87 1 n | "
         "SpecialMessageIndicator 88 1 t | TroubleMessageIndicator 89 1 t | SurveyResponse1 90 1 t | "
         "SurveyResponse2 91 1 t | MeterChangeOutIndicator 92 1 t | ChangeMeterRecordIndicator 93 1 t | "
         "MeterCategory 94 1 t | LocationExtraMeter 95 1 t | TimeCode 96 3 n | Reserved8 99 3 t | "
         "OriginalAdditionalMeterInfo 102 20 t"},
    {"MTC", 87,
         "RecID 1 3 t | RouteNumber 4 8 t | MeterNumber 12 12 t | NewMeterNumber 24 12 t | Reserved1 36 2 t | "
         "NewMeterType 38 2 n | NewMeterInfo 40 20 t | Reserved2 60 1 t | NewLocationCode 61 2 n | "
         "Reserved3 63 1 n | NewReadInstructionCode1 64 2 n | Reserved4 66 1 n | "
         "NewReadInstructionCode2 67 2 n | OriginalMeterAudit1Value 69 2 t | ChangedMeterAudit1Value 71 2 t | "
         "OriginalMeterAudit2Value 73 2 t | ChangedMeterAudit2Value 75 2 t | OriginalMeterAudit3Value 77 2 t | "
         "ChangedMeterAudit3Value 79 2 t | OriginalMeterAudit4Value 81 2 t | ChangedMeterAudit4Value 83 2 t | "
         "ChangedNumberOfReadings 85 2 n | MeterChangeFunction 87 1 t"},
    {"MTS", 123,
         "RecID 1 3 t | RouteNumber 4 8 t | MeterNumber 12 12 t | SpecialMessageText 24 100 t"},
    {"MTM", 63,
         "RecID 1 3 t | RouteNumber 4 8 t | MeterNumber 12 12 t | TroubleMessageText 24 40 t"},
    {"RDG", 115,
         "RecID 1 3 t | RouteNumber 4 8 t | TextPrompt 12 4 t | ReadDirection 16 1 t | CompareCode 17 3 n | "
         "ValidationCode 20 3 n | Reserved1 23 1 t | ChannelNumber 24 2 n | ReadMethod 26 1 t | "
         "MeterConstant 27 6 n | ConstantFlag 33 1 n | Reading 34 10 n | ReadOrder 44 4 n | ReadDate 48 8 d | "
         "ReadTime 56 6 h | ReadCode 62 1 t | Reserved3 63 1 t | ReadReason 64 2 n | ReadAuditResult 66 1 n | "
         "Reserved4 67 1 n | TroubleCode1 68 2 n | Reserved5 70 1 n | TroubleCode2 71 2 n | "
         "AuditCounter 73 1 n | ClearCounter 74 1 n | UnprocessedReadFlag 75 1 t | MeterReaderID 76 9 t | "
         "ElapsedTime 85 5 n | NewNumberDials 90 2 n | NewNumberDecimals 92 2 n | NewReadMethod 94 1 t | "
         "MeterConstantVerified 95 1 t | HHFPosition 96 1 n | NewMeterConstant 97 6 n | Reserved6 103 1 t | "
         "ReadTypeCode 104 2 n | PreviousReading 106 10 n"},
    {"PRB", 123,
         "RecID 1 3 t | RouteNumber 4 8 t | OpticalProbeRecorderID 12 14 t | ExpectedDeviceID 26 20 t | "
         "DeviceID 46 20 t | ReadDate 66 8 d | ReadTime 74 6 h | DeviceDate 80 8 d | DeviceTime 88 6 h | "
         "TIMName 94 4 t | StatusOpen 98 2 t | StatusTOU 100 2 t | StatusLPAll 102 2 t | "
         "StatusLPPartial 104 2 t | StatusStatusCheck 106 2 t | StatusResetDemand 108 2 t | "
         "StatusAutoTimeSet 110 2 t | StatusCodes1 112 2 t | StatusCodes2 114 2 t | StatusCodes3 116 2 t | "
         "StatusCodes4 118 2 t | StatusCodes5 120 2 t | StatusCodes6 122 2 t"},
    {"RFF", 95,
         "RecID 1 3 t | RouteNumber 4 8 t | RFERTID 12 8 t | Reserved1 20 6 t | Reserved2 26 4 t | "
         "Reserved3 30 7 n | GeographicArea 37 2 n | RFFrequency 39 12 t | RFTone 51 4 t | Reserved4 55 2 t | "
         "Tamper 57 2 n | ReadDate 59 8 d | ReadTime 67 6 h | Reading 73 10 n | ERTType 83 8 t | "
         "Reserved5 91 4 t | VisualReadIndicator 95 1 t"},
    {"WRR", 95,
         "RecID 1 3 t | RouteNumber 4 8 t | DeviceID 12 14 t | WandProgram 26 4 t | Reserved1 30 25 t | "
         "TamperStatus 55 4 t | ReadDate 59 8 d | ReadTime 67 6 h | Reading 73 10 n | Reserved2 83 12 t | "
         "VisualReadIndicator 95 1 t"},
};

const Layout kE5kDown[] = {
    {"F", 80,
         "RecID 1 1 t | Route 2 8 t | Filler 10 71 t"},
    {"A", 80,
         "RecID 1 1 t | Route 2 8 t | AccountNumber 10 10 t | Filler1 20 12 t | MeterSequenceNumber 32 5 n | "
         "Filler2 37 1 n | AccountType 38 1 t | SpecialInstruction 39 2 t | Filler3 41 40 t"},
    {"B", 80,
         "RecID 1 1 t | CustomerName 2 32 t | Address 34 32 t | Filler1 66 15 t"},
    {"E", 80,
         "RecID 1 1 t | CustomerAddressLotandPlan 2 79 t"},
    {"C", 80,
         "RecID 1 1 t | RecordCategory 2 2 t | PropertyVGKey 4 12 t | Filler 16 65 t"},
    {"D", 80,
         "RecID 1 1 t | SpecialInstructions 2 32 t | Filler 34 47 t"},
    {"H", 80,
         "RecID 1 1 t | RelativeMeterNumber 2 2 t | MeterSerialNumber 4 10 t | NumberofDials 14 1 n | "
         "MinimumRead 15 8 n | MaximumRead 23 8 n | PriorRead 31 8 n | MeterType 39 1 t | MeterSize 40 7 n | "
         "MeterMake 47 2 t | DisplayCode 49 2 t | NoDecimals 51 1 n | MustReadFlag 52 1 n | MeterStatus 53 1 t | "
         "MeterLocation 54 2 t | MeterReference 56 8 t | Filler 64 17 t"},
    {"I", 80, SameAs},
    {"K01", 80,
         "RecID 1 3 t | PropertyLocationDesc1 4 32 t | MeterLocationDesc1 36 32 t | Filler 68 13 t"},
    {"K05", 80,
         "RecID 1 3 t | PropertyLocationDesc2 4 32 t | MeterLocationDesc2 36 32 t | Filler 68 13 t"},
    {"L", 80,
         "RecID 1 1 t | Location 2 79 t"},
    {"Z", 80,
         "RecID 1 1 t | Route 2 8 t | NumberofAccounts 10 4 n | NumberofMeters 14 4 n | Filler 18 63 t"},
    {"?", 80,
         "RecID 1 1 t | Filler 2 79 t"},
};

const Layout kE5kUp[] = {
    {"A", 80,
         "RecID 1 1 t | Route 2 8 t | NoofAccounts 10 4 n | NoofMeters 14 4 n | ProcessorNumber 18 3 t | "
         "ReadDate 21 6 n | SurveyQuestionNumber 27 2 t | BeginningSequenceNumber 29 5 n | "
         "EndingSequenceNumber 34 5 n | ResequenceFlag 39 1 n | Filler 40 41 t"},
    {"C", 80,
         "RecID 1 1 t | Route 2 8 t | AccountNumber 10 10 t | SpecialInstructionCode 20 2 t | "
         "SurveyAnswer 22 1 t | ReadingStatus 23 1 t | ResequenceFlag 24 1 t | ReadDate 25 4 n | "
         "Filler 29 52 t"},
    {"S", 80,
         "RecID 1 1 t | RecordCategory 2 2 t | PropertyVGKey 4 12 t | Filler 16 65 t"},
    {"D", 80,
         "RecID 1 1 t | RelativeMeterNumber 2 2 t | MeterNumber 4 10 t | SpecialInstructionsCode2 14 2 t | "
         "MeterConditionCode1 16 2 t | MeterConditionCode2 18 2 t | MeterSize 20 6 n | "
         "MeterChangedFlags 26 1 t | Filler 27 54 t"},
    {"E", 80,
         "RecID 1 1 t | NumberofDials 2 1 n | CurrentReading 3 8 n | Decimals 11 1 n | ReadTime 12 6 n | "
         "ReadChangeFlags 18 1 t | DisplayCode 19 2 t | ReadCount 21 1 n | ReadVerifyFlag 22 1 n | "
         "NoReadCode 23 2 t | Filler 25 56 t"},
    {"M", 80,
         "RecID 1 1 t | MessageCode 2 3 t | FreeformMessage 5 76 t"},
    {"Z", 80,
         "RecID 1 1 t | Route 2 8 t | ProcessorNumber 10 3 t | EmployerNumber 13 4 t | Filler 17 64 t"},
};

void ExpectLayouts(const std::vector<std::unique_ptr<clsRecType>>& declared, std::span<const Layout> expected,
                   const std::string& order) {
    std::vector<std::string> ids;
    for (const auto& kind : declared) ids.push_back(kind->RIValue());
    EXPECT_EQ(Join(ids, " "), order);
    const char* rows = nullptr;
    for (const Layout& layout : expected) {
        SCOPED_TRACE(layout.ID);
        if (layout.Rows) rows = layout.Rows;
        const clsRecType* kind = nullptr;
        for (const auto& k : declared)
            if (k->RIValue() == layout.ID) kind = k.get();
        ASSERT_NE(kind, nullptr);
        EXPECT_EQ(kind->RIPos(), 1);
        EXPECT_EQ(kind->RILen(), static_cast<int16_t>(std::string(layout.ID).size()));
        EXPECT_EQ(kind->RecLen(), layout.Columns);
        const std::vector<std::string> expectedRows = Split(rows, " | ");
        EXPECT_EQ(kind->Fields().size(), expectedRows.size());
        for (size_t i = 0; i < std::min(expectedRows.size(), kind->Fields().size()); ++i) {
            const clsField& f = kind->Fields()[i];
            const char code = f.FieldType() == clsField::ftText         ? 't'
                              : f.FieldType() == clsField::ftZeroFilled ? 'n'
                              : f.FieldType() == clsField::ftDate       ? 'd'
                              : f.FieldType() == clsField::ftTime       ? 'h'
                                                                        : '?';
            EXPECT_EQ(f.FieldName() + " " + std::to_string(f.FieldPos()) + " " + std::to_string(f.FieldLen()) + " " +
                          code,
                      expectedRows[i]);
        }
    }
}

TEST(BillingLayouts, EveryLayoutColumnByColumn) {
    ExpectLayouts(clsMVRSDownload().RecordTypes(), kMvrsDown,
                  "FHD FTR ??? CHD CTR RHD RTR ERH ERT RTS RTM CUS CSX MTR MTS RDG PRB RFF WRR");
    ExpectLayouts(clsMVRSUpload().RecordTypes(), kMvrsUp,
                  "FHD FTR RHD RTR ERH ERT RTS RTM RMR CUS CSX MTR MTC MTS MTM RDG PRB RFF WRR");
    ExpectLayouts(clsE5KDownload().RecordTypes(), kE5kDown, "F A B E C D H I K01 K05 Z L ?");
    ExpectLayouts(clsE5KUpload().RecordTypes(), kE5kUp, "A C S D E M Z");
}

// Which kind each line is read as, and the value of one field ("" for no record).
struct ReadCase {
    std::string Line;
    std::string Kind;
    std::string Field;
    Value Expected;
};

void ExpectReads(RecordFileReader& reader, const test::TempFolder& folder, const std::vector<ReadCase>& cases) {
    std::string text;
    for (const ReadCase& c : cases) text += c.Line + "\r\n";
    ASSERT_TRUE(reader.OpenFile(folder.Write("download.dat", text)));
    int line = 0;
    for (const ReadCase& c : cases) {
        SCOPED_TRACE("line '" + c.Line + "'");
        const clsRecType* record = reader.ReadNext();
        EXPECT_EQ(reader.LineNo(), ++line);
        ASSERT_EQ(record != nullptr, !c.Kind.empty());
        if (!record) continue;
        EXPECT_EQ(record->RIValue(), c.Kind);
        EXPECT_EQ(record->Value(c.Field), c.Expected);
    }
    EXPECT_EQ(reader.Position255(), 255);
    EXPECT_EQ(reader.ReadNext(), nullptr);
}

TEST(BillingFiles, DownloadReadersRecogniseEveryLine) {
    test::TempFolder folder;
    clsMVRSDownload mvrs;
    EXPECT_FALSE(mvrs.OpenFile(folder.File("missing.dat")));
    ASSERT_TRUE(mvrs.OpenFile(folder.Write("empty.dat", "")));
    EXPECT_EQ(mvrs.Position255(), 0);
    EXPECT_EQ(mvrs.ReadNext(), nullptr);

    const std::string rdg = "RDGROUTE001KWH 1F005010 010200K0000012345";
    ExpectReads(mvrs, folder,
                {{"FHDYN03.01   02NYY", "FHD", "NumberCycles", 2},
                 {"CHD01000312252004", "CHD", "CycleDate", Value(DateTime{2004, 12, 25, 0, 0, 0})},
                 {rdg, "RDG", "PreviousReading", 12345},
                 {"RDG", "RDG", "PreviousReading", 0},                // fields past the line's end
                 {"RDG", "RDG", "RouteNumber", ""},
                 {"RHDROUTE002NN00x5", "RHD", "NumberKeys", 0},        // not a number
                 {"RFFROUTE00212345678", "RFF", "RFERTID", "12345678"},
                 {"rdg" + rdg.substr(3), "", "", Value()},              // identifiers match in their case
                 {"???ABCDE", "???", "Code5", "E"},
                 {"XYZ", "", "", Value()}});
    // The reader hands out its own object per kind, overwritten by the next line of that kind.
    ASSERT_TRUE(mvrs.OpenFile(folder.Write("two.dat", rdg + "\r\nRDG\r\n")));
    const clsRecType* first = mvrs.ReadNext();
    EXPECT_EQ(mvrs.ReadNext(), first);
    EXPECT_EQ(first->Value("TextPrompt"), Value(""));

    clsE5KDownload e5k;
    ExpectReads(e5k, folder,
                {{"F  R0001", "F", "Route", "  R0001"},
                 {"AR0001   ACC0000001            000120R07", "A", "MeterSequenceNumber", 12},
                 {"H01" "12345678  " "3" "00000000" "99999999" "00001234" "W" "0000150", "H", "MeterSize", 150},
                 {"I02AB1234", "I", "MeterSerialNumber", "AB1234"},
                 {"K01Front porch", "K01", "PropertyLocationDesc1", "Front porch"},
                 {"K05Back", "K05", "PropertyLocationDesc2", "Back"},
                 {"K02Other", "?", "Filler", "02Other"},
                 {"K0", "?", "Filler", "0"},
                 {"a lower-case kind", "?", "RecID", "a"},
                 {"", "?", "RecID", ""},
                 {"ZR0001   00020003", "Z", "NumberofMeters", 3},
                 {"Q", "?", "Filler", ""}});
}

TEST(BillingFiles, LinesRecognisedWithoutParsingAndProgressRoundingHalvesToEven) {
    // Six lines of 128 bytes each: after line k the reader is k blocks of 6 into the file,
    // k * 255 / 6 of the way, which is a half for every odd k.
    struct Row {
        std::string Line;
        std::string Kind;
        int Progress;
    };
    const std::vector<Row> rows = {{"F  R0001", "F", 42},  {"K01Front", "K01", 85}, {"K02Other", "?", 128},
                                   {"", "?", 170},         {"K0", "?", 212},        {"H01", "H", 255}};
    std::string text;
    for (const Row& row : rows) text += row.Line + std::string(126 - row.Line.size(), ' ') + "\r\n";
    test::TempFolder folder;
    clsE5KDownload e5k;
    ASSERT_TRUE(e5k.OpenFile(folder.Write("download.dat", text)));
    const clsRecType* route = e5k.RecordType("F");
    int line = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE("line '" + row.Line + "'");
        const clsRecType* record = e5k.ReadNextLine();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->RIValue(), row.Kind);
        EXPECT_EQ(e5k.LineNo(), ++line);
        EXPECT_EQ(e5k.Line(), text.substr(static_cast<size_t>(line - 1) * 128, 126));
        EXPECT_EQ(e5k.Position255(), row.Progress);
    }
    EXPECT_EQ(e5k.ReadNextLine(), nullptr);
    // The kind's values stay as they were: only ReadNext parses.
    EXPECT_EQ(route->Value("Route"), Value());
}

// Every line of a file as (kind, line) pairs, read by reading.
template <class Read> std::vector<std::pair<std::string, std::string>> KindsAndLines(clsE5KDownload& reader, Read read) {
    std::vector<std::pair<std::string, std::string>> lines;
    while (const clsRecType* record = read(reader)) {
        lines.emplace_back(record->RIValue(), std::string(reader.Line()));
        EXPECT_EQ(reader.LineNo(), static_cast<int32_t>(lines.size()));
    }
    return lines;
}

TEST(BillingFiles, ASecondReadingTakesTheNotedLinesUnlessTheFileChanged) {
    // Each row: the file as first read (noting its lines) and as read again, which must
    // give what a reader reading it afresh gives.
    const std::string edge(65534, 'E'); // with "F" and CR LF, the next line starts past 64 KiB
    const std::string longest(70000, 'L');
    struct Row {
        const char* trace;
        std::string first, again;
    };
    const std::vector<Row> rows = {
        {"unchanged", "F  R1\r\nH01 1\r\n\r\nK01x\rA\nB\r\nZ", ""},
        {"across the buffer edge", "F" + edge + "\r\nH01\r\nH02\r\n", ""},
        {"a line of 65,535 bytes and a longer one", "F" + edge + "E\r\n" + longest + "\r\nH01\r\n", ""},
        {"Unix lines", "F  R1\nH01\n\nZ\n", ""},
        {"lines moved", "F  R1\r\nH01 1\r\nZ\r\n", "F  R12\r\nH0\r\nZ\r\nA\r\n"},
        {"a line split in two", "F  R1\r\nH01 1\r\n", "F\rR1\r\nH01 1\r\n"},
        {"a line ending earlier in a file of the same size", "F  R1\r\nH01 1\r\n", "F  R\r\nH01 12\r\n"},
        {"fewer lines", "F  R1\r\nH01 1\r\nZ\r\n", "F  R1\r\n"},
    };
    test::TempFolder folder;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        const std::string path = folder.Write("download.dat", row.first);
        clsE5KDownload reader;
        ASSERT_TRUE(reader.OpenFile(path));
        const auto noted = KindsAndLines(reader, [](clsE5KDownload& r) { return r.ReadNextLineNoting(); });
        if (!row.again.empty()) folder.Write("download.dat", row.again);
        clsE5KDownload afresh;
        ASSERT_TRUE(afresh.OpenFile(path));
        const auto expected = KindsAndLines(afresh, [](clsE5KDownload& r) { return r.ReadNextLine(); });
        if (row.again.empty()) {
            EXPECT_EQ(noted, expected);
        }
        ASSERT_TRUE(reader.OpenFileAgain(path));
        EXPECT_EQ(KindsAndLines(reader, [](clsE5KDownload& r) { return r.ReadNextLineAgain(); }), expected);
        EXPECT_EQ(reader.Position255(), 255);
    }
}

TEST(BillingFiles, UploadWritersPadEveryLineAndKeepRecordsApart) {
    test::TempFolder folder;
    test::RecordingMessageBox box;
    clsMVRSUpload mvrs(&box);
    EXPECT_THROW(mvrs.WriteRecord(*mvrs.SetupRecord("RDG")), RuntimeError); // no file
    EXPECT_FALSE(mvrs.CreateFile(folder.File("no/such/folder/upload.dat")));
    EXPECT_EQ(box.Lines(), std::vector<std::string>{"[] File not found"});
    ASSERT_TRUE(mvrs.CreateFile(folder.File("upload.dat")));
    EXPECT_EQ(mvrs.SetupRecord("CHD"), nullptr); // a download kind
    EXPECT_EQ(mvrs.SetupRecord("rdg"), nullptr);

    clsRecType* rdg = mvrs.SetupRecord("RDG");
    rdg->SetValue("RouteNumber", "ROUTE001");
    rdg->SetValue("PromptCode", " "); // no such column: ignored
    rdg->SetValue("ReadDate", Value(clsField::ZeroDate()));
    rdg->SetValue("ReadTime", "094500");
    rdg->SetValue("Reading", 1234);
    mvrs.WriteRecord(*rdg);
    EXPECT_EQ(mvrs.SetupRecord("RDG")->Value("RouteNumber"), Value()); // handed out empty
    clsRecType* rhd = mvrs.SetupRecord("RHD");
    rhd->SetValue("TypeResequenceFlag", "N");
    mvrs.WriteRecord(*rhd);
    clsRecType* erh = mvrs.SetupRecord("ERH");
    erh->SetValue("TypeRoute", "X");
    mvrs.WriteRecord(*erh);
    // A record that cannot be assembled is raised and leaves no line behind.
    clsRecType* bad = mvrs.SetupRecord("MTR");
    bad->SetValue("NumberReadings", Value(DateTime{}));
    EXPECT_THROW(mvrs.WriteRecord(*bad), RuntimeError);
    // Enough records to pass the write buffer several times.
    for (int i = 0; i < 1500; ++i) {
        clsRecType* cus = mvrs.SetupRecord("CUS");
        cus->SetValue("NumberMeters", i % 1000);
        mvrs.WriteRecord(*cus);
    }
    mvrs.CloseFile();

    const std::vector<std::string> lines = Split(folder.Read("upload.dat"), "\r\n");
    ASSERT_EQ(lines.size(), 3u + 1500u + 1u);
    EXPECT_EQ(lines[0], "RDGROUTE001" + std::string(22, ' ') + "0000001234    00000000094500" + std::string(126 - 61, ' '));
    EXPECT_EQ(lines[1], "RHD" + std::string(113, ' ') + "N" + std::string(9, ' '));
    EXPECT_EQ(lines[2], "ERH" + std::string(124, ' ') + "X");
    for (int i = 0; i < 1500; ++i) {
        const std::string& line = lines[3 + static_cast<size_t>(i)];
        ASSERT_EQ(line.size(), 126u);
        char number[8];
        std::snprintf(number, sizeof number, "%03d", i % 1000);
        ASSERT_EQ(line.substr(0, 15), "CUS        " + std::string(number) + " ");
    }
    EXPECT_EQ(lines.back(), "");

    clsE5KUpload e5k;
    ASSERT_TRUE(e5k.CreateFile(folder.File("upload.e5k")));
    clsRecType* e = e5k.SetupRecord("E");
    e->SetValue("CurrentReading", 123456789);
    e->SetValue("ReadTime", 94500);
    e->SetValue("NoReadCode", "00");
    e5k.WriteRecord(*e);
    e5k.WriteRecord(*e5k.SetupRecord("Z"));
    e5k.CloseFile();
    EXPECT_EQ(folder.Read("upload.e5k"),
              "E 12345678 094500     00" + std::string(56, ' ') + "\r\n" + "Z" + std::string(79, ' ') + "\r\n");
}

} // namespace
} // namespace dovrex
