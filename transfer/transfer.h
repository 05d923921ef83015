// Transfer operations and the file list, without any user interface.
#pragma once

#include "transfer/default_paths.h"        // IWYU pragma: export
#include "transfer/list_rows.h"            // IWYU pragma: export
#include "transfer/log_saver.h"            // IWYU pragma: export
#include "transfer/outcome_text.h"         // IWYU pragma: export
#include "transfer/recorded_download.h"    // IWYU pragma: export
#include "transfer/save_folder.h"          // IWYU pragma: export
#include "transfer/saved_logs.h"           // IWYU pragma: export
#include "transfer/settings_file.h"        // IWYU pragma: export
#include "transfer/transfer_operations.h"  // IWYU pragma: export
