#pragma once

#include "RecordFileReader.h"

namespace dovrex {

// The MVRS download: the route file of the billing system, one fixed-width record per
// line, its kind told by the three characters in columns 1-3. A line of no known kind
// yields no record, which ends the caller's pass as the end of the file does.
class clsMVRSDownload final : public RecordFileReader {
public:
    explicit clsMVRSDownload(IMessageBox* messages = nullptr);
};

} // namespace dovrex
