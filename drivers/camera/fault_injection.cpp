#include "fault_injection.h"

#include <sstream>

namespace kmxcam {

std::optional<Fault> ParseFault(const std::string& text) {
    std::istringstream in(text);
    std::string kind;
    Fault fault;
    if (!(in >> kind)) return std::nullopt;
    if (kind == "status") {
        unsigned status = 0;
        if (!(in >> status) || status > 255) return std::nullopt;
        fault.kind = FaultKind::Status;
        fault.status = static_cast<uint8_t>(status);
    } else if (kind == "wrong-length") {
        fault.kind = FaultKind::WrongLength;
    } else if (kind == "unwritten") {
        fault.kind = FaultKind::Unwritten;
    } else if (kind == "stall") {
        fault.kind = FaultKind::Stall;
    } else if (kind == "drop") {
        fault.kind = FaultKind::Drop;
    } else {
        return std::nullopt;
    }
    std::string word;
    if (in >> word) {
        long long count = 0;
        if (word != "count" || !(in >> count) || count <= 0 || count > 0xFFFFFFFFLL)
            return std::nullopt;
        fault.count = static_cast<uint32_t>(count);
    }
    if (in >> word) return std::nullopt;
    return fault;
}

std::string FaultText(const Fault& fault) {
    std::string text;
    switch (fault.kind) {
        case FaultKind::Status:
            text = "status " + std::to_string(fault.status);
            break;
        case FaultKind::WrongLength:
            text = "wrong-length";
            break;
        case FaultKind::Unwritten:
            text = "unwritten";
            break;
        case FaultKind::Stall:
            text = "stall";
            break;
        case FaultKind::Drop:
            text = "drop";
            break;
    }
    return fault.count ? text + " count " + std::to_string(fault.count) : text;
}

std::optional<Fault> FaultInjection::Take(DWORD code) {
    auto found = faults_.find(code);
    if (found == faults_.end()) return std::nullopt;
    Fault fault = found->second;
    if (found->second.count && --found->second.count == 0) faults_.erase(found);
    return fault;
}

}  // namespace kmxcam
