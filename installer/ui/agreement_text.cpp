#include "installer/ui/agreement_text.h"

#include "common/platform.h"
#include "common/text.h"

std::wstring agreementPath(const std::wstring& mediumFolder) {
    return mediumFolder + L"\\CopyRight.txt";
}

std::wstring agreementTextFromBytes(const std::vector<uint8_t>& bytes) {
    std::u16string units;
    units.reserve(bytes.size() / 2 + 1);
    for (size_t i = 0; i < bytes.size(); i += 2) {
        const uint8_t high = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        const char16_t unit = static_cast<char16_t>(bytes[i] | (high << 8));
        if (unit == 0) {
            break;
        }
        units.push_back(unit);
    }
    return wideFromUtf16(units);
}

std::optional<std::wstring> loadAgreementText(Platform& platform,
                                              const std::wstring& mediumFolder) {
    auto bytes = readWholeFile(platform, agreementPath(mediumFolder), Share::All);
    if (!bytes) {
        return std::nullopt;
    }
    return agreementTextFromBytes(*bytes);
}

bool runsAgreeCheck(TextBoxInput input) {
    return input != TextBoxInput::Other;
}

int ScrollState::limit() const {
    // A page of n lines shows n - 1 lines below the top one. A page larger
    // than the range (a text that fits) has nowhere to scroll.
    const long long last = static_cast<long long>(maximum) - (page > 0 ? page - 1 : 0);
    return last < 0 ? 0 : static_cast<int>(last);
}

bool ScrollState::atEnd() const {
    return limit() - position == 0;
}

bool AgreeButtonRule::textLoaded(const ScrollState& scroll) {
    enabled_ = scroll.atEnd();
    return enabled_;
}

bool AgreeButtonRule::scrolled(const ScrollState& scroll) {
    if (scroll.atEnd()) {
        enabled_ = true;
    }
    return enabled_;
}
