#include "QVFRecord.h"

namespace dovrex {

std::optional<clsQVF::RecordKind> QVFRecord::KindOf(int32_t recordType) {
    switch (recordType) {
    case clsQVF::rtHeader:
    case clsQVF::rtRoute:
    case clsQVF::rtMeter:
    case clsQVF::rtOrphan:
    case clsQVF::rtLogins:
    case clsQVF::rtCodes:
    case clsQVF::rtIndex:
    case clsQVF::rtAlerts: return static_cast<clsQVF::RecordKind>(recordType);
    case clsQVF::rtReadingRoute: return clsQVF::rtRoute;
    default: return std::nullopt;
    }
}

QVFRecord::Layout QVFRecord::LayoutOf(int32_t recordType) {
    const auto kind = KindOf(recordType);
    if (!kind) return Layout::Unknown;
    switch (*kind) {
    case clsQVF::rtLogins:
    case clsQVF::rtCodes:
    case clsQVF::rtAlerts: return Layout::Code;
    case clsQVF::rtIndex: return Layout::Index;
    default: return Layout::Schema;
    }
}

QVFRecord QVFRecord::Decode(clsQVF& qvf) {
    QVFRecord record;
    const std::string& raw = qvf.RawData();
    record.RecordType = qvf.RecordType();
    record.RecordLayout = LayoutOf(record.RecordType);
    switch (record.RecordLayout) {
    case Layout::Schema:
        if (raw.size() < static_cast<size_t>(qvf.DB().FixedLength())) {
            record.Fields.Set("RecType", Value(record.RecordType));
            record.Problem = "short record of " + std::to_string(raw.size()) + " bytes";
            record.Undecoded = raw;
        } else {
            record.Fields = qvf.GetValues();
        }
        break;
    case Layout::Code: {
        // A record too short for its header leaves the header values at 0.
        int32_t recordType = 0, codeType = 0, flags = 0;
        std::vector<std::string> codes, values, data;
        const bool complete = qvf.GetCodeRecord(recordType, codeType, flags, codes, values, data);
        record.Fields.Set("RecordType", Value(recordType));
        record.Fields.Set("CodeType", Value(codeType));
        record.Fields.Set("Flags", Value(flags));
        for (size_t i = 0; i < codes.size(); ++i) {
            record.CodeEntries.push_back({std::move(codes[i]), std::move(values[i]), std::move(data[i])});
        }
        if (!complete) record.Problem = "damaged code record";
        break;
    }
    case Layout::Index: {
        int32_t routeIndex = 0, indexType = 0;
        qvf.GetIndexEntries(routeIndex, indexType, record.IndexEntries);
        record.Fields.Set("RecType", Value(record.RecordType));
        record.Fields.Set("RouteIndex", Value(routeIndex));
        record.Fields.Set("IndexType", Value(indexType));
        break;
    }
    case Layout::Unknown:
        record.Fields.Set("RecType", Value(record.RecordType));
        record.Undecoded = raw;
        break;
    }
    return record;
}

} // namespace dovrex
