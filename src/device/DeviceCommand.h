#pragma once

#include "device/DeviceRequest.h"
#include "device/ReplyRules.h"

#include <optional>
#include <string>

namespace lumivex {

// The main window's numbered requests, 1..27. The number of the request last sent selects how
// its reply is handled. Numbers without a request (9, 10, 11, 13, 15, 16, 20, 21, 22) and any
// outside 1..27 build nothing; the caller logs "Unbekannter Befehl!".
class DeviceCommand {
public:
    static constexpr int Testcon = 1;
    static constexpr int CaptureAll = 2;
    static constexpr int CaptureRange = 3; // manual capture with the range list's code and area
    static constexpr int CapturePwm = 4;
    static constexpr int CaptureUser = 5; // preceded by SetUserTime
    static constexpr int GetRgbi = 6;
    static constexpr int GetHsi = 7;
    static constexpr int GetXy = 8;
    static constexpr int GetUserTime = 12;
    static constexpr int SetUserTime = 14;
    static constexpr int GetSerial = 17;
    static constexpr int GetVersion = 18;
    static constexpr int GetHw = 19;
    static constexpr int GetCTemp = 23;
    static constexpr int SetDefault = 24;
    static constexpr int GetXOffset = 25;
    static constexpr int GetYOffset = 26;
    static constexpr int GetDistance = 27;

    // The main window's fields that requests use.
    struct Fields {
        int board = 1; // selected board, from 1
        int sensor = 0; // selected sensor on the board, from 0; sent as sensor + 1
        int rangeIndex = 0; // range list, 0..11 (Manual Capture)
        int pwmFactor = 0; // selection of the PWM averaging list, 0..15
        int userTimeMs = 0; // user capture time
        bool area9x9 = false; // area of the User Capture
        int lastCaptureCode = 2; // code of the last one-sensor capture: sizes number 4's time-out
    };

    struct Request {
        int number = 0;
        Command command = Command::Testcon;
        std::string text; // with its carriage return
        // Numbers 6, 7, 8, 23, 25, 26, 27: the current sensor's position in the measurement list.
        std::optional<int> sensorListIndex;
        // Numbers 3 and 5: the code and area sent, to be remembered (lastCaptureCode).
        std::optional<RangeSetting> capture;
        // Number 4: ticks of the 10 ms timer to wait for its "OK".
        std::optional<int> pwmTimeoutTicks;
        // Number 5: SetUserTime (14) has to be sent and acknowledged first; if it fails, 5 is
        // not sent.
        std::optional<int> precededBy;
    };

    // The request of a number. nullopt for numbers without a request, and for number 3 with a
    // range index outside the range list.
    static std::optional<Request> build(int number, const Fields& fields);

    // The command word a number sends; nullopt for numbers without a request.
    static std::optional<Command> commandOf(int number);

    // When the reply to a number is complete. Beyond the command words' own rules: 13, 15, 16
    // and 20 wait for "OK"; 9, 10 and 11 for more than 5, 3 and 19 bytes; 21, 22 and every
    // unknown number complete at once.
    static ReplyRule replyRule(int number, int firmware);

    // Capture time used for a code without one (0 after "DISABLE", or unknown).
    static constexpr int kFallbackCaptureTimeMs = 200;

    // (factor + 1) x t x 5 / 2 + 5 ticks in integer arithmetic, t the capture time in ms of the
    // last one-sensor capture's code.
    static int pwmTimeoutTicks(int factor, int captureTimeMs);
};

} // namespace lumivex
