#pragma once

#include "clsQVF.h"

#include "platform/ValueCollection.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dovrex {

// One entry of a code record: its code, value and data texts.
struct QVFCodeEntry {
    std::string Code;
    std::string CodeValue;
    std::string Data;
};

// One record of a QVF database, decoded by its kind with the schema version of the
// database it was read from: what a viewer, a report or a dump shows of it.
struct QVFRecord {
    // How a record kind is laid out.
    enum class Layout { Schema, Code, Index, Unknown };

    // The kind of a record type: a route record of a readings database (256) is a route
    // record; nothing for a type that is no QVF kind.
    static std::optional<clsQVF::RecordKind> KindOf(int32_t recordType);
    static Layout LayoutOf(int32_t recordType);

    // Decodes the record in the database's buffer (after ReadData) with its schema.
    static QVFRecord Decode(clsQVF& qvf);

    // The first big-endian 16-bit value of the record; -1 when it is shorter than that.
    int32_t RecordType = -1;
    Layout RecordLayout = Layout::Unknown;
    // Schema records: every field of the schema in field order. Code records: RecordType,
    // CodeType and Flags. Index records: RecType, RouteIndex and IndexType. Records that
    // cannot be decoded: RecType.
    ValueCollection Fields;
    std::vector<QVFCodeEntry> CodeEntries;
    std::vector<QVFIndexEntry> IndexEntries;
    // Why the record could not be decoded whole; empty when it could.
    std::string Problem;
    // The record's bytes when its fields could not be read at all (an unknown kind, a
    // schema record shorter than the schema's fixed part).
    std::optional<std::string> Undecoded;
};

} // namespace dovrex
