// A command's options in one table: each option's name, short form, value, what
// it sets and its help, from which the command's help is also printed.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/Suggestion.h"

template <typename Settings> struct Option {
    const char* name;
    const char* alias; // a short form, or null
    const char* value; // the value's name in the help, or null for an option without one
    void (*set)(Settings& settings, const char* value); // null for --help
    const char* help;                                   // lines separated by '\n'
};

// Options printed under one heading (none for the first section).
template <typename Settings> struct OptionSection {
    const char* heading;
    const Option<Settings>* options;
    size_t count;
};

// "--log FILE" or "--recursive, -r": an option as its help shows it.
template <typename Settings> std::string optionLabel(const Option<Settings>& option)
{
    std::string label = option.name;
    if (option.value != nullptr)
        label = label + " " + option.value;
    if (option.alias != nullptr)
        label = label + ", " + option.alias;
    return label;
}

// Each section's options with their help in one column, two spaces past the
// longest label of the section.
template <typename Settings> void printOptions(FILE* out, const std::vector<OptionSection<Settings>>& sections)
{
    for (const OptionSection<Settings>& section : sections) {
        if (section.heading != nullptr)
            std::fprintf(out, "\n%s\n", section.heading);
        size_t column = 0;
        for (size_t i = 0; i < section.count; ++i)
            column = std::max(column, optionLabel(section.options[i]).size());
        for (size_t i = 0; i < section.count; ++i) {
            const Option<Settings>& option = section.options[i];
            std::string label = optionLabel(option);
            std::string help = option.help;
            std::string indent(column + 4, ' ');
            for (size_t at = 0; (at = help.find('\n', at)) != std::string::npos; at += indent.size() + 1)
                help.insert(at + 1, indent);
            std::fprintf(out, "  %-*s  %s\n", static_cast<int>(column), label.c_str(), help.c_str());
        }
    }
}

// The option that name ("--log" or "-r") names, or null.
template <typename Settings>
const Option<Settings>* findOption(const std::vector<OptionSection<Settings>>& sections, const std::string& name)
{
    for (const OptionSection<Settings>& section : sections) {
        for (size_t i = 0; i < section.count; ++i) {
            const Option<Settings>& option = section.options[i];
            if (name == option.name || (option.alias != nullptr && name == option.alias))
                return &option;
        }
    }
    return nullptr;
}

// "scour: unknown option --recursve (did you mean --recursive?)"; without a
// close name, the usage follows.
template <typename Settings>
void reportUnknownOption(const std::vector<OptionSection<Settings>>& sections, const std::string& shown,
                         const std::string& typed, const char* usage)
{
    std::vector<const char*> names = {"--help"};
    for (const OptionSection<Settings>& section : sections) {
        for (size_t i = 0; i < section.count; ++i)
            names.push_back(section.options[i].name);
    }
    const char* close = closestWord(typed.c_str(), names.data(), names.size());
    if (close != nullptr)
        std::fprintf(stderr, "scour: unknown option %s (did you mean %s?)\n", shown.c_str(), close);
    else
        std::fprintf(stderr, "scour: unknown option %s\n%s", shown.c_str(), usage);
}

enum class ParseResult : uint8_t { Go, Help, UsageError };

// Applies the options in order and gathers every other argument (and everything
// after "--") into paths. An option's value follows it ("--log FILE") or is
// joined to it ("--log=FILE", "-j2"); short options without values bundle
// ("-rq"). --help and -h end the parse with Help; an unknown option, a missing
// value or a value given to an option without one is reported on standard
// error as a usage error.
template <typename Settings>
ParseResult parseOptions(int argc, char** argv, const std::vector<OptionSection<Settings>>& sections,
                         Settings& settings, std::vector<std::string>& paths, const char* usage)
{
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        const char* argument = argv[i];
        if (optionsEnded || argument[0] != '-' || argument[1] == '\0') {
            paths.push_back(argument);
            continue;
        }
        if (std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
            continue;
        }
        // The options this argument holds: one long one, or a bundle of short ones.
        const bool isLong = argument[1] == '-';
        for (size_t at = 1; argument[at] != '\0';) {
            std::string name;
            const char* joined = nullptr; // a value in the same argument
            if (isLong) {
                const char* equals = std::strchr(argument, '=');
                name.assign(argument, equals != nullptr ? size_t(equals - argument) : std::strlen(argument));
                joined = equals != nullptr ? equals + 1 : nullptr;
                at = std::strlen(argument);
            } else {
                name = std::string("-") + argument[at++];
                joined = argument[at] != '\0' ? argument + at : nullptr;
            }
            if (name == "--help" || name == "-h")
                return ParseResult::Help;
            const Option<Settings>* option = findOption(sections, name);
            if (option == nullptr) {
                // "-recursive" is most likely a long option with one dash.
                const std::string shown = isLong || argument[2] == '\0' ? name : name + " in " + argument;
                reportUnknownOption(sections, shown, isLong || argument[2] == '\0' ? name : "-" + std::string(argument),
                                    usage);
                return ParseResult::UsageError;
            }
            const char* value = nullptr;
            if (option->value == nullptr && isLong && joined != nullptr) {
                std::fprintf(stderr, "scour: %s takes no value\n", name.c_str());
                return ParseResult::UsageError;
            }
            if (option->value != nullptr) {
                if (joined == nullptr && i + 1 >= argc) {
                    std::fprintf(stderr, "scour: %s needs a value\n", name.c_str());
                    return ParseResult::UsageError;
                }
                value = joined != nullptr ? joined : argv[++i];
                at = std::strlen(argument);
            }
            if (option->set != nullptr)
                option->set(settings, value);
        }
    }
    return ParseResult::Go;
}
