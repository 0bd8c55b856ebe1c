#include "device/DeviceCommand.h"

#include <climits>
#include <cstdint>

namespace lumivex {

std::optional<Command> DeviceCommand::commandOf(int number)
{
    switch (number) {
    case Testcon:
        return Command::Testcon;
    case CaptureAll:
    case CaptureRange:
    case CaptureUser:
        return Command::Capture;
    case CapturePwm:
        return Command::CapturePwm;
    case GetRgbi:
        return Command::GetRgbi;
    case GetHsi:
        return Command::GetHsi;
    case GetXy:
        return Command::GetXy;
    case GetUserTime:
        return Command::GetUserTime;
    case SetUserTime:
        return Command::SetUserTime;
    case GetSerial:
        return Command::GetSerial;
    case GetVersion:
        return Command::GetVersion;
    case GetHw:
        return Command::GetHw;
    case GetCTemp:
        return Command::GetCTemp;
    case SetDefault:
        return Command::SetDefault;
    case GetXOffset:
        return Command::GetXOffset;
    case GetYOffset:
        return Command::GetYOffset;
    case GetDistance:
        return Command::GetDistance;
    default:
        return std::nullopt;
    }
}

std::optional<DeviceCommand::Request> DeviceCommand::build(int number, const Fields& fields)
{
    const std::optional<Command> command = commandOf(number);
    if (!command)
        return std::nullopt;

    Request request;
    request.number = number;
    request.command = *command;
    const int sensor = fields.sensor + 1;
    switch (number) {
    case CaptureRange: {
        const std::optional<RangeSetting> range = rangeSetting(fields.rangeIndex);
        if (!range)
            return std::nullopt;
        request.text = formatCodeAreaRequest(Command::Capture, range->code, range->area, sensor, fields.board);
        request.capture = range;
        break;
    }
    case CapturePwm: {
        const int t = captureTimeMs(fields.lastCaptureCode, fields.userTimeMs).value_or(kFallbackCaptureTimeMs);
        request.text = formatCapturePwm(fields.pwmFactor, sensor, fields.board);
        request.pwmTimeoutTicks = pwmTimeoutTicks(fields.pwmFactor, t);
        break;
    }
    case CaptureUser: {
        const RangeSetting user {kUserTimeCode, fields.area9x9 ? kArea9x9 : kArea3x3};
        request.text = formatCodeAreaRequest(Command::Capture, user.code, user.area, sensor, fields.board);
        request.capture = user;
        request.precededBy = SetUserTime;
        break;
    }
    case GetRgbi:
    case GetHsi:
    case GetXy:
    case GetCTemp:
    case GetXOffset:
    case GetYOffset:
    case GetDistance:
        request.text = formatSensorRequest(*command, sensor, fields.board);
        request.sensorListIndex = sensorListIndex(fields.board, sensor);
        break;
    case GetUserTime:
        request.text = formatGetUserTime(fields.board);
        break;
    case SetUserTime:
        request.text = formatSetUserTime(fields.userTimeMs, fields.board);
        break;
    default: // 1, 2, 17, 18, 19, 24: the word alone
        request.text = formatPlainRequest(*command);
        break;
    }
    return request;
}

ReplyRule DeviceCommand::replyRule(int number, int firmware)
{
    if (const std::optional<Command> command = commandOf(number))
        return lumivex::replyRule(*command, firmware);
    switch (number) {
    case 9:
        return {ReplyRule::Kind::RawBytes, 6};
    case 10:
        return {ReplyRule::Kind::RawBytes, 4};
    case 11:
        return {ReplyRule::Kind::RawBytes, 20};
    case 13:
    case 15:
    case 16:
    case 20:
        return {ReplyRule::Kind::ContainsOk, 0};
    default:
        return {ReplyRule::Kind::Immediately, 0};
    }
}

int DeviceCommand::pwmTimeoutTicks(int factor, int captureTimeMs)
{
    // Wide arithmetic: a user time read back from the device is not bounded by the dialog.
    const std::int64_t ticks = (std::int64_t(factor) + 1) * captureTimeMs * 5 / 2 + 5;
    if (ticks > INT_MAX)
        return INT_MAX;
    if (ticks < INT_MIN)
        return INT_MIN;
    return static_cast<int>(ticks);
}

} // namespace lumivex
