// Block file I/O through C stdio: one call per block, with the range checked against the size
// taken when the file was opened.
#include "support/file_io.h"

#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

namespace qv {

bool MemorySource::read(std::int64_t offset, void* destination, std::size_t count) {
    if (offset < 0 || offset > size() || static_cast<std::int64_t>(count) > size() - offset) return false;
    if (count != 0) std::memcpy(destination, data_ + offset, count);
    return true;
}

InputFile::~InputFile() {
    if (file_) std::fclose(file_);
}

bool InputFile::open(const std::string& path) {
    if (file_) std::fclose(file_);
    size_ = 0;
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) return false;
    if (std::fseek(file_, 0, SEEK_END) != 0) {
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    long end = std::ftell(file_);
    if (end < 0) {
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    size_ = end;
    return true;
}

bool InputFile::read(std::int64_t offset, void* destination, std::size_t count) {
    if (!file_ || offset < 0 || offset > size_ || static_cast<std::int64_t>(count) > size_ - offset) return false;
    if (count == 0) return true;
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return false;
    return std::fread(destination, 1, count, file_) == count;
}

std::int64_t fileSize(const std::string& path) {
    InputFile file;
    return file.open(path) ? file.size() : -1;
}

bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(path), error);
}

ReplacingFileWriter::~ReplacingFileWriter() { discard(); }

void ReplacingFileWriter::discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        std::remove(temporary_.c_str());
        temporary_.clear();
    }
}

bool ReplacingFileWriter::open(const std::string& path) {
    discard();
    target_ = path;
    failed_ = false;
    // The temporary name extends the target's own name, so it lies in the same folder and the
    // final rename never crosses a volume.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = path + ".~qv" + std::to_string(attempt);
        if (fileExists(candidate)) continue;
        file_ = std::fopen(candidate.c_str(), "wb");
        if (!file_) return false;
        temporary_ = candidate;
        return true;
    }
    return false;
}

bool ReplacingFileWriter::write(const void* data, std::size_t count) {
    if (!file_ || failed_) return false;
    if (count != 0 && std::fwrite(data, 1, count, file_) != count) failed_ = true;
    return !failed_;
}

bool ReplacingFileWriter::commit() {
    if (!file_) return false;
    bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (failed_ || !closed) {
        discard();
        return false;
    }
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(temporary_), std::filesystem::path(target_), error);
    if (error) {
        discard();
        return false;
    }
    temporary_.clear();
    return true;
}

std::string joinPath(const std::string& folder, const char* name) {
#ifdef _WIN32
    constexpr char separator = '\\';
#else
    constexpr char separator = '/';
#endif
    std::string path = folder;
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path += separator;
    return path + name;
}

Msg readWholeFile(const std::string& path, std::string& bytes, std::int64_t limit) {
    InputFile file;
    if (!file.open(path)) return Msg::CantOpenFile;
    if (file.size() > limit) return Msg::FileTooLargeToRead;
    try {
        std::string content(static_cast<std::size_t>(file.size()), '\0');
        if (!content.empty() && !file.read(0, content.data(), content.size())) return Msg::CantOpenFile;
        bytes = std::move(content);
    } catch (const std::bad_alloc&) {
        return Msg::MemoryNotEnough;
    }
    return Msg::None;
}

} // namespace qv
