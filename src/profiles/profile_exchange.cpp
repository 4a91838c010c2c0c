#include "profiles/profile_exchange.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "profiles/profile_file_format.h"
#include "profiles/profile_json.h"

namespace kv {

namespace {

// Larger JSON than this is no profile data: a full set of 100 macros of 2000 actions is about 25 MB.
constexpr std::uintmax_t kJsonSizeLimit = 64u << 20;

ValidateResult Refused(int code, bool formatError, std::string reason) {
    ValidateResult r;
    r.code = code;
    r.showFormatError = formatError;
    r.reason = std::move(reason);
    return r;
}

// JSON goes to the file form first, so it passes exactly the checks and the parsing a file passes.
ValidateResult ReadJson(const std::filesystem::path& path, ProfileContent& out) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return Refused(kValidateInvalid, false, "no such file");
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size > kJsonSizeLimit) return Refused(kValidateInvalid, true, "the file is too large for profile data");
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return Refused(kValidateCannotOpen, false, "the file cannot be read");
    ProfileContent content;
    std::string error;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!ProfileFromJsonText(text, content, error)) return Refused(kValidateInvalid, true, error);
    const std::vector<uint8_t> file = SerializeProfile(content);
    ValidateResult r = ValidateProfileBytes(file);
    if (r.code != kValidateOk) return r;
    std::string why;
    if (!ParseProfileBytes(file, out, &why)) return Refused(kValidateInvalid, true, why);
    return r;
}

ValidateResult ReadBinary(const std::filesystem::path& path, ProfileContent& out) {
    ValidateResult r = ValidateProfileFile(path);
    if (r.code != kValidateOk) return r;
    // Read again for the content: a file changed since it was checked is checked again, never half taken.
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return Refused(kValidateCannotOpen, false, "the file cannot be read");
    r = ValidateProfileBytes(bytes);
    if (r.code != kValidateOk) return r;
    ProfileContent content;
    std::string why;
    if (!ParseProfileBytes(bytes, content, &why)) return Refused(kValidateInvalid, true, why);
    out = std::move(content);
    return r;
}

}  // namespace

ProfileFileKind ProfileFileKindOf(const std::filesystem::path& path) {
    std::u16string ext = path.extension().u16string();
    for (char16_t& c : ext)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return ext == u".json" ? ProfileFileKind::Json : ProfileFileKind::Binary;
}

ProfileFileKind ProfileFileKindOfContent(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    char head[64] = {};
    in.read(head, sizeof head);
    const std::string_view bytes(head, static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == (kFileMagic & 0xFF) &&
        static_cast<uint8_t>(bytes[1]) == (kFileMagic >> 8))
        return ProfileFileKind::Binary;
    std::size_t at = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\t' || bytes[at] == '\r' || bytes[at] == '\n')) ++at;
    if (at < bytes.size() && bytes[at] == '{') return ProfileFileKind::Json;
    return ProfileFileKindOf(path);
}

ValidateResult ReadProfileForImport(const std::filesystem::path& path, ProfileContent& out) {
    return ProfileFileKindOfContent(path) == ProfileFileKind::Json ? ReadJson(path, out) : ReadBinary(path, out);
}

bool ExportProfile(const std::filesystem::path& path, ProfileData& data) {
    if (ProfileFileKindOf(path) == ProfileFileKind::Binary) return SaveProfileFile(path, data);
    ProfileContent copy;
    {
        std::lock_guard<std::mutex> hold(data.lock);
        copy = data.content;
    }
    const std::string text = ProfileJsonText(copy) + "\n";
    return WriteFileReplacing(path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace kv
