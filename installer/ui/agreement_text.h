// The agreement page without windows: reading CopyRight.txt and the rule that
// enables the agree button.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class Platform;

// The size of the buffer the text was once read into; a file of more bytes
// is still shown whole.
constexpr size_t kAgreementBufferBytes = 204800;

// "%s\CopyRight.txt" in the medium folder.
std::wstring agreementPath(const std::wstring& mediumFolder);

// The file's bytes read as UTF-16LE, byte for byte (a byte-order mark stays as
// the first character); an odd last byte pairs with a zero byte; the text ends
// at the first U+0000.
std::wstring agreementTextFromBytes(const std::vector<uint8_t>& bytes);

// The whole file, opened with reading and writing shared; nothing when it
// cannot be opened or read.
std::optional<std::wstring> loadAgreementText(Platform& platform, const std::wstring& mediumFolder);

// A vertical scroll bar as the text box reports it.
struct ScrollState {
    int position = 0;
    int maximum = 0;
    unsigned page = 0;
    // The highest position the box can scroll to.
    int limit() const;
    bool atEnd() const;
};

// What reaches the text box. The text can be moved by its scroll bar, by the
// wheel and, with the box focused, by the keys (arrows, Page Down, End,
// Ctrl+End): a person without a mouse must be able to agree too.
enum class TextBoxInput { ScrollBar, Wheel, Key, Other };

// Whether the box runs the agree check after it has handled the input.
bool runsAgreeCheck(TextBoxInput input);

// The agree button: enabled until a loaded text does not fit, then enabled
// for good once the text has been scrolled to its end, however it was
// scrolled.
class AgreeButtonRule {
public:
    // The text has been set; answers whether the button is enabled.
    bool textLoaded(const ScrollState& scroll);
    // A scroll-bar action, a wheel turn or a key has moved the text.
    bool scrolled(const ScrollState& scroll);
    bool enabled() const { return enabled_; }

private:
    bool enabled_ = true;
};
