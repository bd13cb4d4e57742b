#pragma once
// How the batch run reads workbook sheets.

#include "core/engine/BatchRun.h"

namespace mervalon::cli {

/// The sheet reader handed to the batch run.
engine::SheetRowsReader sheetRowsReader();

} // namespace mervalon::cli
