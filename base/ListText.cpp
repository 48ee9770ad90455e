#include "base/ListText.h"

namespace {

constexpr char Quote = '"';

bool IsBlank(unsigned char c) { return c >= 0x01 && c <= 0x20; }

} // namespace

std::vector<std::string> SplitListText(std::string_view text, char delimiter)
{
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> items;
    size_t pos = 0;
    const size_t size = text.size();
    while (pos < size && IsBlank(text[pos])) ++pos;
    while (pos < size) {
        std::string item;
        if (text[pos] == Quote) {
            ++pos;
            while (pos < size) {
                if (text[pos] == Quote) {
                    if (pos + 1 < size && text[pos + 1] == Quote) {
                        item += Quote;
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                item += text[pos++];
            }
        } else {
            const size_t start = pos;
            while (pos < size && static_cast<unsigned char>(text[pos]) > 0x20 && text[pos] != delimiter) ++pos;
            item.assign(text.substr(start, pos - start));
        }
        items.push_back(std::move(item));
        while (pos < size && IsBlank(text[pos])) ++pos;
        if (pos < size && text[pos] == delimiter) {
            if (pos + 1 == size) items.emplace_back();
            ++pos;
            while (pos < size && IsBlank(text[pos])) ++pos;
        }
    }
    return items;
}

std::string JoinListText(const std::vector<std::string>& items, char delimiter)
{
    if (items.size() == 1 && items[0].empty()) return std::string(2, Quote);
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += delimiter;
        const std::string& item = items[i];
        bool needsQuotes = false;
        for (unsigned char c : item) {
            if (c <= 0x20 || c == Quote || c == static_cast<unsigned char>(delimiter)) {
                needsQuotes = true;
                break;
            }
        }
        if (!needsQuotes) {
            text += item;
            continue;
        }
        text += Quote;
        for (char c : item) {
            if (c == Quote) text += Quote;
            text += c;
        }
        text += Quote;
    }
    return text;
}
