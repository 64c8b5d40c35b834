#pragma once

#include "platform/Exceptions.h"

namespace quorvel {

// A spreadsheet that cannot be read or written: a damaged or hostile file, one past the readers'
// limits, or a sheet that names another auction. The message says what and, where it can, where.
class ESheetError : public Exception {
public:
    using Exception::Exception;
};

} // namespace quorvel
