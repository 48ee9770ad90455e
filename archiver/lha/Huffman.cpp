#include "archiver/lha/Huffman.h"

#include "archiver/lha/BitStream.h"

#include <algorithm>
#include <queue>
#include <utility>

namespace {

// Depth of every used symbol in a Huffman tree for the weights (0 for unused).
std::vector<uint8_t> TreeDepths(const std::vector<uint64_t>& weights, int& maxDepth)
{
    const size_t n = weights.size();
    std::vector<uint64_t> nodeWeight;
    std::vector<size_t> leafNode(n, SIZE_MAX);
    using Item = std::pair<uint64_t, size_t>; // weight, node: ties go to the older node
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    for (size_t symbol = 0; symbol < n; ++symbol) {
        if (weights[symbol] == 0) continue;
        leafNode[symbol] = nodeWeight.size();
        queue.emplace(weights[symbol], nodeWeight.size());
        nodeWeight.push_back(weights[symbol]);
    }
    std::vector<size_t> parent(nodeWeight.size(), SIZE_MAX);
    while (queue.size() > 1) {
        const Item a = queue.top();
        queue.pop();
        const Item b = queue.top();
        queue.pop();
        const size_t node = nodeWeight.size();
        nodeWeight.push_back(a.first + b.first);
        parent.push_back(SIZE_MAX);
        parent[a.second] = node;
        parent[b.second] = node;
        queue.emplace(a.first + b.first, node);
    }
    // Parents are made after their children: one pass from the root down.
    std::vector<int> depth(nodeWeight.size(), 0);
    for (size_t node = nodeWeight.size(); node-- > 0;) {
        if (parent[node] != SIZE_MAX) depth[node] = depth[parent[node]] + 1;
    }
    std::vector<uint8_t> lengths(n, 0);
    maxDepth = 0;
    for (size_t symbol = 0; symbol < n; ++symbol) {
        if (leafNode[symbol] == SIZE_MAX) continue;
        maxDepth = std::max(maxDepth, depth[leafNode[symbol]]);
        lengths[symbol] = static_cast<uint8_t>(std::min(depth[leafNode[symbol]], 255));
    }
    return lengths;
}

} // namespace

std::vector<uint8_t> BuildCodeLengths(std::span<const uint32_t> frequencies, int limit)
{
    std::vector<uint64_t> weights(frequencies.begin(), frequencies.end());
    for (;;) {
        int maxDepth = 0;
        std::vector<uint8_t> lengths = TreeDepths(weights, maxDepth);
        if (maxDepth <= limit) return lengths;
        // Flatten the weights until the tree fits; equal weights give a balanced tree.
        for (uint64_t& weight : weights) {
            if (weight != 0) weight = (weight + 1) / 2;
        }
    }
}

std::vector<uint16_t> CanonicalCodes(std::span<const uint8_t> lengths)
{
    uint32_t count[18] = {};
    for (uint8_t length : lengths) ++count[length];
    count[0] = 0;
    uint32_t next[18] = {};
    uint32_t code = 0;
    for (int bits = 1; bits <= 17; ++bits) {
        code = (code + count[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<uint16_t> codes(lengths.size(), 0);
    for (size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        if (lengths[symbol] != 0) codes[symbol] = static_cast<uint16_t>(next[lengths[symbol]]++);
    }
    return codes;
}

bool THuffmanDecoder::Build(std::span<const uint8_t> lengths)
{
    single_ = -1;
    std::fill(std::begin(count_), std::end(count_), 0u);
    for (uint8_t length : lengths) {
        if (length > 16) return false;
        ++count_[length];
    }
    count_[0] = 0;
    uint32_t space = 0;
    for (int length = 1; length <= 16; ++length) space += count_[length] << (16 - length);
    if (space != 1u << 16) return false;

    uint32_t code = 0;
    uint32_t index = 0;
    for (int length = 1; length <= 16; ++length) {
        first_[length] = code;
        offset_[length] = index;
        code = (code + count_[length]) << 1;
        index += count_[length];
    }
    sorted_.assign(index, 0);
    uint32_t fill[18];
    std::copy(std::begin(offset_), std::end(offset_), fill);
    for (size_t symbol = 0; symbol < lengths.size(); ++symbol) {
        if (lengths[symbol] != 0) sorted_[fill[lengths[symbol]]++] = static_cast<uint16_t>(symbol);
    }

    table_.assign(1u << TableBits, 0);
    for (int length = 1; length <= TableBits; ++length) {
        for (uint32_t i = 0; i < count_[length]; ++i) {
            const uint32_t symbol = sorted_[offset_[length] + i];
            const uint32_t start = (first_[length] + i) << (TableBits - length);
            std::fill_n(table_.begin() + start, 1u << (TableBits - length), symbol << 5 | static_cast<uint32_t>(length));
        }
    }
    return true;
}

void THuffmanDecoder::SetSingle(uint16_t symbol)
{
    single_ = symbol;
}

uint16_t THuffmanDecoder::Decode(TBitReader& reader) const
{
    if (single_ >= 0) return static_cast<uint16_t>(single_);
    const uint32_t peek = reader.Peek16();
    const uint32_t entry = table_[peek >> (16 - TableBits)];
    if (entry != 0) {
        reader.Skip(static_cast<int>(entry & 31));
        return static_cast<uint16_t>(entry >> 5);
    }
    for (int length = TableBits + 1; length <= 16; ++length) {
        const uint32_t code = peek >> (16 - length);
        if (code - first_[length] < count_[length]) {
            reader.Skip(length);
            return sorted_[offset_[length] + code - first_[length]];
        }
    }
    return 0; // unreachable for a complete code
}
