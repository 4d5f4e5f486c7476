#include "cli/Suggestion.h"

#include <cstring>
#include <vector>

namespace {

// Longer words are not worth comparing: nobody mistypes a whole sentence.
constexpr size_t MaxCompared = 64;

// Edits between a and b, a swap of neighbours counting as one.
size_t editDistance(const char* a, size_t m, const char* b, size_t n)
{
    std::vector<size_t> rows(3 * (n + 1));
    size_t* older = rows.data();
    size_t* previous = older + n + 1;
    size_t* current = previous + n + 1;
    for (size_t j = 0; j <= n; ++j)
        previous[j] = j;
    for (size_t i = 1; i <= m; ++i) {
        current[0] = i;
        for (size_t j = 1; j <= n; ++j) {
            const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            size_t best = previous[j - 1] + cost;
            if (previous[j] + 1 < best)
                best = previous[j] + 1;
            if (current[j - 1] + 1 < best)
                best = current[j - 1] + 1;
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1] && older[j - 2] + 1 < best)
                best = older[j - 2] + 1;
            current[j] = best;
        }
        size_t* spare = older;
        older = previous;
        previous = current;
        current = spare;
    }
    return previous[n];
}

} // namespace

const char* closestWord(const char* word, const char* const* candidates, size_t count)
{
    const size_t length = std::strlen(word);
    if (length == 0 || length > MaxCompared)
        return nullptr;
    // Short words are close only to a single slip.
    const size_t allowed = length <= 4 ? 1 : 2;
    const char* best = nullptr;
    size_t bestDistance = allowed + 1;
    const char* prefixed = nullptr;
    size_t prefixCount = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t candidateLength = std::strlen(candidates[i]);
        if (candidateLength > MaxCompared)
            continue;
        if (length >= 3 && candidateLength > length && std::strncmp(candidates[i], word, length) == 0) {
            prefixed = candidates[i];
            ++prefixCount;
        }
        const size_t distance = editDistance(word, length, candidates[i], candidateLength);
        if (distance < bestDistance) {
            best = candidates[i];
            bestDistance = distance;
        }
    }
    if (best != nullptr)
        return best;
    return prefixCount == 1 ? prefixed : nullptr;
}
