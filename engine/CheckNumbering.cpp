#include "engine/CheckNumbering.h"

#include "base/FileNameParts.h"
#include "base/Utf8Sequence.h"

#include <cstdint>
#include <string_view>

namespace {

bool IsDigit(char byte) { return byte >= '0' && byte <= '9'; }

// The length of a UTF-8 text in code page 932, where positions are counted:
// one byte for ASCII and half-width katakana, two for every other character,
// also for one that code page 932 lacks (as if it were one of its double-byte
// characters); a byte that starts no UTF-8 character counts one.
size_t Cp932Length(std::string_view text)
{
    size_t length = 0;
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        const size_t size = Utf8Sequence(text, i, code);
        length += (size == 1 || (code >= 0xFF61 && code <= 0xFF9F)) ? 1 : 2;
        i += size;
    }
    return length;
}

// The decimal digits one more than the given ones, in the same width; false when
// the value has no successor of that width (all nines).
bool Successor(std::string_view digits, std::string& next)
{
    next.assign(digits);
    for (size_t i = next.size(); i-- > 0;) {
        if (next[i] != '9') {
            ++next[i];
            return true;
        }
        next[i] = '0';
    }
    return false;
}

} // namespace

bool CheckNumbering(const std::vector<std::string>& names, bool numberedAbout,
                    const std::function<bool()>& stopRequested, std::string& resultText, std::string& remarkText)
{
    if (names.empty()) return true;

    // Step 1: the number field is the run of digits that ends the first base name.
    const std::string_view first = names.front();
    const std::string_view base0 = FileBaseName(first);
    size_t start = base0.size();  // 0-based position of the field
    while (start > 0 && IsDigit(base0[start - 1])) --start;
    const size_t len = base0.size() - start;
    if (len == 0) {
        resultText = "ファイルから連番が得られません";
        remarkText = first;
        return false;
    }
    const std::string_view prefix = base0.substr(0, start);

    // Step 2: every base name is the prefix followed by len digits and nothing else.
    for (size_t k = 1; k < names.size(); ++k) {
        const std::string_view name = names[k];
        const std::string_view base = FileBaseName(name);
        if (stopRequested && stopRequested()) {
            resultText = "中断されました";
            remarkText.clear();
            return false;
        }
        resultText = "ファイルは連番形式ではありません";
        remarkText.assign(first).append(" ").append(name);

        const std::string_view p = base.substr(0, start);
        if (p != prefix) {
            remarkText.append(" プレフィックス非一致(").append(p).append("!=").append(prefix).append(")");
            return false;
        }
        for (size_t j = 0; j < len; ++j) {
            if (start + j >= base.size() || !IsDigit(base[start + j])) {
                remarkText.append(" 非数値(")
                    .append(std::to_string(Cp932Length(prefix) + 1))
                    .append("桁から")
                    .append(std::to_string(len))
                    .append("文字)");
                return false;
            }
        }
        const std::string_view suffix = base.substr(start + len);
        if (!suffix.empty()) {
            remarkText.append(" サフィックス非一致(").append(suffix).append(")");
            return false;
        }
    }

    // Step 3: consecutive numbers, compared exactly on the digits of equal width.
    if (numberedAbout) return true;
    std::string expected;
    for (size_t m = 1; m < names.size(); ++m) {
        const std::string_view previous = FileBaseName(names[m - 1]).substr(start, len);
        const std::string_view current = FileBaseName(names[m]).substr(start, len);
        if (!Successor(previous, expected) || expected != current) {
            resultText = "連番になっていません";
            remarkText.assign(names[m - 1]).append(" ").append(names[m]);
            return false;
        }
    }
    return true;
}
