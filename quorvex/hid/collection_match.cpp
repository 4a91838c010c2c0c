#include "hid/collection_match.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace qvx::hid {

bool MatchesCollection(const HidAttributes& attributes, const HidCaps& caps, kv::CollectionUsage wanted) {
    if (attributes.vendorId != kv::kVendorId || attributes.productId != kv::kProductId) return false;
    if (wanted.usagePage != 0 && caps.usagePage != wanted.usagePage) return false;
    if (wanted.usage != 0 && caps.usage != wanted.usage) return false;
    return true;
}

bool IsOwnInputReport(const HidCaps& caps, const uint8_t* report, std::size_t length) {
    if (length == 0 || report == nullptr) return false;
    if (caps.inputReportIds.empty()) return true;
    return std::find(caps.inputReportIds.begin(), caps.inputReportIds.end(), report[0]) != caps.inputReportIds.end();
}

bool PathNamesKeyboard(const std::string& path) {
    char wanted[24];
    std::snprintf(wanted, sizeof wanted, "vid_%04x&pid_%04x", static_cast<unsigned>(kv::kVendorId),
                  static_cast<unsigned>(kv::kProductId));
    std::string lower(path.size(), '\0');
    std::transform(path.begin(), path.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return lower.find(wanted) != std::string::npos;
}

}  // namespace qvx::hid
