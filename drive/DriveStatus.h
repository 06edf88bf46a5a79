#pragma once
// The sector driver's status codes that the drive backends report; each is a
// key of CVLMDoc::StatusMessages, whose text the user sees.
namespace vellum {

enum DriveStatus : int {
    kStatusOk = 0,
    kStatusMediaFailure = 20,
    kStatusRecalibrate = 21,
    kStatusInvalid = 22,       // "Command not supported or invalid"
    kStatusNoDevice = 23,
    kStatusMediaRemoved = 24,
    kStatusMediaChanged = 25,
    kStatusHardware = 27,
    kStatusUnformatted = 28,
    kStatusTimeout = 30,
    kStatusWriteProtect = 31,
    kStatusNotReady = 32,
    kStatusBusy = 33,
    kStatusUnlockWithoutLock = 34,
    kStatusAccessDenied = 41, // "Illegal access to locked device"
    kStatusWrongMedia = 42,
    kStatusNoSpace = 43,
};

// The status that names what a failed system call's errno means for a drive.
int statusOfErrno(int error);

} // namespace vellum
