#include "cli/TestDocument.h"

#include "base/FormatText.h"
#include "colour/ColourConversions.h"
#include "main/ResultDisplay.h"
#include "main/ResultView.h"

#include <cmath>
#include <ctime>

namespace lumivex {

namespace {

constexpr std::string_view kNotValid = "---";

std::string whole(long long value)
{
    return formatText("%lld", value);
}

// A value the window shows as a number, or "---" (invalid, no number).
ReportedValue shownValue(std::string name, const std::string& field, std::string number)
{
    if (field == kNotValid || field.empty())
        return {std::move(name), std::nullopt, ValueStatus::Invalid};
    return {std::move(name), std::move(number), ValueStatus::Ok};
}

} // namespace

std::string_view valueStatusName(ValueStatus status)
{
    switch (status) {
    case ValueStatus::Overflow:
        return "overflow";
    case ValueStatus::Underflow:
        return "underflow";
    case ValueStatus::Invalid:
        return "invalid";
    case ValueStatus::Ok:
        break;
    }
    return "ok";
}

std::vector<ReportedValue> reportedValues(const TestNumbers& n, const ResultFields& shown)
{
    std::vector<ReportedValue> values;
    const bool dark = n.counts && n.red == 0 && n.green == 0 && n.blue == 0;
    const bool countsFull = n.counts && (n.red == n.fullScale || n.green == n.fullScale || n.blue == n.fullScale);
    if (n.counts) {
        const std::pair<const char*, int> counts[] = {{"red", n.red}, {"green", n.green}, {"blue", n.blue}};
        for (const auto& [channel, count] : counts) {
            ValueStatus status = ValueStatus::Ok;
            if (count == n.fullScale)
                status = ValueStatus::Overflow;
            else if (dark)
                status = ValueStatus::Underflow;
            values.push_back({std::string("counts.") + channel, whole(count), status});
        }
        // The shares mean nothing beside a saturated or dark channel: the window shows none.
        const std::pair<const char*, const std::string*> shares[]
            = {{"red", &shown.red}, {"green", &shown.green}, {"blue", &shown.blue}};
        for (std::size_t i = 0; i < 3; ++i) {
            std::string name = std::string("share.") + shares[i].first;
            if (countsFull)
                values.push_back({name, std::nullopt,
                    counts[i].second == n.fullScale ? ValueStatus::Overflow : ValueStatus::Invalid});
            else if (dark)
                values.push_back({name, std::nullopt, ValueStatus::Underflow});
            else
                values.push_back({name, *shares[i].second, ValueStatus::Ok});
        }
        const bool saturated = n.rawIntensity == kSaturatedIntensity;
        ValueStatus percent = saturated ? ValueStatus::Overflow : ValueStatus::Ok;
        if (!saturated && dark)
            percent = ValueStatus::Underflow;
        else if (!saturated && countsFull)
            percent = ValueStatus::Invalid;
        const long long percentValue = static_cast<long long>(n.rawIntensity) * 100 / kSaturatedIntensity;
        values.push_back({"percent.intensity",
            percent == ValueStatus::Invalid ? std::nullopt : std::optional(whole(percentValue)), percent});
    }
    if (n.counts || n.hueSaturation) {
        ValueStatus status = ValueStatus::Ok;
        if (n.intensity == kSaturatedIntensity)
            status = ValueStatus::Overflow;
        else if (dark)
            status = ValueStatus::Underflow;
        values.push_back({"intensity", whole(n.intensity), status});
    }
    if (n.hueSaturation) {
        values.push_back(shownValue("hue", shown.hue, formatText("%.2f", n.hue)));
        values.push_back(shownValue("saturation", shown.saturation, whole(n.saturation)));
    }
    if (n.xy) {
        auto x = shownValue("x", shown.x, formatText("%.4f", n.x));
        auto y = shownValue("y", shown.y, formatText("%.4f", n.y));
        ReportedValue duv {"duv", std::nullopt, ValueStatus::Invalid};
        // CIE 1960 u, v of the chromaticity the window shows.
        const double denominator = -2 * n.x + 12 * n.y + 3;
        if (x.number && y.number && denominator > 0) {
            const double d = PlanckianDuv(4 * n.x / denominator, 6 * n.y / denominator);
            duv.number = formatText("%.4f", d);
            // Too far from the locus for a colour temperature to mean anything.
            duv.status = std::fabs(d) <= kMaxPlanckianDistance ? ValueStatus::Ok : ValueStatus::Invalid;
        }
        values.push_back(std::move(x));
        values.push_back(std::move(y));
        if (n.colourTemperature)
            values.push_back(shownValue("cct_k", shown.colourTemperature, whole(std::llround(n.kelvin))));
        values.push_back(std::move(duv));
    } else if (n.colourTemperature) {
        values.push_back(shownValue("cct_k", shown.colourTemperature, whole(std::llround(n.kelvin))));
    }
    return values;
}

ValueStatus overallStatus(const std::vector<ReportedValue>& values)
{
    ValueStatus worst = ValueStatus::Ok;
    for (const auto& value : values) {
        if (value.status == ValueStatus::Overflow)
            return ValueStatus::Overflow;
        if (value.status == ValueStatus::Underflow
            || (value.status == ValueStatus::Invalid && worst == ValueStatus::Ok))
            worst = value.status;
    }
    return worst;
}

std::string valuesJson(const std::vector<ReportedValue>& values)
{
    std::string out = "{";
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto& v = values[i];
        out += (i ? ", \"" : "\"") + v.name + "\": {\"value\": " + (v.number ? *v.number : std::string("null"))
            + ", \"status\": \"" + std::string(valueStatusName(v.status)) + "\"}";
    }
    return out + "}";
}

std::string utcTimeStamp(long long secondsSinceEpoch)
{
    const auto seconds = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm utc {};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

} // namespace lumivex
