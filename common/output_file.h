// A file written front to back through a large buffer, checked at every step.
//
// Numbers go out little-endian whatever the host's byte order. A regular file is replaced
// atomically: the data go to a temporary file in the same directory, which takes the file's
// place by a rename once it is complete and closed. Until then the earlier file stays as it
// was, so an interrupted run, or two runs at once, leave either the earlier or a new complete
// file, never a cut or mixed one. When the path is a symbolic link, the file it points to is
// replaced and the link stays.
//
// A file larger than its buffer is written on a thread of its own, a full buffer at a time,
// while the next buffer is filled.
//
// A file that is not committed successfully (a failed write, a failed close or rename, or an
// early return) is removed together with its temporary file, so no partial or stale file is
// left behind. A device or pipe that the path names (such as /dev/full) is written in place
// and never removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/background_writer.h"

class OutputFile {
  public:
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Where the data go until the commit.
    enum class Placement {
        ANYWHERE,   // a temporary file, or the file itself where no temporary file can be made
        TEMPORARY,  // a temporary file only: for files that must change together with others
    };

    // Creates the file for binary writing (its temporary file, for a regular file). False when
    // it cannot be created; whatever stands at the path is then left alone. With TEMPORARY,
    // a path that names no regular file, or whose directory takes no temporary file, fails.
    bool open(Placement placement = Placement::ANYWHERE);

    void writeBytes(const void* data, std::size_t size);
    void writeText(std::string_view text) { writeBytes(text.data(), text.size()); }
    void writeInt32(int32_t value) { writeInt32s(&value, 1); }
    void writeFloat64(double value) { writeFloat64s(&value, 1); }
    void writeInt32s(const int32_t* values, std::size_t count);
    void writeFloat64s(const double* values, std::size_t count);
    // `value` `count` times, formatted straight into the buffer.
    void writeRepeatedFloat64(double value, std::size_t count);

    // Room for at least `size` more bytes at the end of the buffer; `commitChars` then
    // takes the number actually used. For formatting numbers in place.
    char* reserveChars(std::size_t size);
    void commitChars(std::size_t used) { buffered_ += used; }

    // Writes what is buffered, closes the file and puts it in place. False (and the file
    // removed) when any write, the close or the rename failed.
    bool commit() { return finishWriting() && putInPlace(); }
    // The two steps of the commit, for files put in place together: the data written and the
    // temporary file closed, and then its rename. Each is false (and the file removed) when
    // it failed.
    bool finishWriting();
    bool putInPlace();

    const std::string& path() const { return path_; }
    // The system's error number of the first step that failed; 0 where none is known.
    int error() const { return error_; }

  private:
    bool openTemporary();
    // Hands what is buffered to the writing thread, which the first such flush starts; `here`
    // writes it on this thread instead, once the writing thread has written everything before.
    void flush(bool here = false);
    void discard();
    void removeFiles();
    void fail(int error);

    std::string path_;
    std::string target_;     // path_ with its symbolic links followed: the file replaced
    std::string temporary_;  // the file written until the commit; empty when written in place
    int temporarySlot_ = -1;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    int error_ = 0;
    bool closed_ = false;   // finishWriting succeeded: only the rename is left
    bool regular_ = false;  // the target is a regular file (or none yet), which a failure removes
    std::vector<char> buffer_;
    std::size_t buffered_ = 0;
    BackgroundWriter writer_;
};

// Follows the symbolic links at `path` to the file they lead to, which need not exist yet.
// A relative link is taken from the directory of the link. Gives up after as many links as
// the system would follow, leaving the rest to the open.
std::string followLinks(std::string path);
