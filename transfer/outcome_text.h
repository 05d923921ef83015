// A failure in words the user understands: what happened, never how the protocol spells it.
//
//   const OperationReport report = DeleteSelectedFiles(settings, slots);
//   if (!report.Succeeded())
//       show(DescribeFailure(report, settings.port, g_userLangId));
//   // e.g. "the device refused to delete slot 3 (status 2)"
//
// Sentences start in lower case and carry no final full stop (English), so that callers can
// put them after "delete: " or into a message box's details as they are.
#pragma once

#include <cstdint>
#include <string>

#include "transfer/log_saver.h"
#include "transfer/transfer_operations.h"

namespace kvd {

// Japanese for 0x0411, English otherwise. `port` names the port in the sentences about
// opening it. A slot command the device refused is told with the status its reply carried.
// With `withCommand` the command line and the device's reply are added in parentheses (for a
// verbose mode).
std::string DescribeFailure(const OperationReport& report, const std::string& port, uint16_t langId,
                            bool withCommand = false);

// What became of a log that was not simply converted: kept raw, not saved, cancelled.
// Empty for a log whose files were all written.
std::string DescribeSavedLog(const SavedLog& log, uint16_t langId);

// What the converted files of a log leave out, with the log's name; empty when nothing.
std::string DescribeLogWarning(const SavedLog& log, uint16_t langId);

}  // namespace kvd
