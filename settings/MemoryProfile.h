#pragma once
// Settings held in memory only: what the program runs with when the
// settings file is unusable, so that file is left as it is; and the tests'.
#include <map>
#include <string>
#include <utility>

#include "core/Profile.h"
#include "settings/IniEscapes.h"

namespace vellum {

class MemoryProfile : public Profile {
public:
    int readInt(const std::string& section, const std::string& key, int fallback) const override
    {
        const auto it = values_.find({section, key});
        return it == values_.end() ? fallback : IniEscapes::numberOf(it->second).value_or(fallback);
    }
    void writeInt(const std::string& section, const std::string& key, int value) override
    {
        values_[{section, key}] = std::to_string(value);
    }
    std::string readString(const std::string& section, const std::string& key,
                           const std::string& fallback) const override
    {
        const auto it = values_.find({section, key});
        return it == values_.end() ? fallback : it->second;
    }
    void writeString(const std::string& section, const std::string& key, const std::string& value) override
    {
        values_[{section, key}] = value;
    }

private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

} // namespace vellum
