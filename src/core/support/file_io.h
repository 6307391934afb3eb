// Block file I/O for the document's files: reads at explicit offsets with size checks, and the
// writer that replaces a user's file safely (a temporary file in the same folder, renamed over the
// old one only when everything was written). No per-sample calls: callers hand over whole blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "support/strings.h"

namespace qv {

// Bytes to parse, from a file or from memory (tests and fuzzers): the size is known up front so
// that offsets from a header can be checked before anything is read.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::int64_t size() const = 0;
    // Reads exactly count bytes at offset; false when the range is not inside the source.
    virtual bool read(std::int64_t offset, void* destination, std::size_t count) = 0;
};

class MemorySource : public ByteSource {
  public:
    MemorySource(const void* data, std::size_t size) : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}
    std::int64_t size() const override { return static_cast<std::int64_t>(size_); }
    bool read(std::int64_t offset, void* destination, std::size_t count) override;

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};

class InputFile : public ByteSource {
  public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile() override;

    bool open(const std::string& path);
    bool isOpen() const { return file_ != nullptr; }
    std::int64_t size() const override { return size_; }
    bool read(std::int64_t offset, void* destination, std::size_t count) override;

  private:
    std::FILE* file_ = nullptr;
    std::int64_t size_ = 0;
};

// Size of a file in bytes, or -1 when it cannot be opened.
std::int64_t fileSize(const std::string& path);
bool fileExists(const std::string& path);

// Writes a file through a temporary file in the same folder. commit() closes it and renames it
// over the target; a writer destroyed without a successful commit removes the temporary file, so
// the old target stays byte-identical.
class ReplacingFileWriter {
  public:
    ReplacingFileWriter() = default;
    ReplacingFileWriter(const ReplacingFileWriter&) = delete;
    ReplacingFileWriter& operator=(const ReplacingFileWriter&) = delete;
    ~ReplacingFileWriter();

    // False when no temporary file can be created next to the target.
    bool open(const std::string& path);
    bool write(const void* data, std::size_t count);
    bool commit();
    const std::string& temporaryPath() const { return temporary_; }

  private:
    void discard();

    std::FILE* file_ = nullptr;
    std::string target_;
    std::string temporary_;
    bool failed_ = false;
};

// Files that dialogs read whole into memory (a generator's Import and data files, the converters'
// Load) are bounded, so that a huge file is refused with a clear message rather than exhausting
// memory inside a window procedure.
inline constexpr std::int64_t maxWholeFileBytes = 64ll * 1024 * 1024;
// Reads a whole file into `bytes`: CantOpenFile when it cannot be opened or read, FileTooLarge
// beyond `limit` bytes, MemoryNotEnough when the memory cannot be had. `bytes` is changed only on
// success.
Msg readWholeFile(const std::string& path, std::string& bytes, std::int64_t limit = maxWholeFileBytes);

// Joins a folder and a file name with the platform's separator ("\" on Windows).
std::string joinPath(const std::string& folder, const char* name);

} // namespace qv
