// Feeds the time-of-day reader any bytes. A time it accepts lies within the
// day and reads back within a minute once written in the form the
// maintenance program stores.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shared/vb.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    double timeOfDay = -1;
    if (!ambrel::ParseTimeOfDay(text, timeOfDay)) return 0;
    if (!(timeOfDay >= 0 && timeOfDay < 1)) std::abort();
    double again = -1;
    if (!ambrel::ParseTimeOfDay(ambrel::FormatTimeOfDay(timeOfDay), again)) std::abort();
    // Stored to the minute: what comes back is at most a minute away (across
    // midnight too).
    double apart = std::fabs(again - timeOfDay);
    if (apart > 0.5) apart = 1 - apart;
    if (apart > 1.0 / 1440 + 1e-6) std::abort();
    return 0;
}
