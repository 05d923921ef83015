#include "simulator/fault_plan.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <utility>

namespace kvd::sim {
namespace {

constexpr std::array<std::pair<const char*, FaultKind>, 21> kFaultNames{{
    {"no-echo", FaultKind::NoEcho},
    {"wrong-echo", FaultKind::WrongEcho},
    {"silence-after", FaultKind::SilenceAfter},
    {"long-line", FaultKind::LongLine},
    {"status", FaultKind::Status},
    {"bad-crc", FaultKind::BadCrc},
    {"bad-complement", FaultKind::BadComplement},
    {"skip-block", FaultKind::SkipBlock},
    {"repeat-block", FaultKind::RepeatBlock},
    {"stall", FaultKind::Stall},
    {"cancel", FaultKind::Cancel},
    {"garbage", FaultKind::Garbage},
    {"size-larger", FaultKind::SizeLarger},
    {"size-smaller", FaultKind::SizeSmaller},
    {"size-negative", FaultKind::SizeNegative},
    {"size-huge", FaultKind::SizeHuge},
    {"nak", FaultKind::Nak},
    {"c-for-ack", FaultKind::CInsteadOfAck},
    {"broken-eot", FaultKind::BrokenEot},
    {"unplug", FaultKind::Unplug},
    {"file-name", FaultKind::FileName},
}};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

int64_t FaultPlan::Number(int64_t fallback) const {
    if (arg.empty()) return fallback;
    return std::strtoll(arg.c_str(), nullptr, 10);
}

bool FaultPlan::AppliesTo(const std::string& commandLine) const {
    if (kind == FaultKind::None) return false;
    return scope.empty() || Lower(commandLine).find(Lower(scope)) != std::string::npos;
}

std::optional<FaultPlan> ParseFault(const std::string& text) {
    FaultPlan plan;
    std::string rest = text;
    if (const auto at = rest.rfind('@'); at != std::string::npos) {
        plan.scope = rest.substr(at + 1);
        rest.resize(at);
    }
    if (const auto colon = rest.find(':'); colon != std::string::npos) {
        plan.arg = rest.substr(colon + 1);
        rest.resize(colon);
    }
    for (const auto& [name, kind] : kFaultNames) {
        if (rest == name) {
            plan.kind = kind;
            return plan;
        }
    }
    return std::nullopt;
}

std::string FaultKindList() {
    std::string list;
    for (const auto& [name, kind] : kFaultNames) {
        if (!list.empty()) list += ", ";
        list += name;
    }
    return list;
}

}  // namespace kvd::sim
