#pragma once

// File helpers. Files are opened per call and closed before the call returns.

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

// True when path names a regular file that can be opened for reading right now.
bool FileExists(const std::string& path);

// The date text and time text (see DayNumber.h) of the file's last modification in local time;
// "" when the file does not exist.
std::string FileDateText(const std::string& path);
std::string FileTimeText(const std::string& path);

// The file's last modification as a day number (local time, whole seconds); 0 when it does not
// exist. Equal to ToDayNumber(FileDateText(path), FileTimeText(path)).
double FileModifiedDayNumber(const std::string& path);

// Offset (from 1) of the first occurrence of pattern in the file at or after offset start (exact);
// 0 when there is none, the pattern is empty or the file cannot be read. A start below 1 counts as
// 1. A missing file is not created.
std::int64_t FindInFile(std::int64_t start, std::string_view pattern, const std::string& path);

// Deletes a file; false when it could not be deleted (a missing file is not an error).
bool DeleteFile(const std::string& path);

// The whole file as bytes; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& contents);

} // namespace tarnwick
