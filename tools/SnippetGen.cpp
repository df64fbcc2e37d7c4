// wendlock_snippetgen OUTPUT.inc INPUT.js...
//
// Turns the readable option script sources into the stored form the core
// library carries: each text is compacted, every character below 128 is
// XORed with the scramble constant and the result is percent-escaped the
// way JavaScript's escape() does it, so that the browser-side decoder
// (unescape, then vx_dc) writes the readable text back. The decoder itself
// is only percent-escaped and wrapped in the fixed decoder header.
//
// Inputs are recognised by their file names: "decoder.js" holds vx_dc, and
// "NN-name.js" (NN from 01 to 15) holds stored text number NN: 01..13 the
// option snippets, 14 the opening piece, 15 the closing piece. All sixteen
// must be given, each once.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Below 32, so a scrambled character stays below 128 and the decoder can
// tell it from the characters it passes through. Of those values, 22 leaves
// the most scrambled characters of the present sources unescaped, which
// keeps the stored texts, and so every protected page, shortest.
constexpr int kScrambleConstant = 22;
constexpr int kStoredCount = 15;
constexpr const char* kConstantToken = "VX_K";

std::string BaseName(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// 1..15 for "NN-name.js", 0 for "decoder.js", nullopt for anything else.
std::optional<int> RoleOf(const std::string& name)
{
    if (name == "decoder.js")
        return 0;
    if (name.size() < 7 || name.compare(name.size() - 3, 3, ".js") != 0)
        return std::nullopt;
    if (name[0] < '0' || name[0] > '9' || name[1] < '0' || name[1] > '9' || name[2] != '-')
        return std::nullopt;
    const int index = (name[0] - '0') * 10 + (name[1] - '0');
    if (index < 1 || index > kStoredCount)
        return std::nullopt;
    return index;
}

bool ReadFile(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

// Drops whole-line // comments and blank lines, trims every line and joins
// the rest with "\n". The sources stay commented and indented while the
// pages carry only what runs.
std::string Compact(const std::string& text)
{
    std::string out;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::size_t first = pos;
        std::size_t last = end;
        while (first < last && IsBlank(text[first]))
            ++first;
        while (last > first && IsBlank(text[last - 1]))
            --last;
        const std::string line = text.substr(first, last - first);
        if (!line.empty() && line.compare(0, 2, "//") != 0) {
            if (!out.empty())
                out += '\n';
            out += line;
        }
        pos = end + 1;
    }
    return out;
}

// Strict UTF-8 to UTF-16; false on malformed input.
bool Utf8ToUtf16(const std::string& in, std::u16string& out)
{
    std::size_t i = 0;
    if (in.compare(0, 3, "\xEF\xBB\xBF") == 0)
        i = 3;
    while (i < in.size()) {
        const auto b0 = static_cast<unsigned char>(in[i]);
        std::uint32_t cp = 0;
        int extra = 0;
        if (b0 < 0x80) {
            cp = b0;
        } else if ((b0 & 0xE0) == 0xC0) {
            cp = b0 & 0x1F;
            extra = 1;
        } else if ((b0 & 0xF0) == 0xE0) {
            cp = b0 & 0x0F;
            extra = 2;
        } else if ((b0 & 0xF8) == 0xF0) {
            cp = b0 & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= in.size() && extra > 0)
            return false;
        for (int n = 1; n <= extra; ++n) {
            const auto b = static_cast<unsigned char>(in[i + n]);
            if ((b & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        static const std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

// JavaScript's escape(): A-Z a-z 0-9 @ * _ + - . / stay, other units below
// 256 become %XX, the rest %uXXXX, hex digits in upper case.
std::string Escape(const std::u16string& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char16_t u : text) {
        const bool plain = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') ||
                           u == u'@' || u == u'*' || u == u'_' || u == u'+' || u == u'-' || u == u'.' ||
                           u == u'/';
        if (plain) {
            out += static_cast<char>(u);
        } else if (u < 256) {
            out += '%';
            out += kHex[(u >> 4) & 0xF];
            out += kHex[u & 0xF];
        } else {
            out += "%u";
            out += kHex[(u >> 12) & 0xF];
            out += kHex[(u >> 8) & 0xF];
            out += kHex[(u >> 4) & 0xF];
            out += kHex[u & 0xF];
        }
    }
    return out;
}

std::u16string Scramble(std::u16string text)
{
    for (char16_t& u : text) {
        if (u < 128)
            u = static_cast<char16_t>(u ^ kScrambleConstant);
    }
    return text;
}

// A C++ string literal split over lines of moderate length. Only the
// decoder header holds quotes; escaped text holds neither quotes nor
// backslashes.
std::string Literal(const std::string& text)
{
    constexpr std::size_t kWidth = 96;
    std::string out;
    std::size_t column = 0;
    out += "    \"";
    for (const char c : text) {
        if (column >= kWidth) {
            out += "\"\n    \"";
            column = 0;
        }
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
        ++column;
    }
    out += '"';
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: wendlock_snippetgen OUTPUT.inc INPUT.js...\n");
        return 2;
    }
    std::vector<std::string> sources(kStoredCount + 1);
    std::vector<std::string> names(kStoredCount + 1);
    std::vector<bool> seen(kStoredCount + 1, false);
    for (int n = 2; n < argc; ++n) {
        const std::string path = argv[n];
        const std::string name = BaseName(path);
        const auto role = RoleOf(name);
        if (!role) {
            std::fprintf(stderr, "wendlock_snippetgen: %s: not decoder.js nor NN-name.js with NN 01..15\n",
                         path.c_str());
            return 1;
        }
        if (seen[*role]) {
            std::fprintf(stderr, "wendlock_snippetgen: %s: a second source for the same text\n",
                         path.c_str());
            return 1;
        }
        std::string raw;
        if (!ReadFile(path, raw)) {
            std::fprintf(stderr, "wendlock_snippetgen: %s: cannot read\n", path.c_str());
            return 1;
        }
        seen[*role] = true;
        names[*role] = name;
        sources[*role] = Compact(raw);
        if (sources[*role].empty()) {
            std::fprintf(stderr, "wendlock_snippetgen: %s: nothing but comments\n", path.c_str());
            return 1;
        }
    }
    for (int role = 0; role <= kStoredCount; ++role) {
        if (!seen[role]) {
            if (role == 0)
                std::fprintf(stderr, "wendlock_snippetgen: decoder.js missing\n");
            else
                std::fprintf(stderr, "wendlock_snippetgen: source %02d-*.js missing\n", role);
            return 1;
        }
    }

    std::string& decoder = sources[0];
    const auto token = decoder.find(kConstantToken);
    if (token == std::string::npos || decoder.find(kConstantToken, token + 1) != std::string::npos) {
        std::fprintf(stderr, "wendlock_snippetgen: decoder.js must use %s exactly once\n", kConstantToken);
        return 1;
    }
    decoder.replace(token, std::string(kConstantToken).size(), std::to_string(kScrambleConstant));

    std::ostringstream inc;
    inc << "// Generated by wendlock_snippetgen from src/engine/snippets/*.js.\n"
           "// Do not edit: change the readable sources instead.\n\n"
           "namespace StoredSnippets {\n\n"
           "constexpr int kScrambleConstant = "
        << kScrambleConstant << ";\n\n";

    std::u16string text;
    if (!Utf8ToUtf16(decoder, text)) {
        std::fprintf(stderr, "wendlock_snippetgen: decoder.js: not valid UTF-8\n");
        return 1;
    }
    const std::string header =
        "<SCRIPT type=\"text/javascript\">eval(unescape(\"" + Escape(text) + "\"));</SCRIPT>";
    inc << "// decoder.js\nconstexpr char kDecoderHeader[] =\n" << Literal(header) << ";\n\n";

    for (int role = 1; role <= kStoredCount; ++role) {
        text.clear();
        if (!Utf8ToUtf16(sources[role], text)) {
            std::fprintf(stderr, "wendlock_snippetgen: %s: not valid UTF-8\n", names[role].c_str());
            return 1;
        }
        char id[3];
        std::snprintf(id, sizeof id, "%02d", role);
        inc << "// " << names[role] << "\nconstexpr char kStored" << id << "[] =\n"
            << Literal(Escape(Scramble(text))) << ";\n\n";
    }
    inc << "constexpr const char* kStored[" << kStoredCount << "] = {";
    for (int role = 1; role <= kStoredCount; ++role) {
        char id[3];
        std::snprintf(id, sizeof id, "%02d", role);
        inc << (role == 1 ? "" : ",") << (role % 5 == 1 ? "\n    " : " ") << "kStored" << id;
    }
    inc << "};\n\n} // namespace StoredSnippets\n";

    const std::string result = inc.str();
    const std::string output = argv[1];
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out << result;
    out.close();
    if (!out) {
        std::fprintf(stderr, "wendlock_snippetgen: %s: cannot write\n", output.c_str());
        return 1;
    }
    return 0;
}
