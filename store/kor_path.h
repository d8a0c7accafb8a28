// File-system helpers for project directories.
//
// A project directory is kept with a trailing separator, so that a store file's
// path is the directory followed directly by its file name. Stored paths may come
// from Windows: a "\" in them is read as a separator.
#pragma once

#include <string>
#include <vector>

namespace korin::path {

// Turns "\" into "/" and appends "/" when the text does not end in one.
// An empty text stays empty.
std::string AsDirectory(const std::string& dir);

// "\" becomes "/"; nothing else changes.
std::string Native(const std::string& path);

bool FileExists(const std::string& path);       // a regular file (or link to one)
bool DirectoryExists(const std::string& path);
bool AnyExists(const std::string& path);        // file, directory or anything else

// True when `dir` holds an entry whose name equals `name` ignoring ASCII case
// (project files written on Windows may differ in case: "dir.ref", "Dir.ref").
bool ExistsIgnoringCase(const std::string& dir, const std::string& name);

// Removes a file; true when it is gone afterwards (also when it never existed).
bool RemoveFile(const std::string& path);

// Names of the entries of a directory, "." and ".." excluded; empty when it
// cannot be read.
std::vector<std::string> ListDirectory(const std::string& dir);

}  // namespace korin::path
