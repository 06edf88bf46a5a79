#pragma once
// The user's settings store, read and written by section and value name.
#include <string>

namespace vellum {

class Profile {
public:
    virtual ~Profile() = default;
    virtual int readInt(const std::string& section, const std::string& key, int fallback) const = 0;
    virtual void writeInt(const std::string& section, const std::string& key, int value) = 0;
    virtual std::string readString(const std::string& section, const std::string& key,
                                   const std::string& fallback) const = 0;
    virtual void writeString(const std::string& section, const std::string& key,
                             const std::string& value) = 0;
    // Takes in what another program sharing the store has written since.
    virtual void reload() {}
};

} // namespace vellum
