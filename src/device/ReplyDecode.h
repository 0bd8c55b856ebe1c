#pragma once

#include "base/NumberText.h"
#include "device/DeviceRequest.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace lumivex {

// The characters at [position, position + count) of the text, as far as the text reaches.
std::string_view fieldText(std::string_view text, std::size_t position, std::size_t count);
int integerField(std::string_view text, std::size_t position, std::size_t count);
double decimalField(std::string_view text, std::size_t position, std::size_t count);

// Decoders of the read replies. Each takes the whole reply text as joined; those whose fields
// count from the reply's last line cut it themselves (lastLine). A short or garbled field reads
// 0; nothing is read outside the text.

// Full scale of the colour counts: 255 below firmware 1007, 4095 from 1007 on.
int rgbFullScale(int firmware);

struct RgbiReply {
    int red = 0;
    int green = 0;
    int blue = 0;
    int intensity = 0; // 99999 means saturated
};
// Below firmware 1007 "255 128 000 01234"; from 1007 on "0255 0128 0000 01234".
RgbiReply decodeRgbi(std::string_view reply, int firmware);

struct HsiReply {
    double hue = 0;
    int saturation = 0; // percent
    int intensity = 0;
};
HsiReply decodeHsi(std::string_view reply);

struct XyReply {
    double x = 0;
    double y = 0;
};
XyReply decodeXy(std::string_view reply);

// Correlated colour temperature in kelvin.
double decodeColourTemperature(std::string_view reply);

struct OffsetReply {
    double value = 0;
    // As shown: a value that is not negative without its sign character (the six characters
    // after the first), a negative one as the seven characters received.
    std::string text;
};
// "getxoffset" and "getyoffset".
OffsetReply decodeOffset(std::string_view reply);

double decodeDistance(std::string_view reply);

// "getintensity": the five characters as received.
std::string decodeIntensityText(std::string_view reply);

// "getusertime": the user capture time in ms, from the start of a one-line reply (from the last
// line of a reply that echoes the request first).
int decodeUserTime(std::string_view reply);

// "getserial": four characters, at 0 in a reply of at most 15 characters, else at 11.
std::string decodeSerial(std::string_view reply);

struct VersionReply {
    std::string text; // four characters
    int firmware = 0; // their integer value
};
// "getversion": at 0 in a reply of at most 16 characters, else at 12.
VersionReply decodeVersion(std::string_view reply);

// "gethw": the first nine characters.
std::string decodeHardware(std::string_view reply);

// Whether every number field of a read reply holds at least one digit. A field without digits
// would read as 0 and be shown, stored or saved as a value the device never sent ("ERRO" as a
// firmware number, a line of letters as an underflow). Replies without number fields pass.
bool numberFieldsHoldDigits(Command command, std::string_view reply, int firmware);

// A garbled "testcon" reply must not build lists of billions of sensors (5 per board).
inline constexpr int kMaxBoardCount = 999;

struct BoardCount {
    int count = 1;
    // False when the reply gave no count (0, no digits, or a negative number): the count is 1
    // and the board list stays as it is.
    bool reported = false;
};
// "testcon": the number at the start of the reply, at most kMaxBoardCount.
BoardCount decodeBoardCount(std::string_view reply);

// The board count as the connection status shows it: the reply without its last four
// characters ("OK" and its line break), or "1" when "OK" opens the reply or the reply has four
// characters or fewer.
std::string testconStatusCount(std::string_view reply);

} // namespace lumivex
