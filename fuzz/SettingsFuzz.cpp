// libFuzzer entry for the settings file: the input read as Vellum.conf, and
// written back with one more key whose value is the input as text. A file
// that reads must keep every value it held, and the new one must read back
// byte for byte, whatever it holds; a file refused must stay as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "core/Error.h"
#include "fuzz/FuzzSupport.h"
#include "settings/SettingsProfile.h"

using namespace vellum;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path file = fuzz::privateFolder() / "Vellum.conf";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    try {
        SettingsProfile profile(file);
        const std::string before = profile.readString("DriveA", "Medium", "");
        profile.writeString("Fuzz", "Value", text);
        const SettingsProfile again(file);
        if (again.readString("Fuzz", "Value", "") != text || again.readString("DriveA", "Medium", "") != before)
            std::abort();
    } catch (const Error&) {
        std::ifstream in(file, std::ios::binary);
        if (std::string(std::istreambuf_iterator<char>(in), {}) != text)
            std::abort();
    }
    return 0;
}
