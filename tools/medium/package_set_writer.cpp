#include "package_set_writer.h"

#include "common/text.h"
#include "tools/medium/disc_set.h"

PackageSetWriter::PackageSetWriter(Platform& platform, std::wstring mediumFolder, uint64_t discSize)
    : platform_(platform),
      mediumFolder_(std::move(mediumFolder)),
      discSize_(discSize),
      firstHashedOnTheWay_(discSize == 0) {}

PackageSetWriter::~PackageSetWriter() = default;

bool PackageSetWriter::fail(const std::wstring& text) {
    if (error_.empty()) {
        error_ = text;
    }
    return false;
}

void PackageSetWriter::closeCurrent() {
    if (sizes_.size() > 1 || firstHashedOnTheWay_) {
        digests_.push_back(digest_.finish() ? digest_.toText() : std::string());
        digest_ = Md5Digest();
    } else {
        digests_.emplace_back();  // data1.pck is hashed once its header is final
    }
    current_.reset();
}

bool PackageSetWriter::openNext() {
    if (!sizes_.empty()) {
        closeCurrent();
    }
    const int number = static_cast<int>(sizes_.size()) + 1;
    const std::wstring path = packageFilePath(mediumFolder_, number);
    auto file = platform_.open(path, OpenMode::Write, Share::None);
    if (!file) {
        return fail(path + L": cannot be created");
    }
    if (number == 1) {
        first_ = std::move(file);
    } else {
        current_ = std::move(file);
    }
    sizes_.push_back(0);
    return true;
}

bool PackageSetWriter::beginUnit(uint64_t size) {
    if (discSize_ != 0 && size > discSize_) {
        return fail(L"a disc size of " + std::to_wstring(discSize_) +
                    L" bytes is too small: one piece of the stream that cannot be split takes " +
                    std::to_wstring(size) + L" bytes");
    }
    if (sizes_.empty() || (discSize_ != 0 && sizes_.back() + size > discSize_)) {
        return openNext();
    }
    return true;
}

bool PackageSetWriter::write(const void* data, size_t size) {
    File* file = current_ ? current_.get() : first_.get();
    if (file == nullptr) {
        return fail(L"nothing to write into");
    }
    if (file->write(data, size) != size) {
        return fail(packageFilePath(mediumFolder_, packageCount()) +
                    L": write failed (disk full?)");
    }
    if (sizes_.size() > 1 || firstHashedOnTheWay_) {
        digest_.update(data, size);
    }
    sizes_.back() += size;
    return true;
}

bool PackageSetWriter::finish(PackageHeader header) {
    if (!error_.empty() || !first_) {
        return fail(L"no package written");
    }
    closeCurrent();
    header.packageCount = static_cast<uint32_t>(sizes_.size());
    auto bytes = header.serialize();
    if (!first_->seek(0) || first_->write(bytes.data(), bytes.size()) != bytes.size()) {
        return fail(packageFilePath(mediumFolder_, 1) + L": header cannot be written");
    }
    first_.reset();
    if (!firstHashedOnTheWay_) {
        const std::wstring path = packageFilePath(mediumFolder_, 1);
        auto file = platform_.open(path, OpenMode::Read);
        if (!file) {
            return fail(path + L": cannot be read back");
        }
        Md5Digest digest;
        std::vector<uint8_t> block(1U << 20);
        uint64_t total = 0;
        for (size_t got; (got = file->read(block.data(), block.size())) > 0; total += got) {
            digest.update(block.data(), got);
        }
        if (total != sizes_[0] || !digest.finish()) {
            return fail(path + L": cannot be read back");
        }
        digests_[0] = digest.toText();
    }
    return true;
}

void PackageSetWriter::discard() {
    first_.reset();
    current_.reset();
    for (size_t i = 0; i < sizes_.size(); ++i) {
        platform_.deleteFile(packageFilePath(mediumFolder_, static_cast<int>(i) + 1));
    }
}
