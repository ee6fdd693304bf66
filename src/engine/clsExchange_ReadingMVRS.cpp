// The MVRS upload export of the reading conversion. Until it is built, a reading map of
// the MVRS type ends the export with a clear error, as an MVRS route map does.

#include "clsExchange.h"

#include "platform/RuntimeError.h"

namespace dovrex {

bool clsExchange::ConvertReadingMVRS(int /*FileVersion*/) {
    RaiseError(ErrInvalidCall, "MVRS upload files cannot be converted by this version");
}

} // namespace dovrex
