// Reads an E5000 download of any content record by record and converts it with the
// sample E5000 route map.

#include "FuzzDownload.h"

#include "billing/clsE5KDownload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzDownload<dovrex::clsE5KDownload>(data, size, "E5000Sample");
}
