// Fuzzing of the settings file: any bytes read, written and read again give the same
// lines; reads never fail; a written value is read back.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/engine/TextRules.h"
#include "core/files/Settings.h"

using namespace vornix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = SplitSettingsLines(bytes);
    const std::string written = JoinSettingsLines(lines);
    if (SplitSettingsLines(written) != lines) std::abort();
    if (JoinSettingsLines(SplitSettingsLines(written)) != written) std::abort();

    // Numbers: whatever the text, a value in range or nothing.
    for (const std::string& line : lines) {
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        (void)ParseInt32(line.substr(eq + 1));
    }

    // A value written through the layer is read back (cut at a line break).
    SettingsFile settings("/nonexistent/");
    if (!lines.empty()) {
        const std::string& first = lines.front();
        auto eq = first.find('=');
        std::string key = eq == std::string::npos ? std::string("Key") : first.substr(0, eq);
        if (key.empty()) key = "Key";
        std::string value = bytes.substr(0, std::min<std::size_t>(bytes.size(), 64));
        settings.IniPut(key, value);
        auto cut = value.find_first_of("\r\n");
        if (cut != std::string::npos) value.erase(cut);
        if (key.find_first_of("\r\n=") == std::string::npos && settings.IniSetting(key) != value) std::abort();
    }
    return 0;
}
