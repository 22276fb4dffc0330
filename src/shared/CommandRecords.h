#pragma once
// One command of the command list as it is stored: the fixed 32-byte settings
// record of the .sdd file, the five counted strings of the .sds file, and the
// header that opens the .sds file. Records are written and read field by
// field, little-endian, so the layout never depends on the compiler.

#include <cstddef>
#include <cstdint>
#include <string>

namespace ambrel {

// Actions of a message's buttons (Action1..Action3).
inline constexpr std::int16_t kActionContinue = 1;
inline constexpr std::int16_t kActionSkipNext = 2;
inline constexpr std::int16_t kActionNoMore = 3;
inline constexpr std::int16_t kActionCancelShutdown = 4;
inline constexpr std::int16_t kActionRerunPrevious = 5;
inline constexpr std::int16_t kActionUserDefined = 6;

struct CommandSettings {
    std::int16_t Run = 0;
    std::int16_t WindowStyle = 0;
    std::int16_t ShowMessageWhen = 0;
    std::int16_t MessageStyle = 0;
    double LastRunDate = 0;  // OLE date, whole days
    std::int16_t RunCount = 0;
    std::int16_t RunFrequency = 0;
    std::int16_t RunLimit = 0;
    std::int16_t RunDay = 0;
    std::int16_t RunYearDay = 0;
    std::int16_t Action1 = 0;
    std::int16_t Action2 = 0;
    std::int16_t Action3 = 0;

    bool operator==(const CommandSettings&) const = default;
};

struct CommandStrings {
    std::string CommandLine;
    std::string MessageText;
    std::string UserAction1;
    std::string UserAction2;
    std::string UserAction3;

    bool operator==(const CommandStrings&) const = default;
};

struct CommandFileHeader {
    std::int16_t FileVersion = 1;
    double SavedDate = 0;
    std::uint8_t HeaderReserved[4] = {0, 0, 0, 0};
    std::string HeaderText1;
    std::string HeaderText2;
};

inline constexpr std::size_t kSettingsRecordSize = 32;
// The header with both of its strings empty.
inline constexpr std::size_t kEmptyHeaderSize = 18;
// A stored string's count is 16 bits: longer texts cannot be stored.
inline constexpr std::size_t kMaxStoredString = 0xFFFF;

// A new command as the maintenance program adds it, on the given day.
CommandSettings NewCommandSettings(double today);

// A command line or user action holds what a user can type: no control
// character but the tab (0x7F, which Ctrl+Backspace puts into a standard
// edit box, counts as one). A stored one that holds another is damage.
bool IsTypedText(const std::string& text);
// The text without the characters IsTypedText refuses.
std::string WithoutControlCharacters(const std::string& text);
// Whether every command line and user action of a command is typed text.
bool CouldHaveBeenTyped(const CommandStrings& strings);

// Serialisation: each appends the record's bytes to `out`. A string longer
// than a count can hold is stored cut at kMaxStoredString bytes.
void AppendSettings(std::string& out, const CommandSettings& settings);
void AppendStrings(std::string& out, const CommandStrings& strings);
void AppendHeader(std::string& out, const CommandFileHeader& header);
void AppendCountedString(std::string& out, const std::string& text);

// Reads a settings record from exactly kSettingsRecordSize bytes.
CommandSettings ParseSettings(const unsigned char* bytes);

// Reads records from a byte stream of untrusted content. Every read asks the
// source for at most what the record still needs, so a count never causes an
// allocation beyond what a 16-bit count allows.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Bytes read; fewer than asked at the end.
    virtual std::size_t ReadBytes(void* buffer, std::size_t size) = 0;
};

enum class ReadOutcome {
    Whole,    // the whole record was read
    AtEnd,    // the stream ended before the record began
    Partial,  // the stream ended inside the record
};

ReadOutcome ReadStrings(ByteSource& source, CommandStrings& strings);
ReadOutcome ReadHeader(ByteSource& source, CommandFileHeader& header);

}  // namespace ambrel
