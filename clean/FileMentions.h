// Which files of a run are one file named twice, by the same name or by another
// (a hard link, a symbolic link, another spelling of the path): for each path,
// the nearest earlier mention of the same file and whether a later one follows.
#pragma once

#include <cstdint>

class FileMentions {
public:
    static constexpr uint32_t None = 0xFFFFFFFFu;

    FileMentions() = default;
    ~FileMentions();
    FileMentions(const FileMentions&) = delete;
    FileMentions& operator=(const FileMentions&) = delete;

    // Looks at every path; a path that names no file is a mention of its own.
    // False when memory runs out.
    bool find(const char* const* paths, uint32_t count);

    // The mention of the same file nearest before path k, or None.
    uint32_t previous(uint32_t k) const { return previousMention[k]; }
    // True when the same file is named again after path k.
    bool mentionedAgain(uint32_t k) const { return again[k]; }

private:
    uint32_t* previousMention = nullptr;
    bool* again = nullptr;
};
