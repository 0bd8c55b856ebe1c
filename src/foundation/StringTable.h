#pragma once

#include <span>
#include <string_view>

namespace lumivex {

// The program's user texts, addressed by their resource number. Numbers that no part of the
// program uses have no enumerator and no text.
enum class StringId : int {
    AboutMenuItem = 101, // system menu entry that opens the About box
    NoComPortEntry = 102,
    WrongComPortNumber = 103,
    CannotOpenComPort = 104,
    ComPortWasNotOpen = 105,
    ErrorEmptyingComInterface = 106,
    ErrorClosingComInterface = 107,
    ErrorComSettings = 108,
    ErrorComWriting = 109,
    ErrorComWritingNotRemedied = 110,
    ErrorClearCommError = 111, // never shown
    ErrorComReading = 112,
    ErrorComReadingNotRemedied = 113,
    VersionText = 114,
    SerialNumberLabel = 115,
    FirmwareNumberLabel = 116,
    DeviceName = 117, // starts the "boards connected" status line
    BoardsConnected = 118,
    TitleLine = 127, // the main window's large header
    MakerLine = 128, // the header line beneath it
    SensorRangeLabel = 129,
    AveragingFactorLabel = 130,
    ComPortActive = 131, // printf: port name, baud rate
    ComPortNotOpen = 132,
    WorkingDirectoryError = 133,
    ErrorComInit = 134,
    ErrorComTimeout = 135,
    Connect = 136,
    Disconnect = 137,
    Connected = 138,
    NotConnected = 139, // "NOT", shown above "CONNECTED"
    WelcomeText = 141,
    SerialTextTooLong = 142,
    ErrorLoadingCieTables = 143,
    ColourWheel = 144,
    ColourPalette = 145,
    XyChart = 146,
    NewPath = 147, // default file name of the folder-choosing file dialog
    AllFilesFilter = 148,
    ResultFileFilter = 149,
    NoCaption = 150, // sensor or reading number column
    IconCaption = 151,
    RedCaption = 152,
    GreenCaption = 153,
    BlueCaption = 154,
    HueCaption = 155,
    IntensCaption = 156,
    XCaption = 157,
    YCaption = 158,
    SaturCaption = 159,
    ModeCaption = 160,
    RangeCaption = 161,
    SavingMeasurementsFailed = 162,
    NoValidReturnValue = 163,
    ReportHeadSensor = 164,
    CannotReadTestReport = 165,
    ReportDateTime = 166, // printf: date, time
    ReportHeadHsi = 167,
    ReportHeadXyTemp = 168,
    ReportHeadRgb = 169,
    ReportHeadRgbi = 170,
    TestReportFilter = 171,
    Overflow = 172,
    Underflow = 173,
    SavingConfigurationFailed = 179,
    MeasurementCaption = 180, // test mode column
    MeasureTimeCaption = 181,
    UserTimeCaption = 182,
    PwmRunsCaption = 183,
    GainCaption = 184,
    XOffsetCaption = 185,
    YOffsetCaption = 186,
    ManualCapture = 188,
    UserCapture = 189,
    PwmCapture = 190,
    MeasureTimeDisabled = 191,
    ConfigFileFilter = 192,
    MixedCaptureMode = 193,
    MeasurementsFailed = 194,
    BoardReturnsError = 195,
    ErrorGettingData = 196,
    MeasurementStillActive = 197,
    ReferenceFileFilter = 198,
    NoReferenceData = 199,
    ReportHeadComparison = 200,
    ReportComparisonError = 201,
    MeasurementListTitle = 202,
    ReferenceFileTitle = 203, // appended to the list title, followed by the file name
    NoMeasurementData = 204,
    ColourTempCaption = 205,
    ReportHeadXy = 206,
    TitleSendingSettings = 207,
    TitleCollectingData = 209,
    TitleMeasurementStarted = 210,
    TitleMeasurementCompleted = 211,
    TitleComparingData = 212,
    ConfirmExit = 217,
    IntensityAbsOutOfRange = 218,
    XyAbsOutOfRange = 219,
    DistanceCaption = 220,
    ConfirmChangeAllSettings = 221,
    XyOutOfRange = 222, // negative x or y read during a run
    ReadingsOutOfRange = 223,
    ReadingsAxisTitle = 224,
    ParamRgb = 225, // "Parameter shown" entries of the stability chart
    ParamRgbIntensity = 226,
    ParamHueSat = 227,
    ParamHueSatIntensity = 228,
    ParamXy = 229,
    ParamIntensity = 230,
    DelayOutOfRange = 231,
    AxisTitleRgb = 232,
    AxisTitleHueSat = 233,
    AxisTitleXy = 234,
    SavingAnalysisFailed = 235,
    StabilityTitle = 236,
    Finish = 237,
    Cancel = 238,
    NoPerformanceCounter = 239,
    StabilityFileFilter = 240,
    NoStabilityData = 241,
    PathOrFileNotFound = 242,
};

struct StringEntry {
    int id;
    std::string_view text; // Windows-1252 bytes
};

// The text of a string id as Windows-1252 bytes; empty when the id has no text.
std::string_view stringText(StringId id);
std::string_view stringText(int id);

// The whole table, sorted by id.
std::span<const StringEntry> allStrings();

} // namespace lumivex
