#pragma once
// The user's options, section "Options" of the profile.
#include "core/Profile.h"

namespace vellum {

struct Options {
    static constexpr int kMinCopies = 1;
    static constexpr int kMaxCopies = 99;

    bool LoadEntireDiskette = false;
    bool VerifyCopy = false;
    bool ForceFormat = false;
    bool KeepDirStructure = true;
    int NumberCopies = kMinCopies;

    static Options read(const Profile& profile);
    void write(Profile& profile) const;

    // A copy count outside 1..99 counts as one copy.
    static int clampCopies(int n);
};

} // namespace vellum
