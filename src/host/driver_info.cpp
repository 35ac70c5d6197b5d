#include "host/driver_info.h"

#include <array>
#include <cstring>

const char DriverMakerBlock[] = "Mettler Toledo\0"
                                "Digital Indicator 8142 via JN Port or JW Port with Continuous "
                                "Output Format";
const size_t DriverMakerBlockSize = sizeof DriverMakerBlock;

namespace {

constexpr int boxWidth = 65;
constexpr char bannerText[] = "  TRAVIK : METTLER TOLEDO driver for JN Port (32 bit)";

// Code page 437 box-drawing characters.
constexpr char cornerTopLeft = '\xC9';
constexpr char cornerTopRight = '\xBB';
constexpr char cornerBottomLeft = '\xC8';
constexpr char cornerBottomRight = '\xBC';
constexpr char lineHorizontal = '\xCD';
constexpr char lineVertical = '\xBA';

constexpr std::array<char, driverBannerLength + 1> BuildBanner() {
    std::array<char, driverBannerLength + 1> out{};
    size_t at = 0;
    out[at++] = '\b';
    out[at++] = '\n';
    out[at++] = cornerTopLeft;
    for (int i = 0; i < boxWidth; ++i) {
        out[at++] = lineHorizontal;
    }
    out[at++] = cornerTopRight;
    out[at++] = '\n';
    out[at++] = lineVertical;
    size_t textLength = sizeof bannerText - 1;
    for (size_t i = 0; i < static_cast<size_t>(boxWidth); ++i) {
        out[at++] = i < textLength ? bannerText[i] : ' ';
    }
    out[at++] = lineVertical;
    out[at++] = '\n';
    out[at++] = cornerBottomLeft;
    for (int i = 0; i < boxWidth; ++i) {
        out[at++] = lineHorizontal;
    }
    out[at++] = cornerBottomRight;
    out[at] = '\0';
    return out;
}

constexpr auto bannerBytes = BuildBanner();
static_assert(bannerBytes[driverBannerLength] == '\0' && bannerBytes[driverBannerLength - 1] != 0);

} // namespace

const char* const DriverBanner = bannerBytes.data();
