// SPDX-License-Identifier: MIT
#include "run/source_reading.h"

#include "file_stream.h"
#include "prepare_run.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>

namespace {

// The bytes of an open file from where it stands, appended to `bytes` up to `most` in
// all, or the message why they cannot be read. A pipe is read once, so the bytes taken to
// see what the file is are kept and the rest is read from the same stream.
std::string appendFileBytes(std::FILE* file, const std::string& path, std::vector<std::uint8_t>& bytes,
                            std::size_t most = std::numeric_limits<std::size_t>::max())
{
    const std::int64_t size = regularFileSize(file);
    if (size > 0)
        bytes.reserve(std::min(static_cast<std::size_t>(size), most));
    std::uint8_t piece[1 << 16];
    std::size_t got;
    while (bytes.size() < most &&
           (got = std::fread(piece, 1, std::min(sizeof piece, most - bytes.size()), file)) > 0)
        bytes.insert(bytes.end(), piece, piece + got);
    if (std::ferror(file))
        return "source file " + quoted(path) + " can not be read";
    return {};
}

} // namespace

int readSource(const SourceJob& job, Source& source)
{
    FilePtr file(openFile(job.source.c_str(), "rb"));
    if (!file)
        return fail(job.notes, sourceUnreadable, "source file " + quoted(job.source) + " can not be opened");
    std::string unreadable = appendFileBytes(file.get(), job.source, source.bytes, longestSignature);
    if (!unreadable.empty())
        return fail(job.notes, sourceUnreadable, unreadable);
    source.format = sniffFormat(source.bytes.data(), source.bytes.size());
    // Whether panelbake itself reads this BMP: its header is accepted as panelbake accepts
    // it. Only a regular file is opened again to see: a pipe's bytes are had only once, and
    // they are taken here.
    source.panelbakeReads = source.format == PictureFormat::bmp && regularFileSize(file.get()) >= 0 &&
                            source.picture.loadHeader(job.source.c_str(), source.header);
    // Any other picture is read whole.
    const PrepareOptions& options = job.options;
    source.readByRows = source.panelbakeReads && (options.adjustments.any() || options.reduction.requested);
    if (!source.readByRows) {
        // Closed before anything is written: with --force the output may replace the source
        // itself, which Windows refuses while the source is open.
        source.header.stream.reset();
        unreadable = appendFileBytes(file.get(), job.source, source.bytes);
        if (!unreadable.empty())
            return fail(job.notes, sourceUnreadable, unreadable);
    }
    return prepared;
}
