#pragma once

#include "RecordFileWriter.h"

namespace dovrex {

// The MVRS upload: the readings for the billing system, one fixed-width record per line,
// every line padded with blanks to at least 126 characters.
class clsMVRSUpload final : public RecordFileWriter {
public:
    static constexpr int LineWidth = 126;
    explicit clsMVRSUpload(IMessageBox* messages = nullptr);
};

} // namespace dovrex
