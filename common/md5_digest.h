// One MD5 computation (OpenSSL's MD5_Init, MD5_Update, MD5_Final) and its
// text form: 32 lower-case hexadecimal digits, the digest bytes in order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct MD5state_st;

class Md5Digest {
public:
    static constexpr size_t kTextLength = 32;
    using Bytes = std::array<uint8_t, 16>;

    // Allocates and starts the context; without memory the context stays null
    // and every operation does nothing.
    Md5Digest();
    ~Md5Digest();
    Md5Digest(Md5Digest&&) noexcept;
    Md5Digest& operator=(Md5Digest&&) noexcept;
    Md5Digest(const Md5Digest&) = delete;
    Md5Digest& operator=(const Md5Digest&) = delete;

    bool hasContext() const { return context_ != nullptr; }
    void update(const void* data, size_t length);
    // Completes the computation; nothing without a context. Afterwards the
    // context is spent and further updates do nothing.
    std::optional<Bytes> finish();

    // Writes the text and a NUL at position 32 and sets `capacity` to 32.
    // Answers null and writes nothing when the buffer is missing, the capacity
    // is below 33, or no digest has been finished.
    char* toText(char* buffer, size_t& capacity) const;
    // The text, or empty when no digest has been finished.
    std::string toText() const;

private:
    struct FreeContext {
        void operator()(MD5state_st* context) const;
    };

    std::unique_ptr<MD5state_st, FreeContext> context_;
    std::optional<Bytes> digest_;
};

// The text form of any 16 digest bytes.
std::string md5Text(const Md5Digest::Bytes& digest);
