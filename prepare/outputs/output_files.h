// SPDX-License-Identifier: MIT
#pragma once

// Writing the prepared files safely. Every file is first written under a temporary name
// in its own folder and moved to its name only once all of a run's files are complete:
// a failure (a full disk, an unwritable folder) leaves no partial file behind, and the
// files that were there before stay as they were.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Whether anything (a file, a folder, a device) has this name. Names are UTF-8.
bool pathExists(const std::string& path);

// Whether both names lead to one and the same existing file.
bool sameFile(const std::string& a, const std::string& b);

// Whether the file at `path` holds exactly `text`, as writeWholeFile writes text there.
bool holdsText(const std::string& path, const std::string& text);

// Writes the bytes as the whole file, in binary, or the text in text mode (CR LF line ends
// on Windows). False when the file cannot be created or written in full.
bool writeWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size, bool text = false);

// A run's outputs under their temporary names. The destructor removes whatever was not
// moved into place.
class OutputBatch {
public:
    explicit OutputBatch(std::vector<std::string> finalPaths);
    ~OutputBatch();
    OutputBatch(const OutputBatch&) = delete;
    OutputBatch& operator=(const OutputBatch&) = delete;

    const std::string& temporaryPath(std::size_t i) const { return temporaries[i]; }
    const std::string& finalPath(std::size_t i) const { return finals[i]; }
    std::size_t size() const { return finals.size(); }

    // Moves every file to its final name, replacing what is there. False, with the name
    // that could not be replaced in `failed`, at the first that fails.
    bool commit(std::string& failed);

private:
    std::vector<std::string> finals;
    std::vector<std::string> temporaries;
    std::vector<bool> moved;
};
