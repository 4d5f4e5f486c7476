// The textures a mod ships, which scour lint checks models against: found at the
// mod root, the nearest folder at or above a model that holds unittextures/tatex/
// (bitmaps, and teamtex.txt for the names painted in the player's colour) or
// textures/ (GAF files). Each root is read once per run. Names compare without
// regard to letter case.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

// Why a GAF file cannot be read; empty when it can. names receives its entries.
std::string readGafNames(const unsigned char* bytes, size_t size, std::vector<std::string>& names);

// True when folder holds unittextures/ or textures/ (any letter case): a mod
// root that --mod may name.
bool isModRoot(const std::string& folder);

struct TextureSet {
    std::string root;
    bool hasBitmaps = false;          // unittextures/tatex/ is there
    std::set<std::string> bitmaps;    // its .bmp and .tga files, lower case, without extension
    std::set<std::string> teamColour; // names in teamtex.txt, lower case
    std::set<std::string> gafEntries; // entries of textures/*.gaf, lower case
    // GAF files that cannot be read, with the reason.
    std::vector<std::pair<std::string, std::string>> unreadable;
    std::map<std::string, std::string> bitmapFiles; // each of bitmaps, with its file's path
    std::vector<std::string> gafFiles;              // the paths of textures/*.gaf, sorted

    // True when a model's texture name is among the mod's textures: a bitmap
    // named after it (with "00", its first frame, unless it is painted in the
    // player's colour), or a GAF entry of that name.
    bool holds(const std::string& name) const;
    // The path of the bitmap that holds says is a texture name's, or "".
    std::string bitmapFile(const std::string& name) const;
};

class ModTextures {
public:
    // With a root given, every model is checked against it.
    explicit ModTextures(const std::string& fixedRoot = "");

    // The textures of the mod a model belongs to, or null when none is found.
    // unreadable lists of a set are to be told once: firstTime says whether this
    // call read the set.
    const TextureSet* forModel(const std::string& modelPath, bool* firstTime);

private:
    // shownRoot is root as the files of the set are to be named.
    const TextureSet* load(const std::string& root, const std::string& shownRoot, bool* firstTime);
    // The mod root at or above folder, or "" for none; remembered per folder.
    std::string rootAbove(const std::string& folder);

    std::string fixed;
    std::map<std::string, TextureSet> sets;
    std::map<std::string, std::string> roots;
};
