#include "cli/ColourOptions.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "clean/ColourMapFile.h"

const char* const ColourOptionsUsage =
    "  --map FILE         start from the colour map stored in FILE (1024 bytes)\n"
    "  --remove LIST      remove the untextured faces of these colours, e.g. 0,5,80-95\n"
    "  --keep LIST        keep these colours\n"
    "  --replace FROM=TO  give faces of the colours FROM (a list) the colour TO\n"
    "  --keep-all         keep every colour\n"
    "  --remove-all       remove every colour\n"
    "  --save-map FILE    store the colour map as it stands into FILE\n"
    "  Colour options apply in order; without them colour 0 is removed.\n";

namespace {

enum class Option : uint8_t { None, Map, Remove, Keep, Replace, KeepAll, RemoveAll, SaveMap };

struct OptionName {
    const char* name;
    Option option;
    bool takesValue;
};

const OptionName Options[] = {
    {"--map", Option::Map, true},           {"--remove", Option::Remove, true},
    {"--keep", Option::Keep, true},         {"--replace", Option::Replace, true},
    {"--keep-all", Option::KeepAll, false}, {"--remove-all", Option::RemoveAll, false},
    {"--save-map", Option::SaveMap, true},
};

const OptionName* findOption(const char* option)
{
    if (option == nullptr)
        return nullptr;
    for (const OptionName& entry : Options) {
        if (std::strcmp(entry.name, option) == 0)
            return &entry;
    }
    return nullptr;
}

bool fail(char* error, size_t errorSize, const std::string& message)
{
    if (error != nullptr && errorSize > 0)
        std::snprintf(error, errorSize, "%s", message.c_str());
    return false;
}

// A colour number of one to three decimal digits, 0 to 255; a message otherwise.
bool parseColour(const std::string& text, uint32_t* colour, std::string* message)
{
    if (text.empty()) {
        *message = "a colour number is missing";
        return false;
    }
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            *message = "\"" + text + "\" is not a colour number";
            return false;
        }
        value = value * 10 + uint32_t(c - '0');
        if (value >= ColourCount) {
            *message = "colour " + text + " is out of range (0 to 255)";
            return false;
        }
    }
    *colour = value;
    return true;
}

// One item of a list: a colour, or a range FIRST-LAST with FIRST <= LAST.
bool parseItem(const std::string& item, uint32_t* first, uint32_t* last, std::string* message)
{
    size_t dash = item.find('-');
    if (dash == std::string::npos) {
        if (!parseColour(item, first, message))
            return false;
        *last = *first;
        return true;
    }
    if (!parseColour(item.substr(0, dash), first, message) || !parseColour(item.substr(dash + 1), last, message)) {
        *message = "in the range \"" + item + "\", " + *message;
        return false;
    }
    if (*first > *last) {
        *message = "the range \"" + item + "\" is reversed";
        return false;
    }
    return true;
}

} // namespace

bool parseColourList(const char* text, bool colours[ColourCount], char* error, size_t errorSize)
{
    if (text == nullptr || *text == '\0')
        return fail(error, errorSize, "the colour list is empty");
    std::string list = text;
    bool chosen[ColourCount] = {};
    size_t start = 0;
    for (;;) {
        size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.empty())
            return fail(error, errorSize, "colour list \"" + list + "\": an item is empty");
        uint32_t first = 0;
        uint32_t last = 0;
        std::string message;
        if (!parseItem(item, &first, &last, &message))
            return fail(error, errorSize, "colour list \"" + list + "\": " + message);
        for (uint32_t c = first; c <= last; ++c)
            chosen[c] = true;
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    for (uint32_t c = 0; c < ColourCount; ++c) {
        if (chosen[c])
            colours[c] = true;
    }
    return true;
}

bool isColourOption(const char* option, bool* takesValue)
{
    const OptionName* entry = findOption(option);
    if (takesValue != nullptr)
        *takesValue = entry != nullptr && entry->takesValue;
    return entry != nullptr;
}

bool applyColourOption(const char* option, const char* value, ColourMap& map, char* error, size_t errorSize)
{
    const OptionName* entry = findOption(option);
    if (entry == nullptr)
        return fail(error, errorSize, std::string("unknown colour option \"") + (option ? option : "") + "\"");
    if (entry->takesValue && value == nullptr)
        return fail(error, errorSize, std::string(entry->name) + " needs a value");

    bool colours[ColourCount] = {};
    switch (entry->option) {
    case Option::Map:
        if (!loadColourMapFile(value, map))
            return fail(error, errorSize,
                        std::string("cannot read the colour map \"") + value
                            + "\" (it must be a file of exactly 1024 bytes)");
        return true;
    case Option::SaveMap:
        if (!storeColourMapFile(value, map))
            return fail(error, errorSize, std::string("cannot write the colour map to \"") + value + "\"");
        return true;
    case Option::Remove:
    case Option::Keep:
        if (!parseColourList(value, colours, error, errorSize))
            return false;
        for (uint32_t c = 0; c < ColourCount; ++c) {
            if (colours[c])
                map.setEntry(c, entry->option == Option::Remove ? ColourRemoved : c);
        }
        return true;
    case Option::Replace: {
        std::string text = value;
        size_t equals = text.find('=');
        if (equals == std::string::npos)
            return fail(error, errorSize, "--replace needs FROM=TO, such as 3=7 or 80-95=7; got \"" + text + "\"");
        std::string from = text.substr(0, equals);
        uint32_t to = 0;
        std::string message;
        if (!parseColour(text.substr(equals + 1), &to, &message))
            return fail(error, errorSize, "--replace \"" + text + "\": " + message);
        if (!parseColourList(from.c_str(), colours, error, errorSize))
            return false;
        for (uint32_t c = 0; c < ColourCount; ++c) {
            if (colours[c])
                map.setEntry(c, to);
        }
        return true;
    }
    case Option::KeepAll:
        map.keepAll();
        return true;
    case Option::RemoveAll:
        map.removeAll();
        return true;
    case Option::None:
        break;
    }
    return fail(error, errorSize, std::string("unknown colour option \"") + option + "\"");
}
