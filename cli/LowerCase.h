// Text in lower case, byte by byte, for comparing names the way the game does:
// letter case aside.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>

inline std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
