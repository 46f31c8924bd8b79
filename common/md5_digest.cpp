// MD5_Init, MD5_Update and MD5_Final are deprecated in OpenSSL 3 in favour of
// the EVP layer, but they are the calls this component is defined over and
// they stay available; only the warning is silenced.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "md5_digest.h"

#include <openssl/md5.h>

#include <cstdlib>
#include <cstring>

void Md5Digest::FreeContext::operator()(MD5state_st* context) const {
    std::free(context);
}

Md5Digest::Md5Digest() : context_(static_cast<MD5_CTX*>(std::malloc(sizeof(MD5_CTX)))) {
    if (context_ && MD5_Init(context_.get()) != 1) {
        context_.reset();
    }
}

Md5Digest::~Md5Digest() = default;
Md5Digest::Md5Digest(Md5Digest&&) noexcept = default;
Md5Digest& Md5Digest::operator=(Md5Digest&&) noexcept = default;

void Md5Digest::update(const void* data, size_t length) {
    if (context_ && length > 0) {
        MD5_Update(context_.get(), data, length);
    }
}

std::optional<Md5Digest::Bytes> Md5Digest::finish() {
    if (!context_) {
        return digest_;
    }
    Bytes bytes{};
    if (MD5_Final(bytes.data(), context_.get()) == 1) {
        digest_ = bytes;
    }
    context_.reset();
    return digest_;
}

char* Md5Digest::toText(char* buffer, size_t& capacity) const {
    if (buffer == nullptr || capacity < kTextLength + 1 || !digest_) {
        return nullptr;
    }
    std::string text = md5Text(*digest_);
    std::memcpy(buffer, text.c_str(), kTextLength + 1);
    capacity = kTextLength;
    return buffer;
}

std::string Md5Digest::toText() const {
    return digest_ ? md5Text(*digest_) : std::string();
}

std::string md5Text(const Md5Digest::Bytes& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(Md5Digest::kTextLength);
    for (uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}
