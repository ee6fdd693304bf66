#pragma once

#include "RecordFileReader.h"

namespace dovrex {

// The E5000 download: routes, accounts and meters in 80-column lines whose first
// character (three for "K01" and "K05") tells the kind. Every line yields a record until
// the end of the file: a line of no known kind is read as the catch-all kind "?", which
// the caller reports.
class clsE5KDownload final : public RecordFileReader {
public:
    static constexpr const char* UnknownKind = "?";
    explicit clsE5KDownload(IMessageBox* messages = nullptr);
};

} // namespace dovrex
