#pragma once

#include "RecordFileWriter.h"

namespace dovrex {

// The E5000 upload: the readings for the billing system in 80-column lines.
class clsE5KUpload final : public RecordFileWriter {
public:
    static constexpr int LineWidth = 80;
    explicit clsE5KUpload(IMessageBox* messages = nullptr);
};

} // namespace dovrex
