#include "core/collection/ImageSource.h"

#include <stdexcept>

namespace tw {

struct ImageSpool::SpoolFile {
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> handle{std::tmpfile()};
    std::uint64_t end = 0;
    // Sources may be read from worker threads.
    std::mutex mutex;
};

class ImageSpool::SpooledSource final : public ImageSource {
public:
    SpooledSource(std::shared_ptr<SpoolFile> file, std::uint64_t offset, std::uint64_t size)
        : file_(std::move(file)), offset_(offset), size_(size) {}

    std::vector<std::uint8_t> ReadBytes() const override {
        std::vector<std::uint8_t> bytes(size_);
        const std::lock_guard lock(file_->mutex);
        std::FILE* handle = file_->handle.get();
        if (std::fseek(handle, static_cast<long>(offset_), SEEK_SET) != 0 ||
            std::fread(bytes.data(), 1, bytes.size(), handle) != bytes.size()) {
            throw std::runtime_error("the kept copy of a source picture cannot be read back");
        }
        return bytes;
    }
    std::uint64_t Size() const override { return size_; }

private:
    std::shared_ptr<SpoolFile> file_;
    std::uint64_t offset_;
    std::uint64_t size_;
};

std::shared_ptr<const ImageSource> ImageSpool::Keep(std::vector<std::uint8_t> bytes) {
    if (!file_ && !unavailable_) {
        auto file = std::make_shared<SpoolFile>();
        unavailable_ = file->handle == nullptr;
        if (!unavailable_) {
            file_ = std::move(file);
        }
    }
    if (file_) {
        const std::lock_guard lock(file_->mutex);
        std::FILE* handle = file_->handle.get();
        const std::uint64_t offset = file_->end;
        if (std::fseek(handle, static_cast<long>(offset), SEEK_SET) == 0 &&
            std::fwrite(bytes.data(), 1, bytes.size(), handle) == bytes.size() &&
            std::fflush(handle) == 0) {
            file_->end += bytes.size();
            return std::make_shared<SpooledSource>(file_, offset, bytes.size());
        }
        // A full disk: the bytes stay in memory rather than being lost.
    }
    return std::make_shared<MemoryImageSource>(std::move(bytes));
}

void ImageSpool::DropIfUnused() {
    if (file_.use_count() == 1) {
        file_.reset();
    }
}

} // namespace tw
