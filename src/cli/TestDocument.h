#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

struct ResultFields;
struct TestNumbers;

// How far a reported value can be trusted.
enum class ValueStatus { Ok, Overflow, Underflow, Invalid };
std::string_view valueStatusName(ValueStatus status);

// One value of the test as a script reads it: a number (none where the window shows "---" or
// nothing) at the window's precision, and its status.
struct ReportedValue {
    std::string name; // "counts.red", "hue", ...
    std::optional<std::string> number; // JSON number text
    ValueStatus status = ValueStatus::Ok;
};

// The values of the groups the test read, in window order, judged as the window judges them
// (`shown`: its fields after the test) plus the distance of x, y from the Planckian locus.
std::vector<ReportedValue> reportedValues(const TestNumbers& numbers, const ResultFields& shown);

// The worst status: overflow before underflow before invalid before ok.
ValueStatus overallStatus(const std::vector<ReportedValue>& values);

// The JSON object of the values: {"counts.red": {"value": 1719, "status": "ok"}, ...}.
std::string valuesJson(const std::vector<ReportedValue>& values);

// ISO 8601 in UTC, to the second: "2026-12-07T22:08:17Z".
std::string utcTimeStamp(long long secondsSinceEpoch);

} // namespace lumivex
