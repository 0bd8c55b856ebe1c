#include "foundation/StringTable.h"

#include <algorithm>
#include <array>

namespace lumivex {

namespace {

using namespace std::string_view_literals;

// The sv literals keep their full length, so trailing blanks and any byte survive. Letters
// beyond ASCII are single Windows-1252 bytes; a hex escape is split from a following letter
// that would otherwise extend it ("\xFC" "ber").
constexpr StringEntry entry(StringId id, std::string_view text)
{
    return {static_cast<int>(id), text};
}

constexpr std::array kStrings {
    entry(StringId::AboutMenuItem,
        "&Info \xFC"
        "ber Lumivex..."sv),
    entry(StringId::NoComPortEntry, "No COM port entry"sv),
    entry(StringId::WrongComPortNumber, "Wrong COM port number"sv),
    entry(StringId::CannotOpenComPort, "Cannot open COM port"sv),
    entry(StringId::ComPortWasNotOpen, "COM port was not open"sv),
    entry(StringId::ErrorEmptyingComInterface, "Error emptying COM interface"sv),
    entry(StringId::ErrorClosingComInterface, "Error closing COM interface"sv),
    entry(StringId::ErrorComSettings, "Error COM settings"sv),
    entry(StringId::ErrorComWriting, "Error COM writing"sv),
    entry(StringId::ErrorComWritingNotRemedied, "Error COM - writing can not be remedied"sv),
    entry(StringId::ErrorClearCommError, "Error in ClearCommError"sv),
    entry(StringId::ErrorComReading, "Error COM reading"sv),
    entry(StringId::ErrorComReadingNotRemedied, "Error COM-reading can not be remedied"sv),
    entry(StringId::VersionText, "V 2.0.0.5"sv),
    entry(StringId::SerialNumberLabel, "Serial Number:"sv),
    entry(StringId::FirmwareNumberLabel, "Firmware Number:"sv),
    entry(StringId::DeviceName, "Lumivex"sv),
    entry(StringId::BoardsConnected, "Board(s) connected"sv),
    entry(StringId::TitleLine, "Lumivex LED Color Analyzer"sv),
    entry(StringId::MakerLine, "Orvian - color measurement of LEDs"sv),
    entry(StringId::SensorRangeLabel, "Sensor Range"sv),
    entry(StringId::AveragingFactorLabel, "Averaging Factor"sv),
    entry(StringId::ComPortActive, "COM port %s with %ld baud is activ ! "sv),
    entry(StringId::ComPortNotOpen, "*** COM port is not open ***"sv),
    entry(StringId::WorkingDirectoryError, "Error in working directory\nMay be to long"sv),
    entry(StringId::ErrorComInit, "Error COM init"sv),
    entry(StringId::ErrorComTimeout, "Error by setting COM timeout"sv),
    entry(StringId::Connect, "CONNECT"sv),
    entry(StringId::Disconnect, "DISCONNECT"sv),
    entry(StringId::Connected, "CONNECTED"sv),
    entry(StringId::NotConnected, "NOT"sv),
    entry(StringId::WelcomeText,
        "Welcome to Orvian Lumivex USER Software\r\n\r\nPlease connect the Lumivex with the communication cable "
        "to the computer and press the button 'CONNECT'"sv),
    entry(StringId::SerialTextTooLong, "The string to be transfered is to long!"sv),
    entry(StringId::ErrorLoadingCieTables, "Error loading CIE - Tables"sv),
    entry(StringId::ColourWheel, "Color Wheel"sv),
    entry(StringId::ColourPalette, "Color Palette"sv),
    entry(StringId::XyChart, "XY Chart"sv),
    entry(StringId::NewPath, "New Path"sv),
    entry(StringId::AllFilesFilter, "All Files (*.*)|*.*||"sv),
    entry(StringId::ResultFileFilter, "Result file (*.txt)|*.txt| All files (*.*)|*.*||"sv),
    entry(StringId::NoCaption, "No"sv),
    entry(StringId::IconCaption, "U"sv),
    entry(StringId::RedCaption, "Red"sv),
    entry(StringId::GreenCaption, "Green"sv),
    entry(StringId::BlueCaption, "Blue"sv),
    entry(StringId::HueCaption, "Hue"sv),
    entry(StringId::IntensCaption, "Intens."sv),
    entry(StringId::XCaption, "X"sv),
    entry(StringId::YCaption, "Y"sv),
    entry(StringId::SaturCaption, "Satur."sv),
    entry(StringId::ModeCaption, "Mode"sv),
    entry(StringId::RangeCaption, "Range"sv),
    entry(StringId::SavingMeasurementsFailed, "Saving of measurements is not possible"sv),
    entry(StringId::NoValidReturnValue, "No valid return value!"sv),
    entry(StringId::ReportHeadSensor, "Sens\t"sv),
    entry(StringId::CannotReadTestReport, "Error cannot read test report file"sv),
    entry(StringId::ReportDateTime, "Data: %s  Time: %s\r\n\r\n"sv),
    entry(StringId::ReportHeadHsi, "Hue\tSat\tInt"sv),
    entry(StringId::ReportHeadXyTemp, "X\tY\tC.Temp."sv),
    entry(StringId::ReportHeadRgb, "Red\tGreen\tBlue"sv),
    entry(StringId::ReportHeadRgbi, "Red\tGreen\tBlue\tInt"sv),
    entry(StringId::TestReportFilter, "Testreport - Datei (*txt)|*.txt| Alle Dateien (*.*)|*.*||"sv),
    entry(StringId::Overflow, "Overfl."sv),
    entry(StringId::Underflow, "Underfl."sv),
    entry(StringId::SavingConfigurationFailed, "Saving of configuration data is not possible "sv),
    entry(StringId::MeasurementCaption, "Measurement"sv),
    entry(StringId::MeasureTimeCaption, "Measuretime"sv),
    entry(StringId::UserTimeCaption, "User time"sv),
    entry(StringId::PwmRunsCaption, "PWM runs"sv),
    entry(StringId::GainCaption, "Gain"sv),
    entry(StringId::XOffsetCaption, "X-offset"sv),
    entry(StringId::YOffsetCaption, "Y-offset"sv),
    entry(StringId::ManualCapture, "Manual Capture"sv),
    entry(StringId::UserCapture, "User Capture"sv),
    entry(StringId::PwmCapture, "PWM Capture"sv),
    entry(StringId::MeasureTimeDisabled, "0 = Disabled"sv),
    entry(StringId::ConfigFileFilter, "Config file (*.cfg)|*.cfg| All files (*.*)|*.*||"sv),
    entry(StringId::MixedCaptureMode, "Attention: Mixed capture mode\nMeasurements are performed successively"sv),
    entry(StringId::MeasurementsFailed, "Measurements were not successful"sv),
    entry(StringId::BoardReturnsError, "Board returns an error"sv),
    entry(StringId::ErrorGettingData, "Error by getting data"sv),
    entry(StringId::MeasurementStillActive, "Measurement is still active\nDialog cannot be closed"sv),
    entry(StringId::ReferenceFileFilter, "Reference file (*.ref)|*.ref| All files (*.*)|*.*||"sv),
    entry(StringId::NoReferenceData, "No Reference data available "sv),
    entry(StringId::ReportHeadComparison, "Comparison"sv),
    entry(StringId::ReportComparisonError, "Error"sv),
    entry(StringId::MeasurementListTitle, "List of measurements"sv),
    entry(StringId::ReferenceFileTitle, "  Reference file: "sv),
    entry(StringId::NoMeasurementData, "No measurement data available"sv),
    entry(StringId::ColourTempCaption, "C.Temp."sv),
    entry(StringId::ReportHeadXy, "X\tY"sv),
    entry(StringId::TitleSendingSettings, " - Settings will be sent"sv),
    entry(StringId::TitleCollectingData, " - Measurement data will be collected"sv),
    entry(StringId::TitleMeasurementStarted, " - Measurement is started"sv),
    entry(StringId::TitleMeasurementCompleted, " - Measurement completed"sv),
    entry(StringId::TitleComparingData, " - Data are compared"sv),
    entry(StringId::ConfirmExit, "Should the program be terminated?"sv),
    entry(StringId::IntensityAbsOutOfRange, "Out of range: 0 .. 32767 "sv),
    entry(StringId::XyAbsOutOfRange, "Out of range: -0.9999 .. 0.9999"sv),
    entry(StringId::DistanceCaption, "Distance"sv),
    entry(StringId::ConfirmChangeAllSettings, "Are you sure that the settings for all sensors should be changed?"sv),
    entry(StringId::XyOutOfRange, "X- and / or Y- values are outside the range of values. \nPlease check settings."sv),
    entry(StringId::ReadingsOutOfRange, "Number of readings are out of range: 1 ... 100"sv),
    entry(StringId::ReadingsAxisTitle, "Readings"sv),
    entry(StringId::ParamRgb, "Red+Green+Blue"sv),
    entry(StringId::ParamRgbIntensity, "Red+Green+Blue+Intensity"sv),
    entry(StringId::ParamHueSat, "Hue+Saturation"sv),
    entry(StringId::ParamHueSatIntensity, "Hue+Sat+Intensity"sv),
    entry(StringId::ParamXy, "X-Value+Y-Value"sv),
    entry(StringId::ParamIntensity, "Intensity"sv),
    entry(StringId::DelayOutOfRange, "Number of delays are out of range: 10 ... 20000"sv),
    entry(StringId::AxisTitleRgb, "R+G+B"sv),
    entry(StringId::AxisTitleHueSat, "Hue+Sat"sv),
    entry(StringId::AxisTitleXy, "X+Y"sv),
    entry(StringId::SavingAnalysisFailed, "Saving of analysed data is not possible"sv),
    entry(StringId::StabilityTitle, "Stability Analyses"sv),
    entry(StringId::Finish, "Finish"sv),
    entry(StringId::Cancel, "Cancel"sv),
    entry(StringId::NoPerformanceCounter, "No PerformanceCounter available"sv),
    entry(StringId::StabilityFileFilter, "Stability file (*.txt)|*.txt| All files (*.*)|*.*||"sv),
    entry(StringId::NoStabilityData, "No stability analysis data available"sv),
    entry(StringId::PathOrFileNotFound, "Path or file not found"sv),
};

// Lookup is a binary search: an entry out of order or twice would only show up as a missing
// text at run time, so the order is checked when compiling.
constexpr bool strictlyIncreasing()
{
    return std::ranges::adjacent_find(kStrings, [](const StringEntry& a, const StringEntry& b) { return a.id >= b.id; })
        == kStrings.end();
}
static_assert(strictlyIncreasing(), "string table must be sorted by id without duplicates");

} // namespace

std::string_view stringText(StringId id)
{
    return stringText(static_cast<int>(id));
}

std::string_view stringText(int id)
{
    const auto it = std::ranges::lower_bound(kStrings, id, {}, &StringEntry::id);
    if (it == kStrings.end() || it->id != id)
        return {};
    return it->text;
}

std::span<const StringEntry> allStrings()
{
    return kStrings;
}

} // namespace lumivex
