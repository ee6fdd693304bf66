// Reads an MVRS download of any content record by record and converts it with the
// sample MVRS route map.

#include "FuzzDownload.h"

#include "billing/clsMVRSDownload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzDownload<dovrex::clsMVRSDownload>(data, size, "MvrsSample");
}
