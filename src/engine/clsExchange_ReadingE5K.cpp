// The E5000 upload export of the reading conversion. Until it is built, a reading map of
// the E5000 type ends the export with a clear error, as an E5000 route map does.

#include "clsExchange.h"

#include "platform/RuntimeError.h"

namespace dovrex {

bool clsExchange::ConvertReadingE5K(int /*FileVersion*/) {
    RaiseError(ErrInvalidCall, "E5000 upload files cannot be converted by this version");
}

} // namespace dovrex
