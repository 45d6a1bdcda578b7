// Windows has no device output yet: FSOUND_Init fails there (the program runs
// silently) until a WinMM output defines openDeviceOutput and replaces this file.
#ifdef _WIN32
#include "fsound_internal.h"

namespace fsound {

std::unique_ptr<Output> openDeviceOutput(const std::string&, int) { return nullptr; }

}  // namespace fsound
#endif
