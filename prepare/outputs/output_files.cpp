// SPDX-License-Identifier: MIT
#include "outputs/output_files.h"

#include "file_stream.h"

#include <cstdio>
#include <utility>

#ifdef _WIN32
#include "wide_names.h"

#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

#ifdef _WIN32
// The volume and index that identify a file, or false.
bool fileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info)
{
    HANDLE file = CreateFileW(utf8ToUtf16(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool found = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    return found;
}
#endif

// Moves a complete file over its final name. Windows' plain rename refuses an existing
// target, so it is asked to replace it.
bool replaceFile(const std::string& from, const std::string& to)
{
#ifdef _WIN32
    return MoveFileExW(utf8ToUtf16(from).c_str(), utf8ToUtf16(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

} // namespace

bool pathExists(const std::string& path)
{
#ifdef _WIN32
    return GetFileAttributesW(utf8ToUtf16(path).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat status;
    return stat(path.c_str(), &status) == 0;
#endif
}

bool sameFile(const std::string& a, const std::string& b)
{
#ifdef _WIN32
    BY_HANDLE_FILE_INFORMATION first;
    BY_HANDLE_FILE_INFORMATION second;
    return fileIdentity(a, first) && fileIdentity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
#else
    struct stat first;
    struct stat second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
#endif
}

bool holdsText(const std::string& path, const std::string& text)
{
    // Read in text mode, which makes Windows' CR LF line ends '\n' again; one byte more
    // than the text tells a longer file.
    const FilePtr file(openFile(path.c_str(), "r"));
    if (!file)
        return false;
    std::string inFile(text.size() + 1, '\0');
    inFile.resize(std::fread(&inFile[0], 1, inFile.size(), file.get()));
    return std::ferror(file.get()) == 0 && inFile == text;
}

bool writeWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size, bool text)
{
    std::FILE* file = openFile(path.c_str(), text ? "w" : "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(data, 1, size, file) == size && std::ferror(file) == 0;
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

OutputBatch::OutputBatch(std::vector<std::string> finalPaths) : finals(std::move(finalPaths)), moved(finals.size())
{
    // A name that is free now: a run that was killed may have left "NAME.part" behind.
    for (const std::string& name : finals) {
        std::string temporary = name + ".part";
        for (int n = 1; pathExists(temporary); ++n)
            temporary = name + ".part" + std::to_string(n);
        temporaries.push_back(temporary);
    }
}

OutputBatch::~OutputBatch()
{
    for (std::size_t i = 0; i < temporaries.size(); ++i)
        if (!moved[i])
            removeFile(temporaries[i].c_str());
}

bool OutputBatch::commit(std::string& failed)
{
    for (std::size_t i = 0; i < finals.size(); ++i) {
        if (!replaceFile(temporaries[i], finals[i])) {
            failed = finals[i];
            return false;
        }
        moved[i] = true;
    }
    return true;
}
