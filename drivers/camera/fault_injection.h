// Faults a test or a tool arms on a camera, per control code, so that every
// failure path of a client can be reached: answer a chosen status, reply
// with a record of the wrong length, leave the status byte as the client
// filled it, stall (never complete until the faults are cleared or the
// client goes away), or drop the client's connection. A fault lasts for a
// number of requests or until cleared.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace kmxcam {

enum class FaultKind { Status, WrongLength, Unwritten, Stall, Drop };

struct Fault {
    FaultKind kind = FaultKind::Status;
    uint8_t status = 0;  // for FaultKind::Status
    uint32_t count = 0;  // requests it applies to; 0 until cleared
};

// "status N", "wrong-length", "unwritten", "stall", "drop", each optionally
// followed by "count N"; nullopt for anything else.
std::optional<Fault> ParseFault(const std::string& text);
std::string FaultText(const Fault& fault);

// Not locked: the camera guards it with its own lock.
class FaultInjection {
  public:
    void Arm(DWORD code, const Fault& fault) { faults_[code] = fault; }
    void Clear() { faults_.clear(); }
    // The fault for the next request of CODE, counting it down.
    std::optional<Fault> Take(DWORD code);
    const std::map<DWORD, Fault>& Armed() const { return faults_; }

  private:
    std::map<DWORD, Fault> faults_;
};

}  // namespace kmxcam
