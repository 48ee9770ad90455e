// Any list of names gets a verdict; a failure always names its reason, and
// tolerating gaps never turns a pass into a failure.
#include "engine/CheckNumbering.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <strings.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> names;
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            if (!current.empty()) names.push_back(current);
            current.clear();
        } else if (data[i] != 0) {
            current += static_cast<char>(data[i]);
        }
    }
    if (!current.empty()) names.push_back(current);
    if (names.empty()) return 0;
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; });
    std::string result, remark;
    const auto never = [] { return false; };
    const bool strict = CheckNumbering(names, false, never, result, remark);
    if (!strict && result.empty()) std::abort();
    std::string looseResult, looseRemark;
    const bool loose = CheckNumbering(names, true, never, looseResult, looseRemark);
    if (strict && !loose) std::abort();
    return 0;
}
