#include "cli/ModelFiles.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "cli/LowerCase.h"

namespace fs = std::filesystem;

namespace {

bool hasModelExtension(const fs::path& path)
{
    const std::string extension = path.extension().string();
    return extension.size() == 4 && lowerCase(extension) == ".3do";
}

// The full path as the open-file dialog gives it, whatever form was typed.
std::string fullPath(const fs::path& path)
{
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error)
        return path.string();
    return absolute.lexically_normal().string();
}

// Adds the model files of folder, sorted; false when the folder could not be
// searched completely or holds no model.
bool addFolder(const fs::path& folder, bool recursive, PathForm form, std::vector<std::string>& files)
{
    std::vector<fs::path> found;
    std::error_code error;
    bool hasSubfolders = false;
    // Entries of an absolute folder are absolute: no working folder to ask per file.
    fs::path start = form == PathForm::Full ? fs::absolute(folder, error) : folder;
    if (error)
        start = folder;
    error.clear();
    auto consider = [&](const fs::directory_entry& entry) {
        std::error_code typeError;
        if (entry.is_regular_file(typeError) && hasModelExtension(entry.path()))
            found.push_back(entry.path());
        else if (entry.is_directory(typeError))
            hasSubfolders = true;
    };
    if (recursive) {
        fs::recursive_directory_iterator it(start, fs::directory_options::skip_permission_denied, error), end;
        for (; !error && it != end; it.increment(error))
            consider(*it);
    } else {
        fs::directory_iterator it(start, error), end;
        for (; !error && it != end; it.increment(error))
            consider(*it);
    }
    if (error) {
        std::fprintf(stderr, "scour: cannot search %s: %s\n", folder.string().c_str(), error.message().c_str());
        return false;
    }
    if (found.empty()) {
        std::fprintf(stderr, "scour: no .3do files in %s%s\n", folder.string().c_str(),
                     !recursive && hasSubfolders ? "; --recursive searches its subfolders" : "");
        return false;
    }
    std::sort(found.begin(), found.end());
    for (const fs::path& path : found)
        files.push_back(form == PathForm::Full ? fullPath(path) : path.string());
    return true;
}

} // namespace

bool pathExists(const std::string& path)
{
    try {
        std::error_code error;
        return fs::status(path, error).type() != fs::file_type::not_found;
    } catch (const std::exception&) {
        // A name the library cannot convert is refused when the files are gathered.
        return true;
    }
}

bool everyPathExists(const std::vector<std::string>& paths)
{
    bool found = true;
    for (const std::string& path : paths) {
        if (pathExists(path))
            continue;
        std::fprintf(stderr, "scour: no such file or folder: %s\n", path.c_str());
        found = false;
    }
    return found;
}

bool collectModelFiles(const std::vector<std::string>& paths, bool recursive, PathForm form,
                       std::vector<std::string>& files, int& exitCode)
{
    try {
        for (const std::string& argument : paths) {
            std::error_code error;
            if (fs::is_directory(argument, error)) {
                if (!addFolder(argument, recursive, form, files))
                    exitCode = 1;
                continue;
            }
            files.push_back(form == PathForm::Full ? fullPath(argument) : argument);
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "scour: cannot use a path: %s\n", failure.what());
        return false;
    }
    return true;
}
