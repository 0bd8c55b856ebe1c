// Any bytes as a device reply: the first byte sets the size of the chunks in which the rest
// arrives. Every chunk goes through both joining rules; after each one every completion rule is
// tested and, once met, every decoder runs on the text so far, for firmware 1006 and 1007.
// Nothing may read outside the text, and the joined text must not depend on the chunking.
// The reply collector gets the same bytes as the reply to every command, whole and in the
// chunks: its outcome and text must not depend on the chunking either, its text stays bounded
// and made of CR LF-ended lines, and a complete reply decodes.
#include "device/DeviceRequest.h"
#include "device/ReplyCollector.h"
#include "device/ReplyDecode.h"
#include "device/ReplyRules.h"
#include "device/ReplyText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace lumivex;

namespace {

constexpr Command kCommands[] = {
    Command::Testcon,
    Command::GetHw,
    Command::GetSerial,
    Command::GetVersion,
    Command::SetDefault,
    Command::Capture,
    Command::CapturePwm,
    Command::SetCapTime,
    Command::SetUserTime,
    Command::GetUserTime,
    Command::SetAverage,
    Command::SetIntGain,
    Command::SetXOffset,
    Command::SetYOffset,
    Command::SetDistance,
    Command::GetRgbi,
    Command::GetHsi,
    Command::GetXy,
    Command::GetCTemp,
    Command::GetXOffset,
    Command::GetYOffset,
    Command::GetDistance,
    Command::GetIntensity,
    Command::SetOutput,
};

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool isKeptByte(unsigned char byte, JoinRules rules)
{
    if (byte >= 0x20 && byte <= 0x7E)
        return true;
    if (byte == '\r' || byte == '\n')
        return true;
    if (rules == JoinRules::ListAndStability)
        return false;
    return byte == 196 || byte == 214 || byte == 220 || byte == 223 || byte == 228 || byte == 246 || byte == 252;
}

void checkText(const std::string& text, JoinRules rules)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        require(isKeptByte(static_cast<unsigned char>(text[i]), rules));
        // Line breaks come as CR LF pairs only.
        if (text[i] == '\r')
            require(i + 1 < text.size() && text[i + 1] == '\n');
        if (text[i] == '\n')
            require(i > 0 && text[i - 1] == '\r');
    }
}

void decodeAll(std::string_view text)
{
    const std::string_view line = lastLine(text);
    require(line.size() <= text.size());
    require(text.substr(text.size() - line.size()) == line);
    require(lastLine(line) == line);

    for (int firmware : {1006, 1007}) {
        const RgbiReply rgbi = decodeRgbi(text, firmware);
        require(rgbi.red >= -999 && rgbi.red <= 9999);
        require(rgbi.intensity >= -9999 && rgbi.intensity <= 99999);
    }
    const HsiReply hsi = decodeHsi(text);
    require(hsi.saturation >= -99 && hsi.saturation <= 999);
    const XyReply xy = decodeXy(text);
    require(xy.x == xy.x && xy.y == xy.y); // never NaN
    require(decodeColourTemperature(text) == decodeColourTemperature(text));
    require(decodeOffset(text).text.size() <= 7);
    require(decodeDistance(text) == decodeDistance(text));
    require(decodeIntensityText(text).size() <= 5);
    const int userTime = decodeUserTime(text);
    require(userTime >= -9999 && userTime <= 99999);
    require(decodeSerial(text).size() <= 4);
    const VersionReply version = decodeVersion(text);
    require(version.text.size() <= 4 && version.firmware >= -999 && version.firmware <= 9999);
    require(decodeHardware(text).size() <= 9);
    const BoardCount boards = decodeBoardCount(text);
    require(boards.count >= 1 && boards.count <= kMaxBoardCount);
    require(testconStatusCount(text).size() <= text.size() || text.size() <= 4);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t chunkSize = std::size_t(data[0]) % 32 + 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    ReplyText mainWindow(JoinRules::MainWindow);
    ReplyText list(JoinRules::ListAndStability);
    bool completed[std::size(kCommands)][2] = {};
    for (std::size_t at = 0; at < bytes.size(); at += chunkSize) {
        const std::string_view chunk = bytes.substr(at, chunkSize);
        mainWindow.append(chunk);
        list.append(chunk);
        for (std::size_t c = 0; c < std::size(kCommands); ++c) {
            for (int f = 0; f < 2; ++f) {
                const ReplyRule rule = replyRule(kCommands[c], f == 0 ? 1006 : 1007);
                const bool complete = isReplyComplete(rule, mainWindow);
                // More bytes never take a completion back.
                require(complete || !completed[c][f]);
                if (complete && !completed[c][f])
                    decodeAll(mainWindow.text());
                completed[c][f] = complete;
            }
        }
    }

    require(mainWindow.rawByteCount() == bytes.size() && list.rawByteCount() == bytes.size());
    require(mainWindow.text() == ReplyText::join(bytes, JoinRules::MainWindow));
    require(list.text() == ReplyText::join(bytes, JoinRules::ListAndStability));
    checkText(mainWindow.text(), JoinRules::MainWindow);
    checkText(list.text(), JoinRules::ListAndStability);
    decodeAll(mainWindow.text());
    decodeAll(list.text());
    decodeAll(bytes); // raw, unjoined bytes as well

    for (const Command command : kCommands) {
        const int firmware = bytes.size() % 2 ? 1006 : 1007;
        const std::string request = std::string(commandWord(command)) + "1 1\r";
        ReplyCollector whole;
        ReplyCollector chunked;
        whole.begin(request, replyRule(command, firmware));
        chunked.begin(request, replyRule(command, firmware));
        whole.feed(bytes);
        for (std::size_t at = 0; at < bytes.size(); at += chunkSize)
            chunked.feed(bytes.substr(at, chunkSize));
        require(whole.state() == chunked.state() && whole.text() == chunked.text());
        require(whole.text().size() <= 2 * ReplyCollector::kMaxReplyBytes);
        checkText(whole.text(), JoinRules::MainWindow);
        require(whole.text().empty() || whole.text().ends_with("\r\n"));
        if (whole.state() == ReplyCollector::State::Complete) {
            numberFieldsHoldDigits(command, whole.text(), firmware);
            decodeAll(whole.text());
        }
        require(whole.takeUnsolicited().size() <= ReplyCollector::kMaxUnsolicited);
    }
    return 0;
}
