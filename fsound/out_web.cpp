// The web build's device entry. A page has no device that the mixer could
// write to from a thread of its own (the module has no threads): the page's
// audio graph pulls the mix with FSOUND_MixFrames instead, and the page sets
// FSOUND_OUTPUT=manual once its audio runs. Without that setting there is no
// output, FSOUND_Init fails and the program runs silently.
#include "fsound_internal.h"

namespace fsound {

std::unique_ptr<Output> openDeviceOutput(const std::string&, int) { return nullptr; }

}  // namespace fsound
