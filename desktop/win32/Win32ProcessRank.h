#pragma once

#include "desktop/ProcessRank.h"

// The ranks of Windows processes, read from their tokens. Windows only; any thread.
namespace korvane::win32 {

// The rank of the process `processId`; `refused` when the process or its token may not be opened
// for a query (ERROR_ACCESS_DENIED), nothing known when it is gone.
ProcessRank processRank(unsigned long processId);

// The rank of this process.
ProcessRank ownRank();

}  // namespace korvane::win32
