#include "shared/CommandRecords.h"

#include <cstring>

namespace ambrel {

namespace {

void PutInt16(std::string& out, std::int16_t value) {
    auto u = static_cast<std::uint16_t>(value);
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
}

void PutDouble(std::string& out, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

std::int16_t GetInt16(const unsigned char* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

double GetDouble(const unsigned char* p) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Reads one counted string. `first` tells whether nothing of the record has
// been read yet, so that a stream ending here ends the list rather than
// cutting a record short.
ReadOutcome ReadCounted(ByteSource& source, std::string& text, bool first) {
    unsigned char count[2];
    std::size_t got = source.ReadBytes(count, 2);
    if (got == 0 && first) return ReadOutcome::AtEnd;
    if (got < 2) return ReadOutcome::Partial;
    std::size_t length = static_cast<std::size_t>(count[0] | (count[1] << 8));
    text.assign(length, '\0');  // at most 64 KB: the count is 16 bits
    if (length > 0 && source.ReadBytes(text.data(), length) < length) return ReadOutcome::Partial;
    return ReadOutcome::Whole;
}

}  // namespace

CommandSettings NewCommandSettings(double today) {
    CommandSettings s;
    s.Run = 1;
    s.WindowStyle = 2;
    s.LastRunDate = today;
    s.Action1 = kActionContinue;
    s.Action2 = kActionSkipNext;
    s.Action3 = kActionNoMore;
    return s;
}

void AppendSettings(std::string& out, const CommandSettings& s) {
    PutInt16(out, s.Run);
    PutInt16(out, s.WindowStyle);
    PutInt16(out, s.ShowMessageWhen);
    PutInt16(out, s.MessageStyle);
    PutDouble(out, s.LastRunDate);
    PutInt16(out, s.RunCount);
    PutInt16(out, s.RunFrequency);
    PutInt16(out, s.RunLimit);
    PutInt16(out, s.RunDay);
    PutInt16(out, s.RunYearDay);
    PutInt16(out, s.Action1);
    PutInt16(out, s.Action2);
    PutInt16(out, s.Action3);
}

void AppendCountedString(std::string& out, const std::string& text) {
    std::size_t length = text.size() < kMaxStoredString ? text.size() : kMaxStoredString;
    PutInt16(out, static_cast<std::int16_t>(static_cast<std::uint16_t>(length)));
    out.append(text, 0, length);
}

void AppendStrings(std::string& out, const CommandStrings& s) {
    AppendCountedString(out, s.CommandLine);
    AppendCountedString(out, s.MessageText);
    AppendCountedString(out, s.UserAction1);
    AppendCountedString(out, s.UserAction2);
    AppendCountedString(out, s.UserAction3);
}

void AppendHeader(std::string& out, const CommandFileHeader& h) {
    PutInt16(out, h.FileVersion);
    PutDouble(out, h.SavedDate);
    out.append(reinterpret_cast<const char*>(h.HeaderReserved), 4);
    AppendCountedString(out, h.HeaderText1);
    AppendCountedString(out, h.HeaderText2);
}

CommandSettings ParseSettings(const unsigned char* p) {
    CommandSettings s;
    s.Run = GetInt16(p + 0);
    s.WindowStyle = GetInt16(p + 2);
    s.ShowMessageWhen = GetInt16(p + 4);
    s.MessageStyle = GetInt16(p + 6);
    s.LastRunDate = GetDouble(p + 8);
    s.RunCount = GetInt16(p + 16);
    s.RunFrequency = GetInt16(p + 18);
    s.RunLimit = GetInt16(p + 20);
    s.RunDay = GetInt16(p + 22);
    s.RunYearDay = GetInt16(p + 24);
    s.Action1 = GetInt16(p + 26);
    s.Action2 = GetInt16(p + 28);
    s.Action3 = GetInt16(p + 30);
    return s;
}

ReadOutcome ReadStrings(ByteSource& source, CommandStrings& s) {
    std::string* fields[] = {&s.CommandLine, &s.MessageText, &s.UserAction1, &s.UserAction2, &s.UserAction3};
    bool first = true;
    for (std::string* field : fields) {
        ReadOutcome outcome = ReadCounted(source, *field, first);
        if (outcome != ReadOutcome::Whole) return outcome;
        first = false;
    }
    return ReadOutcome::Whole;
}

ReadOutcome ReadHeader(ByteSource& source, CommandFileHeader& h) {
    unsigned char fixed[14];
    std::size_t got = source.ReadBytes(fixed, sizeof fixed);
    if (got == 0) return ReadOutcome::AtEnd;
    if (got < sizeof fixed) return ReadOutcome::Partial;
    h.FileVersion = GetInt16(fixed);
    h.SavedDate = GetDouble(fixed + 2);
    std::memcpy(h.HeaderReserved, fixed + 10, 4);
    if (ReadCounted(source, h.HeaderText1, false) != ReadOutcome::Whole) return ReadOutcome::Partial;
    if (ReadCounted(source, h.HeaderText2, false) != ReadOutcome::Whole) return ReadOutcome::Partial;
    return ReadOutcome::Whole;
}

namespace {

bool IsControlCharacter(unsigned char c) { return (c < 0x20 && c != '\t') || c == 0x7F; }

}  // namespace

bool IsTypedText(const std::string& text) {
    for (unsigned char c : text)
        if (IsControlCharacter(c)) return false;
    return true;
}

std::string WithoutControlCharacters(const std::string& text) {
    std::string kept;
    for (unsigned char c : text)
        if (!IsControlCharacter(c)) kept += static_cast<char>(c);
    return kept;
}

bool CouldHaveBeenTyped(const CommandStrings& t) {
    // A message may hold line ends; the texts that are started may not.
    return IsTypedText(t.CommandLine) && IsTypedText(t.UserAction1) && IsTypedText(t.UserAction2) &&
           IsTypedText(t.UserAction3);
}

}  // namespace ambrel
