// The model files that the paths on a command line name: files as given, and
// the *.3do files of folders (any letter case), sorted, with their subfolders'
// when recursive.
#pragma once

#include <string>
#include <vector>

// How a found file is named: by its full path (as the window program's report
// names files), or as the user wrote it, a folder's files below its name as given.
enum class PathForm : unsigned char { Full, AsGiven };

// False when path names nothing at all; a path the system will not look at (in a
// folder without search permission) exists as far as we know, and its read
// tells the reason.
bool pathExists(const std::string& path);
// The paths on the command line that name nothing, each told on standard error
// ("scour: no such file or folder: lnit"); true when there was none. A command
// that edits files in place must not run on a half-understood command line.
bool everyPathExists(const std::vector<std::string>& paths);

// Appends each model file to files. A folder that cannot be searched whole, or
// yields no model, is told on standard error and sets exitCode to 1. False (a
// usage error) for a name the file system library cannot convert, which only
// Windows can meet.
bool collectModelFiles(const std::vector<std::string>& paths, bool recursive, PathForm form,
                       std::vector<std::string>& files, int& exitCode);
