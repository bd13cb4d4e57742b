#include "cli/SheetReading.h"

namespace mervalon::cli {

engine::SheetRowsReader sheetRowsReader() { return {}; }

} // namespace mervalon::cli
