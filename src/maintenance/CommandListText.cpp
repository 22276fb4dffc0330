#include "maintenance/CommandListText.h"

#include <map>
#include <set>

#include "maintenance/Frm_add_command.h"
#include "maintenance/frmCommandMessageStyle.h"
#include "shared/modAmbrelCommon.h"
#include "shared/vb.h"

namespace ambrel {

namespace {

// Each field's words, by stored value (the position in the list).
const std::vector<std::string> kWindows = {"hidden", "normal", "minimized", "maximized"};
const std::vector<std::string> kFrequencies = {"", "daily", "weekly", "monthly", "yearly"};
const std::vector<std::string> kMessageWhen = {"never", "before", "after"};
const std::vector<std::string> kButtons = {"ok",      "ok-cancel", "abort-retry-ignore", "yes-no-cancel",
                                           "yes-no", "retry-cancel"};
const std::vector<std::string> kIcons = {"none", "critical", "question", "exclamation", "information"};
const std::vector<std::string> kActions = {"none",           "continue", "skip-next", "no-more", "cancel-shutdown",
                                           "rerun-previous", "user-defined"};

const char* const kEol = "\r\n";

std::string WordOf(const std::vector<std::string>& words, int value) {
    return value >= 0 && value < static_cast<int>(words.size()) && !words[static_cast<std::size_t>(value)].empty()
               ? words[static_cast<std::size_t>(value)]
               : std::to_string(value);
}

// The message style as the dialog shows it, or nullptr-like false when the
// stored number holds what no list of the dialog can show.
bool StyleParts(std::int16_t style, MessageStyleParts& parts) {
    parts = SplitMessageStyle(style);
    return parts.Buttons >= 0 && ComposeMessageStyle(parts) == style;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

class Reader {
public:
    Reader(CommandListTextError& error, const std::function<bool(const std::string&, std::string&)>& fromUtf8)
        : m_error(error), m_fromUtf8(fromUtf8) {}

    bool Fail(int line, const std::string& message) {
        m_error = {line, message};
        return false;
    }

    bool Read(const std::string& text, std::vector<CommandPair>& commands) {
        std::string body = text;
        if (body.compare(0, 3, "\xEF\xBB\xBF") == 0) body.erase(0, 3);  // a byte order mark
        const std::vector<std::string> lines = Lines(body);
        if (lines.empty() || Trim(lines[0]) != kCommandListTextHeading)
            return Fail(1, std::string("the first line must be \"") + kCommandListTextHeading + "\"");
        std::map<std::string, std::pair<int, std::string>> fields;
        std::vector<std::pair<int, std::string>> message;
        int opened = 0;  // the line of the open block's [Command]
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const int number = static_cast<int>(i) + 1;
            const std::string& line = lines[i];
            const std::string trimmed = Trim(line);
            if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;
            if (EqualsNoCase(trimmed, "[Command]")) {
                if (opened) return Fail(number, "[Command] before the [End] of the command on line " + std::to_string(opened));
                opened = number;
                fields.clear();
                message.clear();
                continue;
            }
            if (EqualsNoCase(trimmed, "[End]")) {
                if (!opened) return Fail(number, "[End] without its [Command]");
                CommandPair pair;
                if (!Build(opened, fields, message, pair)) return false;
                commands.push_back(pair);
                opened = 0;
                continue;
            }
            if (!opened) return Fail(number, "\"" + trimmed + "\" outside a [Command] block");
            const std::size_t equals = line.find('=');
            if (equals == std::string::npos) return Fail(number, "a field needs a name, \"=\" and its value");
            const std::string name = Trim(line.substr(0, equals));
            std::string value;
            if (!m_fromUtf8)
                value = line.substr(equals + 1);
            else if (!m_fromUtf8(line.substr(equals + 1), value))
                return Fail(number, name + " holds characters this system's code page cannot hold");
            if (!IsTypedText(value)) return Fail(number, name + " holds a control character");
            if (EqualsNoCase(name, "Message")) {
                message.push_back({number, value});
                continue;
            }
            static const std::set<std::string> known = {
                "commandline", "run",  "window",  "frequency",     "day",     "yearday",
                "limit",       "messagewhen", "buttons", "icon", "defaultbutton", "style",
                "action1",     "action2",     "action3", "usercommand1", "usercommand2", "usercommand3"};
            const std::string key = LCase(name);
            if (!known.count(key)) return Fail(number, "unknown field \"" + name + "\"");
            if (fields.count(key)) return Fail(number, name + " is given twice");
            fields[key] = {number, value};
        }
        if (opened) return Fail(opened, "the command that begins here has no [End]: the file is cut short");
        return true;
    }

private:
    // The value's position among `words` (in any case), or a number in range.
    bool Choice(const std::pair<int, std::string>& field, const std::string& name,
                const std::vector<std::string>& words, int low, std::int16_t& out) {
        const std::string value = Trim(field.second);
        for (std::size_t i = 0; i < words.size(); ++i)
            if (!words[i].empty() && EqualsNoCase(value, words[i]) && static_cast<int>(i) >= low) {
                out = static_cast<std::int16_t>(i);
                return true;
            }
        std::string allowed;
        for (std::size_t i = static_cast<std::size_t>(low); i < words.size(); ++i)
            if (!words[i].empty()) allowed += (allowed.empty() ? "" : ", ") + words[i];
        return Fail(field.first, name + " must be one of " + allowed + ", not \"" + value + "\"");
    }

    bool Number(const std::pair<int, std::string>& field, const std::string& name, int low, int high,
                std::int16_t& out) {
        const std::string value = Trim(field.second);
        bool digits = !value.empty() && value.size() <= 5;
        for (char c : value) digits = digits && c >= '0' && c <= '9';
        const int number = digits ? std::stoi(value) : -1;
        if (!digits || number < low || number > high)
            return Fail(field.first, name + " must be a whole number from " + std::to_string(low) + " to " +
                                         std::to_string(high) + ", not \"" + value + "\"");
        out = static_cast<std::int16_t>(number);
        return true;
    }

    bool Build(int opened, const std::map<std::string, std::pair<int, std::string>>& fields,
               const std::vector<std::pair<int, std::string>>& message, CommandPair& pair) {
        CommandSettings& s = pair.Settings;
        CommandStrings& t = pair.Strings;
        // A field left out has the value a new command has in the editor.
        s = NewCommandSettings(0);
        s.RunFrequency = 1;
        auto field = [&](const char* key) { return fields.find(key); };

        auto line = field("commandline");
        if (line == fields.end() || Trim(line->second.second).empty())
            return Fail(opened, "the command has no CommandLine");
        if (line->second.second.size() > kMaxCommandLine) return Fail(line->second.first, CommandLineTooLongText());
        t.CommandLine = line->second.second;

        if (auto f = field("run"); f != fields.end()) {
            std::int16_t run = 0;
            if (!Choice(f->second, "Run", {"no", "yes"}, 0, run)) return false;
            s.Run = run;
        }
        if (auto f = field("window"); f != fields.end() && !Choice(f->second, "Window", kWindows, 0, s.WindowStyle))
            return false;
        if (auto f = field("frequency");
            f != fields.end() && !Choice(f->second, "Frequency", kFrequencies, 1, s.RunFrequency))
            return false;
        // The day's range is the frequency's; a daily command may keep the
        // days an earlier frequency used.
        const int dayHigh[] = {31, 31, 7, 31, 12};
        if (auto f = field("day"); f != fields.end()) {
            const int low = s.RunFrequency == 1 ? 0 : 1;
            if (!Number(f->second, "Day", low, dayHigh[s.RunFrequency], s.RunDay)) return false;
        } else if (s.RunFrequency != 1) {
            return Fail(opened, "a " + kFrequencies[static_cast<std::size_t>(s.RunFrequency)] +
                                    " command needs its Day");
        }
        if (auto f = field("yearday"); f != fields.end()) {
            if (!Number(f->second, "YearDay", s.RunFrequency == 4 ? 1 : 0, 31, s.RunYearDay)) return false;
            const int month = s.RunDay;
            if (s.RunFrequency == 4 && ((month == 2 && s.RunYearDay > 29) ||
                                        ((month == 4 || month == 6 || month == 9 || month == 11) && s.RunYearDay > 30)))
                return Fail(f->second.first, "month " + std::to_string(month) + " has no day " +
                                                 std::to_string(s.RunYearDay));
        } else if (s.RunFrequency == 4) {
            return Fail(opened, "a yearly command needs its YearDay");
        }
        if (auto f = field("limit"); f != fields.end() && !Number(f->second, "Limit", 0, 100, s.RunLimit)) return false;
        if (auto f = field("messagewhen");
            f != fields.end() && !Choice(f->second, "MessageWhen", kMessageWhen, 0, s.ShowMessageWhen))
            return false;

        for (std::size_t i = 0; i < message.size(); ++i) t.MessageText += (i ? kEol : "") + message[i].second;
        if (t.MessageText.size() > kMaxMessageText)
            return Fail(message.back().first, "the message is longer than " + std::to_string(kMaxMessageText) +
                                                  " characters");

        auto style = field("style");
        if (style != fields.end()) {
            for (const char* part : {"buttons", "icon", "defaultbutton"})
                if (fields.count(part)) return Fail(fields.at(part).first, "Style and the style's parts are both given");
            if (!Number(style->second, "Style", 0, 32767, s.MessageStyle)) return false;
        } else {
            MessageStyleParts parts;
            std::int16_t value = 0;
            if (auto f = field("buttons"); f != fields.end()) {
                if (!Choice(f->second, "Buttons", kButtons, 0, value)) return false;
                parts.Buttons = value;
            }
            if (auto f = field("icon"); f != fields.end()) {
                if (!Choice(f->second, "Icon", kIcons, 0, value)) return false;
                parts.Icon = value;
            }
            if (auto f = field("defaultbutton"); f != fields.end()) {
                if (!Number(f->second, "DefaultButton", 1, 3, value)) return false;
                parts.DefaultButton = value - 1;
            }
            s.MessageStyle = ComposeMessageStyle(parts);
        }
        std::int16_t* actions[3] = {&s.Action1, &s.Action2, &s.Action3};
        std::string* commands[3] = {&t.UserAction1, &t.UserAction2, &t.UserAction3};
        for (int i = 0; i < 3; ++i) {
            const std::string n = std::to_string(i + 1);
            if (auto f = field(("action" + n).c_str());
                f != fields.end() && !Choice(f->second, "Action" + n, kActions, 0, *actions[i]))
                return false;
            if (auto f = field(("usercommand" + n).c_str()); f != fields.end()) {
                if (f->second.second.size() > kMaxCommandLine) return Fail(f->second.first, CommandLineTooLongText());
                *commands[i] = f->second.second;
            }
        }
        return true;
    }

    CommandListTextError& m_error;
    const std::function<bool(const std::string&, std::string&)>& m_fromUtf8;
};

}  // namespace

std::string CommandListToText(const std::vector<CommandPair>& commands,
                              const std::function<std::string(const std::string&)>& toUtf8) {
    auto text = [&toUtf8](const std::string& value) { return toUtf8 ? toUtf8(value) : value; };
    std::string out = std::string(kCommandListTextHeading) + kEol;
    for (const CommandPair& command : commands) {
        const CommandSettings& s = command.Settings;
        const CommandStrings& t = command.Strings;
        auto put = [&out](const std::string& name, const std::string& value) { out += name + "=" + value + kEol; };
        out += kEol;
        out += std::string("[Command]") + kEol;
        put("CommandLine", text(t.CommandLine));
        put("Run", s.Run == 1 ? "yes" : "no");
        put("Window", WordOf(kWindows, s.WindowStyle));
        put("Frequency", WordOf(kFrequencies, s.RunFrequency >= 1 && s.RunFrequency <= 4 ? s.RunFrequency : 1));
        if (s.RunDay) put("Day", std::to_string(s.RunDay));
        if (s.RunYearDay) put("YearDay", std::to_string(s.RunYearDay));
        put("Limit", std::to_string(s.RunLimit));
        put("MessageWhen", WordOf(kMessageWhen, s.ShowMessageWhen));
        if (!t.MessageText.empty()) {
            std::string message = t.MessageText;
            for (std::size_t at = 0; (at = message.find("\r\n", at)) != std::string::npos;) message.replace(at, 2, "\n");
            for (const std::string& line : Lines(message + "\n")) put("Message", text(line));
        }
        MessageStyleParts parts;
        if (StyleParts(s.MessageStyle, parts)) {
            put("Buttons", WordOf(kButtons, parts.Buttons));
            put("Icon", WordOf(kIcons, parts.Icon));
            put("DefaultButton", std::to_string(parts.DefaultButton + 1));
        } else {
            put("Style", std::to_string(s.MessageStyle));
        }
        const std::int16_t actions[3] = {s.Action1, s.Action2, s.Action3};
        const std::string* userCommands[3] = {&t.UserAction1, &t.UserAction2, &t.UserAction3};
        for (int i = 0; i < 3; ++i) put("Action" + std::to_string(i + 1), WordOf(kActions, actions[i]));
        for (int i = 0; i < 3; ++i)
            if (!userCommands[i]->empty()) put("UserCommand" + std::to_string(i + 1), text(*userCommands[i]));
        out += std::string("[End]") + kEol;
    }
    return out;
}

bool CommandListFromText(const std::string& text, std::vector<CommandPair>& commands, CommandListTextError& error,
                         const std::function<bool(const std::string&, std::string&)>& fromUtf8) {
    std::vector<CommandPair> read;
    error = {};
    Reader reader(error, fromUtf8);
    if (!reader.Read(text, read)) return false;
    commands = std::move(read);
    return true;
}

}  // namespace ambrel
