#include "cli/ColourOptions.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "clean/ColourMapStore.h"
#include "cli/OutcomeText.h"

namespace {

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

bool loadMap(const char* path, ColourMap& map, char* error, size_t errorSize)
{
    MapFileCheck check;
    if (loadColourMapFile(path, map, &check))
        return true;
    const std::string named = std::string("the colour map \"") + path + "\"";
    switch (check.fault) {
    case MapFileFault::CannotRead:
        return fail(error, errorSize, "cannot read " + named + ": " + systemErrorText(check.error));
    case MapFileFault::WrongSize:
        if (check.size == MapFileCheck::TooLargeToRead)
            return fail(error, errorSize, named + " is far larger than a colour map, which is exactly 1024 bytes");
        return fail(error, errorSize,
                    named + " is " + countText(uint32_t(check.size), Noun::Byte)
                        + "; a colour map is exactly 1024 bytes");
    case MapFileFault::BadEntry:
    case MapFileFault::None:
        break;
    }
    char entry[16];
    std::snprintf(entry, sizeof entry, "0x%08x", check.entry);
    return fail(error, errorSize,
                named + " is refused: colour " + std::to_string(check.colour) + " has the entry " + entry
                    + ", which is neither a colour (0 to 255) nor removed");
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

bool applyColourAction(ColourAction action, const char* value, ColourMap& map, char* error, size_t errorSize)
{
    bool takesValue = action != ColourAction::KeepAll && action != ColourAction::RemoveAll;
    if (takesValue && value == nullptr)
        return fail(error, errorSize, "the option needs a value");

    bool colours[ColourCount] = {};
    switch (action) {
    case ColourAction::Map:
        return loadMap(value, map, error, errorSize);
    case ColourAction::Remove:
    case ColourAction::Keep:
        if (!parseColourList(value, colours, error, errorSize))
            return false;
        for (uint32_t c = 0; c < ColourCount; ++c) {
            if (colours[c])
                map.setEntry(c, action == ColourAction::Remove ? ColourRemoved : c);
        }
        return true;
    case ColourAction::Replace: {
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
    case ColourAction::KeepAll:
        map.keepAll();
        return true;
    case ColourAction::RemoveAll:
        map.removeAll();
        return true;
    case ColourAction::SaveMap:
        // Not a change to the map: applyColourSteps gathers the maps to store.
        break;
    }
    return fail(error, errorSize, "unknown colour option");
}

bool applyColourSteps(const std::vector<ColourStep>& steps, ColourMap& colourMap, std::vector<MapToStore>& stores)
{
    for (const ColourStep& step : steps) {
        if (step.action == ColourAction::SaveMap) {
            stores.push_back({step.value, colourMap});
            continue;
        }
        char error[512];
        if (!applyColourAction(step.action, step.value, colourMap, error, sizeof error)) {
            std::fprintf(stderr, "scour: %s\n", error);
            return false;
        }
    }
    return true;
}
