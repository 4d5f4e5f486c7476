// "Did you mean ...?": the known word closest to a mistyped one, for commands
// and options alike.
#pragma once

#include <cstddef>

// The candidate within a typo or two of word (letters swapped, missing, extra or
// wrong), or the one candidate that word begins, or null when none is close.
const char* closestWord(const char* word, const char* const* candidates, size_t count);
