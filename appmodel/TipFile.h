#pragma once
// The tips of the Tip of the Day window: one tip per line of a text file,
// shown in turn from where the last session stopped. Lines that begin with a
// blank, a tab or ";" (and empty lines) are not tips. The place is kept in
// the profile's "Tip" section and starts over when the file changes. A file
// that cannot be read, or not at the stored place, is trouble, not a reason
// to start over.
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace vellum {

class Profile;

class TipFile {
public:
    static constexpr std::size_t kMaxTipLength = 999;

    // Opens the file and goes to the stored place; a changed file starts over.
    TipFile(const std::filesystem::path& file, Profile& profile);
    // Stores the place after the tip shown last.
    ~TipFile();
    TipFile(const TipFile&) = delete;
    TipFile& operator=(const TipFile&) = delete;

    bool isOpen() const { return in_.is_open(); }
    // The next tip, wrapping around at the end; nothing when the file holds
    // none or there is trouble.
    std::optional<std::string> next();
    // A read or a seek failed; no more tips are read.
    bool trouble() const { return trouble_; }

    // The "&Show Tips on StartUp" choice; the profile keeps its inverse.
    static bool showAtStartUp(const Profile& profile);
    static void setShowAtStartUp(Profile& profile, bool show);

    // The file's modification time as the profile keeps it.
    static std::string timeStamp(const std::filesystem::path& file);
    static bool isTip(const std::string& line);

private:
    bool rewind();

    Profile& profile_;
    std::ifstream in_;
    bool trouble_ = false;
};

} // namespace vellum
