// Fuzz target: the settings file's reader and writer on any bytes, as text and as the file itself.
// Reading must end and never crash. Writing a value must change only that value's line (or add it,
// with its section when that is missing), keep every other line as it was read, leave text
// without NUL bytes or CRs that reads back as written, and the file must hold that text.
#include "FuzzMachine.h"

#include "platform/IniText.h"
#include "platform/Profile.h"
#include "platform/TextLines.h"

#include <string_view>
#include <vector>

namespace {

struct Setting {
    const char* section;
    const char* key;
};

// The program's own settings.
const Setting kSettings[] = {
    {"Options", "AutoMove"}, {"Options", "DownloadDir"}, {"Browsers", "Netscape"},
    {"Browsers", "IE"},      {"Options", "AutoRun"},     {"Options", "AutoExit"},
    {"Window", "Left"},      {"Window", "Width"},        {"Columns", "File"},
    {"Columns", "Path"},     {"Settings", "GridLines"},  {"Settings", "Font"},
    {"Settings", "Color"},   {"Last Files", "1"},        {"Last Files", "4"},
};

constexpr const char* kValue = "fuzz value";

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// The lines of after must be those of before with one line replaced by the value's, the value's
// line inserted, or its section and its line added; or none changed when the line was there.
void CheckOneEdit(const std::vector<std::string>& before, const std::vector<std::string>& after,
                  const Setting& setting) {
    Check(after.size() >= before.size() && after.size() <= before.size() + 2);
    std::size_t head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head])
        ++head;
    std::size_t tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    const std::size_t removed = before.size() - head - tail;
    const std::size_t added = after.size() - head - tail;
    Check(removed <= 1);
    if (added > 0)
        Check(after[head + added - 1].ends_with(std::string("=") + kValue));
    if (added == 2)
        Check(removed == 0 && after[head] == std::string("[") + setting.section + "]");
}

// Far below the limit up to which the file is read.
constexpr std::size_t kLargestFileInput = 64 << 10;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Setting& setting = kSettings[size % std::size(kSettings)];

    // The text: every line kept as read, with LF ends.
    const platform::IniText before(bytes);
    std::string joined;
    for (const auto& line : platform::TextLines(bytes))
        joined += line + "\n";
    Check(before.Text() == joined);

    platform::IniText after = before;
    after.Set(setting.section, setting.key, kValue);
    const std::string text = after.Text();
    Check(text.find('\0') == std::string::npos && text.find('\r') == std::string::npos);
    Check(after.Get(setting.section, setting.key) == kValue);
    for (const Setting& other : kSettings)
        if (&other != &setting)
            Check(after.Get(other.section, other.key) == before.Get(other.section, other.key));
    CheckOneEdit(platform::TextLines(before.Text()), platform::TextLines(text), setting);
    Check(platform::IniText(text).Text() == text);

    // Larger inputs read differently through the file, which is read only up to a limit.
    if (size > kLargestFileInput)
        return 0;
    // The file: read and written through the private-profile functions.
    fuzzing::WriteInput("fuzz.ini", data, size);
    char buffer[2048];
    const auto value = before.Get(setting.section, setting.key);
    const std::string expected = value ? value->substr(0, sizeof buffer - 1) : "<absent>";
    win::GetPrivateProfileStringA(setting.section, setting.key, "<absent>", buffer, sizeof buffer,
                                  "C:\\fuzz.ini");
    Check(expected == buffer);
    Check(win::WritePrivateProfileStringA(setting.section, setting.key, kValue, "C:\\fuzz.ini"));
    Check(fuzzing::ReadInput("fuzz.ini") == text);
    return 0;
}
