#include "cli/ModTextures.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "cli/LowerCase.h"
#include "cli/OutcomeText.h"
#include "model/LittleEndian.h"
#include "platform/File.h"
#include "render/GafFile.h"

namespace fs = std::filesystem;

namespace {

// The entry of folder whose name is name in any letter case, or "".
fs::path childNamed(const fs::path& folder, const std::string& name)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (lowerCase(it->path().filename().string()) == name)
            return it->path();
    }
    return fs::path();
}

bool isFolder(const fs::path& path)
{
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

// A mod's largest GAF files hold a few megabytes; far larger is no texture file.
constexpr uint32_t MaxGafFileSize = 256u << 20;

// The whole file, or why it cannot be read.
std::string readAll(const fs::path& path, std::vector<unsigned char>& bytes)
{
    uint8_t* data = nullptr;
    uint32_t size = 0;
    SystemError error;
    const ReadFileResult result = readWholeFile(path.string().c_str(), MaxGafFileSize, &data, &size, &error);
    if (result == ReadFileResult::TooLarge)
        return "the file is too large";
    if (result != ReadFileResult::Ok)
        return "the file cannot be read: " + systemErrorText(error);
    bytes.assign(data, data + size);
    delete[] data;
    return "";
}

} // namespace

std::string readGafNames(const unsigned char* bytes, size_t size, std::vector<std::string>& names)
{
    GafFile gaf;
    const GafResult opened = gaf.open(bytes, size > UINT32_MAX ? UINT32_MAX : uint32_t(size));
    if (opened == GafResult::NotGaf && size < GafHeaderSize)
        return "the file is shorter than a GAF header";
    if (opened == GafResult::NotGaf)
        return "not a GAF file (version " + std::to_string(loadLittle32(bytes)) + ")";
    if (opened != GafResult::Ok)
        return "its " + std::to_string(loadLittle32(bytes + 4)) + " entries do not fit in the file";
    for (uint32_t i = 0; i < gaf.entryCount(); ++i) {
        char name[GafNameSize + 1];
        if (gaf.entryName(i, name) != GafResult::Ok)
            return "entry " + std::to_string(i) + " lies outside the file";
        names.push_back(name);
    }
    return "";
}

bool TextureSet::holds(const std::string& name) const
{
    const std::string key = lowerCase(name);
    if (gafEntries.count(key) != 0)
        return true;
    if (!hasBitmaps)
        return false;
    return bitmaps.count(teamColour.count(key) != 0 ? key : key + "00") != 0;
}

bool isModRoot(const std::string& folder)
{
    return isFolder(childNamed(folder, "unittextures")) || isFolder(childNamed(folder, "textures"));
}

std::string TextureSet::bitmapFile(const std::string& name) const
{
    const std::string key = lowerCase(name);
    auto found = bitmapFiles.find(teamColour.count(key) != 0 ? key : key + "00");
    return hasBitmaps && found != bitmapFiles.end() ? found->second : std::string();
}

ModTextures::ModTextures(const std::string& fixedRoot) : fixed(fixedRoot) {}

const TextureSet* ModTextures::forModel(const std::string& modelPath, bool* firstTime)
{
    *firstTime = false;
    std::error_code error;
    fs::path folder = fs::absolute(modelPath, error).parent_path();
    const std::string root = fixed.empty() ? rootAbove(folder.string()) : fixed;
    if (root.empty())
        return nullptr;
    // A model named by a relative path has its mod's files named relative too.
    std::string shownRoot = root;
    if (fs::path(modelPath).is_relative() && fs::path(root).is_absolute()) {
        const fs::path relative = fs::path(root).lexically_relative(fs::current_path(error));
        if (!error && !relative.empty())
            shownRoot = relative.string();
    }
    return load(root, shownRoot, firstTime);
}

std::string ModTextures::rootAbove(const std::string& start)
{
    std::vector<std::string> visited;
    std::string found;
    for (fs::path folder = start;; folder = folder.parent_path()) {
        const std::string key = folder.string();
        auto known = roots.find(key);
        if (known != roots.end()) {
            found = known->second;
            break;
        }
        visited.push_back(key);
        const fs::path units = childNamed(folder, "unittextures");
        if (isFolder(childNamed(units, "tatex")) || isFolder(childNamed(folder, "textures"))) {
            found = key;
            break;
        }
        if (folder == folder.parent_path() || folder.parent_path().empty())
            break;
    }
    for (const std::string& key : visited)
        roots[key] = found;
    return found;
}

const TextureSet* ModTextures::load(const std::string& root, const std::string& shownRoot, bool* firstTime)
{
    auto known = sets.find(root);
    if (known != sets.end())
        return &known->second;
    *firstTime = true;
    TextureSet& set = sets[root];
    set.root = root;
    std::error_code error;
    const fs::path tatex = childNamed(childNamed(root, "unittextures"), "tatex");
    set.hasBitmaps = isFolder(tatex);
    for (fs::directory_iterator it(set.hasBitmaps ? tatex : fs::path(), error), end;
         set.hasBitmaps && !error && it != end; it.increment(error)) {
        const std::string extension = lowerCase(it->path().extension().string());
        const std::string stem = lowerCase(it->path().stem().string());
        if (extension == ".bmp" || extension == ".tga") {
            set.bitmaps.insert(stem);
            // Of two files for one name, the same one whatever the folder's order.
            auto file = set.bitmapFiles.emplace(stem, it->path().string());
            if (!file.second && it->path().string() < file.first->second)
                file.first->second = it->path().string();
        }
        if (lowerCase(it->path().filename().string()) != "teamtex.txt")
            continue;
        std::vector<unsigned char> bytes;
        readAll(it->path(), bytes);
        const std::string list(bytes.begin(), bytes.end());
        for (size_t start = 0; start < list.size();) {
            size_t stop = list.find('\n', start);
            if (stop == std::string::npos)
                stop = list.size();
            const std::string line = list.substr(start, stop - start);
            start = stop + 1;
            const size_t first = line.find_first_not_of(" \t\r");
            const size_t last = line.find_last_not_of(" \t\r");
            if (first != std::string::npos)
                set.teamColour.insert(lowerCase(line.substr(first, last - first + 1)));
        }
    }
    const fs::path textures = childNamed(root, "textures");
    std::vector<fs::path> gafs;
    for (fs::directory_iterator it(isFolder(textures) ? textures : fs::path(), error), end;
         isFolder(textures) && !error && it != end; it.increment(error)) {
        if (lowerCase(it->path().extension().string()) == ".gaf")
            gafs.push_back(it->path());
    }
    std::sort(gafs.begin(), gafs.end());
    for (const fs::path& gaf : gafs)
        set.gafFiles.push_back(gaf.string());
    for (const fs::path& gaf : gafs) {
        std::vector<unsigned char> bytes;
        std::vector<std::string> names;
        std::string fault = readAll(gaf, bytes);
        if (fault.empty())
            fault = readGafNames(bytes.data(), bytes.size(), names);
        if (!fault.empty()) {
            set.unreadable.push_back({(fs::path(shownRoot) / gaf.lexically_relative(root)).string(), fault});
            continue;
        }
        for (const std::string& name : names)
            set.gafEntries.insert(lowerCase(name));
    }
    return &set;
}
